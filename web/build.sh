#!/usr/bin/env bash
# Builds the web page into build-web/page/, a folder that works when opened
# from disk (file://) or copied to any static host: the planner's core
# compiled to WebAssembly, the page, its worker and the module that wraps the
# core. build-web/plan-core.js loads plan-core.wasm beside it (under node);
# the page holds both as text and compiles the module once for its workers.
#   bash web/build.sh [folder, default build-web]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-web}
mkdir -p "$out/page"
# Debian's emscripten finds its JavaScript tools there.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# Every source of the core and the planner, so that a new file is never
# left out of the page.
sources=(src/study/*.cc src/simulation/*.cc src/plan/*/*.cc src/frontend/command_line_words.cc
         web/page_words.cc web/plan_api.cc)
# The portable kernel only; no contraction of a*b+c, as in every build.
em++ -std=c++20 -O3 -ffp-contract=off -msimd128 -msse2 -Wall -Wextra -Isrc \
  -DFAST_KERNEL_NAME=fast_count_detections_portable \
  -sMODULARIZE=1 -sEXPORT_NAME=createPlanCore -sALLOW_MEMORY_GROWTH=1 \
  -sENVIRONMENT=web,worker,node --pre-js web/core_pre.js \
  -sEXPORTED_FUNCTIONS=_mp_reset,_mp_command,_mp_field,_mp_design,_mp_design_field,_mp_figure_size,_mp_input,_mp_run,_mp_describe,_mp_check,_mp_limits,_mp_run_part,_mp_run_joined,_malloc,_free \
  -sEXPORTED_RUNTIME_METHODS=ccall,cwrap,UTF8ToString,stringToUTF8,lengthBytesUTF8 \
  "${sources[@]}" -o "$out/plan-core.js"

# The worker is made from text the page already holds, since a page opened
# from disk may not load a worker script or fetch a file; so is the module,
# which the page compiles once and hands to each worker, so that the code the
# engine optimizes while one worker runs serves them all.
node -e '
  const fs = require("fs");
  const [core, wasm, api, worker, target] = process.argv.slice(1);
  const source = [core, api, worker].map((f) => fs.readFileSync(f, "utf8")).join("\n;\n");
  fs.writeFileSync(target, "window.MP_WORKER_SOURCE = " + JSON.stringify(source) + ";\n" +
                   "window.MP_CORE_WASM = \"" + fs.readFileSync(wasm).toString("base64") + "\";\n");
' "$out/plan-core.js" "$out/plan-core.wasm" web/plan.js web/worker.js "$out/page/worker-source.js"
cp web/index.html web/style.css web/app.js web/plan.js "$out/page/"
echo "page built in $out/page (open index.html)"
