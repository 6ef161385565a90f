#!/usr/bin/env bash
# Fails when a source of the planner's library names a command-line option
# in a string: its messages say what is wrong, and each front end words
# the way out (src/frontend/command_line_words.cc for the command line;
# the option parser lives with mpplan's entry point, src/mpplan).
#   bash scripts/check-core-words.sh [SRC]
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}
found=$(grep -rnE '"([^"]*[ (])?--[a-z][^"]*"' "$src/plan" --include='*.cc' --include='*.h' || true)
if [ -n "$found" ]; then
  echo "options named in the planner's library (word them in the front end):" >&2
  echo "$found" >&2
  exit 1
fi
echo "no option named in the planner's library"
