#!/usr/bin/env bash
# Brings the planner's C++ sources (src/base, src/study, src/simulation, src/plan) into
# the R package's src/core, and writes the package's src/Makevars.in naming
# them (its configure script makes src/Makevars of it when the package is
# installed), so that the package builds from exactly the sources mpplan
# builds from. The copies are not kept in the repository (.gitignore).
#   bash r/bring-sources.sh
set -euo pipefail
cd "$(dirname "$0")/.."
package=r/mpdetect
rm -rf "$package/src/core"
mkdir -p "$package/src/core"
for folder in base study simulation plan; do
  cp -R "src/$folder" "$package/src/core/$folder"
done
objects=$(cd "$package/src" && find core -name '*.cc' | sort | sed 's/\.cc$/.o/' | tr '\n' ' ')
sed "s|@OBJECTS@|glue.o $objects|" "$package/src/Makevars.template" > "$package/src/Makevars.in"
