// The planner in JavaScript: a thin module over the WebAssembly core, used by
// the page's worker and by the tests under node. Every call becomes the words
// of an mpplan command line, so that the core parses and checks them exactly
// as mpplan does, and returns plain objects.
//
//   const api = makePlanApi(await createPlanCore());
//   api.describe(text)                  -> {format, formatName (empty: none the page reads), ok,
//                                          error, loci, samples, individuals (names made
//                                          unique with their sample), individualSamples}
//   api.study(text, options)            -> {ok, error, study, legend, notes}
//   api.panel(text, options)            -> {ok, error, csv, notes}
//   api.curve(text, designs, options)   -> {ok, error, csv, curves, notes, figure, figureFile}
//   api.loci(text, options)             -> {ok, error, csv, notes, figure}: the ranking, or
//                                          with options.choose the panel chosen forward
//   api.words(command, options, design) -> the mpplan words for one design
//   api.check(command, options, designs) -> {ok, refusal}: mpplan's checks of the words
//   api.curvePart(text, designs, options, design) -> {ok, refusal, points}: one design's
//   api.curveJoined(text, designs, options, points) -> as api.curve, from the parts' points
//   api.limits()                        -> {loci, alleles, sires, offspring, designs, errorRate, trials}
// Results also carry refusal {message, kind, limit, line, locus, sample,
// individual} and pageNotes [{text, kind, design, locus}], worded for the page (no
// option names), and rows, the table.
//
// options: {name, format, structure (a STRUCTURE file's layout), pop, loci: [names], poolRare, asIs, seed, from, to,
// step, target, dropout, falseAllele, size, figureWidth, figureHeight}; design: {sires: N} or {shares: [0.6, 0.4]}, and
// mother: "drawn" (or "untyped"), "unsampled", an individual's identifier or
// labels "135/143,...".
(function (root) {
  'use strict';

  function makePlanApi(core) {
    const reset = core.cwrap('mp_reset', null, []);
    const startDesign = core.cwrap('mp_design', null, []);
    const run = core.cwrap('mp_run', 'string', ['number']);

    // Strings of any size go through the heap, not the stack, with their
    // length, so that a NUL in a file reaches the core's check rather than
    // cutting the text short.
    function withString(text, use) {
      const size = core.lengthBytesUTF8(text) + 1;
      const at = core._malloc(size);
      core.stringToUTF8(text, at, size);
      try {
        return use(at, size - 1);
      } finally {
        core._free(at);
      }
    }
    const word = (text) => withString(text, (at) => core._mp_word(at));
    const input = (name, text) =>
      withString(name, (n) => withString(text, (t, length) => core._mp_input(n, t, length)));

    function words(command, options, design) {
      const o = options || {};
      const d = design || {};
      const list = [command];
      if (o.format) list.push('--format', o.format);
      if (o.structure) list.push('--structure', o.structure);
      if (o.pop) list.push('--pop', String(o.pop));
      // A locus name with a comma or a quote goes in quotes, as in a CSV
      // cell; the core reads the list so.
      const cell = (name) => (/[",]/.test(name) ? '"' + name.replace(/"/g, '""') + '"' : name);
      if (o.loci && o.loci.length) list.push('--loci', o.loci.map(cell).join(','));
      if (o.poolRare) list.push('--pool-rare');
      if (o.asIs) list.push('--as-is');
      if (d.sires) list.push('--sires', String(d.sires));
      if (d.shares) list.push('--shares', d.shares.join(','));
      if (d.mother) list.push('--mother', d.mother);
      if (command === 'curve') {
        if (o.from) list.push('--from', String(o.from));
        if (o.to) list.push('--to', String(o.to));
        if (o.step) list.push('--step', String(o.step));
        if (o.target) list.push('--target', String(o.target));
        if (o.dropout) list.push('--dropout', String(o.dropout));
        if (o.falseAllele) list.push('--false-allele', String(o.falseAllele));
        if (o.figureWidth) list.push('--size', `${o.figureWidth}x${o.figureHeight}`);
      }
      if (command === 'loci') list.push('--size', String(o.size));
      if (command === 'loci' && o.choose) list.push('--choose', String(o.choose));
      if (command === 'loci' && o.figureWidth) {
        list.push('--plot-size', `${o.figureWidth}x${o.figureHeight}`);
      }
      // The seed goes as mpplan's word, so that the core holds it to
      // mpplan's rule and runs exactly the number the field shows; it is
      // never wrapped or rounded into another.
      if (command === 'curve' || command === 'loci') {
        list.push('--seed', String(o.seed === undefined ? '0' : o.seed).trim());
      }
      return list;
    }

    function setDesigns(command, options, designs) {
      reset();
      for (const design of designs) {
        startDesign();
        for (const w of words(command, options, design)) word(w);
      }
    }

    function call(command, text, options, designs) {
      const o = options || {};
      setDesigns(command, o, designs);
      input(o.name || 'input', text);
      return JSON.parse(run(0));
    }

    // Whether mpplan would take these words, before any work.
    function check(command, options, designs) {
      setDesigns(command, options || {}, designs && designs.length ? designs : [{}]);
      return JSON.parse(core.UTF8ToString(core._mp_check()));
    }

    const basics = (r) => ({ok: r.ok, error: r.error, notes: r.notes, refusal: r.refusal,
                            pageNotes: r.pageNotes, rows: r.rows});

    return {
      words,
      check,
      limits() {
        return JSON.parse(core.UTF8ToString(core._mp_limits()));
      },
      describe(text, layout) {
        return JSON.parse(withString(text, (at, length) => withString(layout || '', (l) =>
          core.UTF8ToString(core._mp_describe(at, length, l)))));
      },
      study(text, options, design) {
        const r = call('study', text, options, [design || {}]);
        return Object.assign(basics(r), {study: r.output, legend: r.legend});
      },
      panel(text, options) {
        const r = call('panel', text, options, [{}]);
        return Object.assign(basics(r), {csv: r.output});
      },
      // A curve run split among workers: each estimates its part of the
      // designs (d % parts === part); the points of all parts, joined, give
      // the whole run's result, byte for byte as curve() gives it.
      curvePart(text, designs, options, design) {
        const o = options || {};
        setDesigns('curve', o, designs && designs.length ? designs : [{}]);
        input(o.name || 'input', text);
        return JSON.parse(core.UTF8ToString(core._mp_run_part(design)));
      },
      curveJoined(text, designs, options, points) {
        const o = options || {};
        setDesigns('curve', o, designs && designs.length ? designs : [{}]);
        input(o.name || 'input', text);
        const r = withString(points, (at, length) =>
          JSON.parse(core.UTF8ToString(core._mp_run_joined(at, length))));
        return Object.assign(basics(r), {csv: r.output, curves: r.curves, trials: r.trials,
                                         figure: r.figure, figureFile: r.figureFile});
      },
      curve(text, designs, options) {
        const r = call('curve', text, options, designs && designs.length ? designs : [{}]);
        return Object.assign(basics(r), {csv: r.output, curves: r.curves, trials: r.trials,
                                         figure: r.figure, figureFile: r.figureFile});
      },
      loci(text, options, design) {
        const r = call('loci', text, options, [design || {}]);
        return Object.assign(basics(r), {csv: r.output, figure: r.figure, figureFile: r.figureFile});
      },
    };
  }

  if (typeof module === 'object' && module.exports) {
    module.exports = {makePlanApi};
  } else {
    root.makePlanApi = makePlanApi;
  }
})(typeof self !== 'undefined' ? self : this);
