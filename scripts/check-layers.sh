#!/usr/bin/env bash
# Fails when a file of the planner's library includes a header of a layer
# above its own, when anything below the planner (base, study, simulation)
# includes what is built on it, or the planner a front end. The layers, lowest first:
# input, model, estimate, chart, command.
#   bash scripts/check-layers.sh SRC_FOLDER
set -euo pipefail
src=${1:?give the src folder}
layers=(input model estimate chart command)
status=0
for n in "${!layers[@]}"; do
  above=("${layers[@]:n+1}")
  [ ${#above[@]} -eq 0 ] && continue
  pattern="#include \"plan/($(IFS='|'; echo "${above[*]}"))/"
  if hits=$(grep -nE "$pattern" "$src/plan/${layers[n]}"/*.h "$src/plan/${layers[n]}"/*.cc); then
    echo "The planner's ${layers[n]} layer includes a layer above it:" >&2
    echo "$hits" >&2
    status=1
  fi
done
if hits=$(grep -nE '#include "(study|simulation|plan|frontend|driver|mpplan)/' "$src"/base/*); then
  echo "The base includes what is built on it:" >&2
  echo "$hits" >&2
  status=1
fi
if hits=$(grep -nE '#include "(plan|frontend|driver|mpplan)/' "$src"/study/* "$src"/simulation/*); then
  echo "The core includes the planner or a front end:" >&2
  echo "$hits" >&2
  status=1
fi
if hits=$(grep -nE '#include "(frontend|driver|mpplan)/' "$src"/plan/*/*); then
  echo "The planner includes a front end:" >&2
  echo "$hits" >&2
  status=1
fi
exit $status
