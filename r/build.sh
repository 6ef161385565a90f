#!/usr/bin/env bash
# Builds the R package from the planner's sources and installs it into a
# library inside the build folder; with --check, runs R CMD check on it too
# (its tests compare with the mpplan given as MPPLAN_BINARY).
#   bash r/build.sh BUILD_FOLDER [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:?give the build folder}")
mkdir -p "$out/r-lib" "$out/r-package"
bash r/bring-sources.sh
(cd "$out/r-package" && R CMD build --no-build-vignettes --no-manual "$OLDPWD/r/mpdetect" > build.log)
tarball=$(ls -t "$out"/r-package/mpdetect_*.tar.gz | head -n 1)
R CMD INSTALL --no-test-load -l "$out/r-lib" "$tarball" > "$out/r-package/install.log" 2>&1 ||
  { cat "$out/r-package/install.log"; exit 1; }
echo "installed mpdetect into $out/r-lib"
if [ "${2:-}" = "--check" ]; then
  cd "$out/r-package"
  export _R_CHECK_FORCE_SUGGESTS_=false _R_CHECK_SYSTEM_CLOCK_=0
  R CMD check --no-manual "$tarball" > check.log 2>&1 || { cat check.log; exit 1; }
  cat check.log
  if grep -qE '^Status: .*(WARNING|ERROR)' check.log; then exit 1; fi
fi
