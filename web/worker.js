// The page's worker: loads the core once and answers the page's requests
// ({id, method, args}) with {id, result}, reporting curve progress on the
// way. The page cancels a run by ending the worker and starting another.
//
// A file's individuals stay here: the page is sent them only when they are
// few (LISTED), and otherwise finds them by searching (findIndividuals), so
// that a file of a million individuals never stops the page while a list
// of them is copied or drawn.
/* global createPlanCore, makePlanApi */
(function () {
  'use strict';
  const LISTED = 5000;
  const FOUND = 20;
  let individuals = [];
  let individualSamples = [];
  // The page's first message is the compiled module ({module}); the core is
  // made of it, and every later message is a request.
  let ready = null;
  function start(module) {
    return createPlanCore({
      onProgress(design, designs, done, total) {
        postMessage({type: 'progress', design, designs, done, total});
      },
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module));
        return {};
      },
    }).then((core) => {
      postMessage({type: 'ready'});
      return makePlanApi(core);
    });
  }

  const local = {
    // The description, with each sample's count of individuals; the
    // individuals themselves only when there are at most LISTED.
    describe(api, text, layout) {
      const described = api.describe(text, layout);
      individuals = described.individuals || [];
      individualSamples = described.individualSamples || [];
      described.individualCount = individuals.length;
      described.sampleCounts = (described.samples || []).map(() => 0);
      for (const sample of individualSamples) described.sampleCounts[sample] += 1;
      if (individuals.length > LISTED) {
        delete described.individuals;
        delete described.individualSamples;
      }
      return described;
    },
    // Up to FOUND identifiers of the sample (-1: any) that hold `text`,
    // those that begin with it first, each once; and how many hold it.
    findIndividuals(api, text, sample) {
      const wanted = String(text).toLowerCase();
      const starts = [];
      const holds = [];
      const seen = new Set();
      let count = 0;
      for (let n = 0; n < individuals.length; n++) {
        if (sample >= 0 && individualSamples[n] !== sample) continue;
        const id = individuals[n];
        const at = id.toLowerCase().indexOf(wanted);
        if (at < 0 || seen.has(id)) continue;
        seen.add(id);
        count++;
        if (at === 0 && starts.length < FOUND) starts.push(id);
        else if (at > 0 && holds.length < FOUND) holds.push(id);
      }
      return {ids: starts.concat(holds).slice(0, FOUND), count};
    },
  };

  self.onmessage = async (event) => {
    if (!ready) {
      ready = start(event.data.module);
      return;
    }
    const {id, method, args} = event.data;
    const api = await ready;
    try {
      const result = local[method] ? local[method](api, ...args) : api[method](...args);
      postMessage({type: 'result', id, result});
    } catch (error) {
      postMessage({type: 'result', id, result: {ok: false, error: String(error), notes: []}});
    }
  };
})();
