// Runs inside createPlanCore before the module loads. Under node the module
// is read from plan-core.wasm beside this file: the loader would otherwise
// fetch it by its path, which node's fetch does not take.
if (typeof process === 'object' && process.versions && process.versions.node &&
    !Module['wasmBinary'] && !Module['instantiateWasm']) {
  Module['wasmBinary'] = require('fs').readFileSync(require('path').join(__dirname, 'plan-core.wasm'));
}
