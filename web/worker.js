// The page's worker: loads the core once and answers the page's requests
// ({id, method, args}) with {id, result}, reporting curve progress on the
// way. The page cancels a run by ending the worker and starting another.
/* global createPlanCore, makePlanApi */
(function () {
  'use strict';
  const ready = createPlanCore({
    onProgress(design, designs, done, total) {
      postMessage({type: 'progress', design, designs, done, total});
    },
  }).then((core) => {
    postMessage({type: 'ready'});
    return makePlanApi(core);
  });
  self.onmessage = async (event) => {
    const {id, method, args} = event.data;
    const api = await ready;
    try {
      postMessage({type: 'result', id, result: api[method](...args)});
    } catch (error) {
      postMessage({type: 'result', id, result: {ok: false, error: String(error), notes: []}});
    }
  };
})();
