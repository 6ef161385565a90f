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
  // The core is made of the compiled module the page sends ({module, warm});
  // a request that comes before it waits for it.
  let startWith = null;
  const ready = new Promise((resolve) => {
    startWith = (module, warm) => resolve(start(module, warm));
  });
  function start(module, warm) {
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
      const api = makePlanApi(core);
      if (warm) warmUp(api);
      return api;
    });
  }

  // A short run of the estimator on a small study of its own (10 loci of 10
  // equal alleles, two sires), made by the second worker while the user sets
  // up the first real run, its result thrown away. The browser optimizes
  // code only once it has run a while, and then for every worker sharing
  // the module: without this, a first run of 8 designs took a third longer
  // than the next. It costs that worker 0.1 to 0.3 s of work when the page
  // opens; a request sent to it meanwhile waits for it to end.
  function warmUp(api) {
    let study = '10\n';
    for (let i = 0; i < 10; i++) study += '10' + ' 0.1'.repeat(10) + '\n';
    study += '2\n0.5 0.5\n99 0\n';
    api.curvePart(study, [{sires: 2}], {seed: 1, from: 2, to: 100, step: 7}, 0);
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
    if (event.data.module) {
      startWith(event.data.module, event.data.warm);
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
