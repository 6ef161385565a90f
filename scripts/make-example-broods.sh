#!/usr/bin/env bash
# Writes examples/broods.gen, the example brood file, from the simulation
# itself, with the truth beside it (examples/broods-truth.csv: each brood's
# sires and shares and the verdict on its genotypes as drawn;
# examples/broods-errors.csv: the genotypes miscalled or left missing;
# examples/broods-sires.csv: each offspring's sire).
#
#   bash scripts/make-example-broods.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build build --target example_broods >/dev/null
./build/example_broods examples/population.gen examples/broods.gen examples/broods-truth.csv \
  examples/broods-errors.csv examples/broods-sires.csv
