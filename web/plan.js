// The planner in JavaScript: a thin module over the WebAssembly core, used by
// the page's worker and by the tests under node. Every call hands the core
// the page's fields as text; the core reads and checks them by the
// planner's own rules, as mpplan's are, and returns plain objects.
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
//   api.broods(text, designs, options) -> {ok, error, csv, notes, figure, figureFile,
//                                          mismatches, families, fathers, summary (CSV), and
//                                          rows, summaryRows, familiesRows, ... of each}: the
//                                          broods of `text` judged, with options.population the
//                                          population sample's text (else the mothers give the
//                                          frequencies) and each design's sires or shares
//   api.check(command, options, designs) -> {ok, refusal}: the planner's checks of the fields
//   api.curvePart(text, designs, options, design) -> {ok, refusal, points}: one design's
//   api.curveJoined(text, designs, options, points) -> as api.curve, from the parts' points
//   api.limits()                        -> {loci, alleles, sires, offspring, designs, errorRate, trials}
// Results also carry refusal {message, kind, limit, line, locus, sample,
// individual} and pageNotes [{text, kind, design, locus}], worded for the page (no
// option names), and rows, the table.
//
// options: {name, format, structure (a STRUCTURE file's layout), pop, loci: [names], poolRare, asIs, seed, from, to,
// step, target, dropout, falseAllele, verdict ("alleles" or "likelihood"; for broods, empty:
// the likelihood with errors, else the allele rule), falseDetection, errorAllowance, size,
// figureWidth, figureHeight, and for broods mothers ("first", "maternal" or a pattern),
// population (the population sample's text) and populationName}; design: {sires: N} or {shares: [0.6, 0.4]}, and
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
    const field = (key, value) =>
      withString(key, (k) => withString(String(value), (v) => core._mp_field(k, v)));
    const designField = (key, value) =>
      withString(key, (k) => withString(String(value), (v) => core._mp_design_field(k, v)));
    const input = (name, text) =>
      withString(name, (n) => withString(text, (t, length) => core._mp_input(n, t, length)));

    // The fields of a run, as the page holds them; the seed as typed, so
    // that the core holds it to the planner's rule and runs exactly the
    // number the field shows, never wrapped or rounded into another.
    function setDesigns(command, options, designs) {
      const o = options || {};
      reset();
      withString(command, (at) => core._mp_command(at));
      if (o.format) field('format', o.format);
      if (o.structure) field('structure', o.structure);
      if (o.pop) field('pop', o.pop);
      // A locus name with a comma or a quote goes in quotes, as in a CSV
      // cell; the core reads the list so.
      const cell = (name) => (/[",]/.test(name) ? '"' + name.replace(/"/g, '""') + '"' : name);
      if (o.loci && o.loci.length) field('loci', o.loci.map(cell).join(','));
      if (o.poolRare) field('pool_rare', '1');
      if (o.asIs) field('as_is', '1');
      if (command === 'curve' || command === 'broods') {
        for (const [key, name] of [['from', 'from'], ['to', 'to'], ['step', 'step'],
                                   ['target', 'target'], ['dropout', 'dropout'],
                                   ['falseAllele', 'false_allele'], ['verdict', 'verdict'],
                                   ['falseDetection', 'false_detection'],
                                   ['errorAllowance', 'error_allowance']]) {
          if (o[key]) field(name, o[key]);
        }
      }
      if (command === 'broods') {
        if (o.mothers) field('mothers', o.mothers);
        if (o.population) field('population', o.populationName || 'population');
      }
      if (command === 'loci') {
        field('size', o.size);
        if (o.choose) field('choose', o.choose);
      }
      if (o.figureWidth) core._mp_figure_size(Number(o.figureWidth), Number(o.figureHeight));
      if (command === 'curve' || command === 'loci' || command === 'broods') {
        field('seed', String(o.seed === undefined ? '0' : o.seed).trim());
      }
      // Broods are judged under every design's sires, as one design's
      // variants; the mothers are the broods' own.
      if (command === 'broods') startDesign();
      for (const design of designs) {
        const d = design || {};
        if (command !== 'broods') startDesign();
        if (d.sires) designField('sires', d.sires);
        if (d.shares) designField('shares', d.shares.join(','));
        if (d.mother && command !== 'broods') designField('mother', d.mother);
      }
    }

    function call(command, text, options, designs) {
      const o = options || {};
      setDesigns(command, o, designs);
      input(o.name || 'input', text);
      return JSON.parse(run(0));
    }

    // Whether the planner takes these fields, before any work.
    function check(command, options, designs) {
      setDesigns(command, options || {}, designs && designs.length ? designs : [{}]);
      return JSON.parse(core.UTF8ToString(core._mp_check()));
    }

    const basics = (r) => ({ok: r.ok, error: r.error, notes: r.notes, refusal: r.refusal,
                            pageNotes: r.pageNotes, rows: r.rows});

    return {
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
      broods(text, designs, options) {
        const o = options || {};
        setDesigns('broods', o, designs && designs.length ? designs : [{}]);
        input(o.name || 'broods', text);
        if (o.population) input(o.populationName || 'population', o.population);
        const r = JSON.parse(run(0));
        return Object.assign(basics(r), {
          csv: r.output, figure: r.figure, figureFile: r.figureFile,
          mismatches: r.mismatches, families: r.families, fathers: r.fathers, summary: r.summary,
          mismatchesRows: r.mismatchesRows, familiesRows: r.familiesRows,
          fathersRows: r.fathersRows, summaryRows: r.summaryRows,
        });
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
