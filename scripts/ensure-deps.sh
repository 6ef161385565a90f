#!/usr/bin/env bash
# Checks for what the build and the tests need, and installs what is missing
# from Debian's packages when it can (as root with apt-get); otherwise says
# what to install and fails.
set -euo pipefail

missing=()
command -v cmake > /dev/null 2>&1 || missing+=(cmake)
command -v g++ > /dev/null 2>&1 || missing+=(g++)
command -v make > /dev/null 2>&1 || missing+=(make)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
# mpplan reads gzip- and bgzip-compressed inputs (.vcf.gz) with zlib.
[ -f /usr/include/zlib.h ] || missing+=(zlib1g-dev)
# The end-to-end tests freeze the clock with faketime to get a known seed.
command -v faketime > /dev/null 2>&1 || missing+=(faketime)
# mpplan draws its figures with gnuplot, and the tests check the images.
command -v gnuplot > /dev/null 2>&1 || missing+=(gnuplot-nox)
for extra in "$@"; do
  case "$extra" in
    benchmark)
      [ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
      [ -x /usr/bin/time ] || missing+=(time) ;;
    clang) command -v clang++ > /dev/null 2>&1 || missing+=(clang) ;;
    # The web page: Debian's emscripten builds it; node runs the parity test;
    # headless Chromium, driven by selenium, runs the page.
    web)
      command -v em++ > /dev/null 2>&1 || missing+=(emscripten)
      command -v node > /dev/null 2>&1 || missing+=(nodejs)
      command -v chromium > /dev/null 2>&1 || missing+=(chromium)
      command -v chromedriver > /dev/null 2>&1 || missing+=(chromium-driver)
      /usr/bin/python3 -c 'import selenium' > /dev/null 2>&1 || missing+=(python3-selenium) ;;
    # The R package: R with its headers, Rcpp, testthat, and adegenet for the
    # examples and the genind tests.
    r)
      command -v R > /dev/null 2>&1 && [ -f /usr/share/R/include/R.h ] || missing+=(r-base-dev)
      for package in Rcpp testthat adegenet; do
        Rscript -e "quit(status = !requireNamespace('$package', quietly = TRUE))" \
          > /dev/null 2>&1 || missing+=("r-cran-$(echo "$package" | tr '[:upper:]' '[:lower:]')")
      done ;;
  esac
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Missing: ${missing[*]}"
if [ "$(id -u)" = 0 ] && command -v apt-get > /dev/null 2>&1; then
  echo "Installing them with apt-get ..."
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
  echo "Installed: ${missing[*]}"
else
  echo "Install them first, for instance: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
