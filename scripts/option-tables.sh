#!/usr/bin/env bash
# Writes docs/options.md again from the planner's table of options (the
# test that checks it, told to write it first), after a change to an option.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release > /dev/null
cmake --build --preset release --target plan_tests -j2 > /dev/null
MPPLAN_WRITE_OPTION_TABLES=1 ./build/tests/plan_tests \
  --gtest_filter=PlanOptions.DocumentedOptionsAreTheParsersOwn > /dev/null
echo "docs/options.md written"
