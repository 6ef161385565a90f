// The page: reads the user's data and designs, asks the worker (the
// planner's core) for the panel, the curves and the study files, and shows
// them. Every number, message, table and figure is the core's, as mpplan
// gives it, worded by the core for this page; the page only lays them out.
(function () {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const started = performance.now();

  // ---- The workers: requests by id, progress, cancel by restarting. ----
  // The first answers every request; with two cores or more a second shares
  // a curve's designs with it, and the first puts the parts together.
  const WORKERS = Math.min(2, Math.max(1, navigator.hardwareConcurrency || 1));
  let workers = [];
  let pending = new Map();
  let nextId = 1;
  let onProgress = () => {};
  // The core's limits (sires, offspring, ...), known once the worker is up.
  let limits = null;

  // The core's module, compiled once for every worker this page starts:
  // what the engine optimizes while one runs serves the others, and a run
  // cancelled does not start over from unoptimized code.
  let compiledCore = null;
  function coreModule() {
    if (!compiledCore) {
      const text = atob(window.MP_CORE_WASM);
      const bytes = new Uint8Array(text.length);
      for (let n = 0; n < text.length; n++) bytes[n] = text.charCodeAt(n);
      compiledCore = WebAssembly.compile(bytes);
    }
    return compiledCore;
  }

  function startWorkers() {
    const source = new Blob([window.MP_WORKER_SOURCE], {type: 'text/javascript'});
    const address = URL.createObjectURL(source);
    workers = [];
    pending = new Map();
    // The second worker warms the shared code up once, when the page opens;
    // workers started again after a cancel find it warm.
    const warm = !compiledCore;
    const module = coreModule();
    for (let n = 0; n < WORKERS; n++) {
      const worker = new Worker(address);
      module.then((compiled) => worker.postMessage({module: compiled, warm: warm && n > 0}),
                  (error) => setState('This browser cannot run the page\'s core: ' + error));
      worker.onmessage = async (event) => {
        const message = event.data;
        if (message.type === 'ready') {
          if (n > 0) return;
          if (!limits) {
            limits = await ask('limits');
            applyLimits();
          }
          window.mpReadyMilliseconds = performance.now() - started;
          document.body.dataset.ready = 'true';
          setState($('state').textContent === 'Cancelled.' ? 'Cancelled; ready again.' : 'Ready.');
          updateRunButton();
        } else if (message.type === 'progress') {
          onProgress(message);
        } else if (pending.has(message.id)) {
          pending.get(message.id)(message.result);
          pending.delete(message.id);
        }
      };
      workers.push(worker);
    }
  }

  function askOn(worker, method, ...args) {
    return new Promise((resolve) => {
      const id = nextId++;
      pending.set(id, resolve);
      worker.postMessage({id, method, args});
    });
  }

  function ask(method, ...args) {
    return askOn(workers[0], method, ...args);
  }

  // A curve: with one worker or one design in one piece; else the workers
  // take the designs one at a time, each the next as soon as it is free, the
  // likely slowest first (fewer sires take longer to reveal), and the first
  // joins them, byte for byte the same.
  async function askCurve(text, list, opts) {
    if (workers.length < 2 || list.length < 2) return ask('curve', text, list, opts);
    // The order of work only: a design of shares counts as two sires here.
    const sires = (design) => design.shares ? 2 : design.sires || 2;
    const queue = list.map((design, d) => d).sort((a, b) => sires(list[a]) - sires(list[b]) || a - b);
    const parts = [];
    await Promise.all(workers.map(async (worker) => {
      while (queue.length) {
        const d = queue.shift();
        parts[d] = await askOn(worker, 'curvePart', text, list, opts, d);
        if (!parts[d].ok) queue.length = 0;
      }
    }));
    const refused = parts.find((part) => part && !part.ok);
    if (refused) return ask('curve', text, list, opts);  // for the whole refusal and its notes
    return ask('curveJoined', text, list, opts, parts.map((part) => part.points).join(''));
  }

  function setState(text) {
    $('state').textContent = text;
  }

  // ---- Input ----
  let described = {format: 'study', ok: true};
  let describeTimer = 0;
  // The description in hand is of the text as it stands: Estimate waits
  // for it, so that a run never uses the format of an earlier text.
  let describing = false;

  // A file too large to show is kept here rather than in the text box,
  // which would take seconds to lay out; typing in the box sets it aside.
  const SHOWN_TEXT = 1 << 20;
  let loadedText = null;

  function inputText() {
    return loadedText !== null ? loadedText : $('text').value;
  }

  function inputName() {
    return $('file').dataset.name || (described.format === 'study' ? 'mmdata.txt' : 'input');
  }

  function updateRunButton() {
    $('run').disabled =
        document.body.dataset.ready !== 'true' || describing || running || judging;
    $('choose').disabled = $('run').disabled || choosing;
    $('judge').disabled = $('run').disabled;
  }

  function describeSoon() {
    clearTimeout(describeTimer);
    describing = true;
    updateRunButton();
    describeTimer = setTimeout(describeInput, 200);
  }

  async function describeInput() {
    clearTimeout(describeTimer);
    describing = true;
    const text = inputText();
    clearMessages('input-messages');
    clearResults();
    if (!judging) clearBroods();
    if (!text.trim()) {
      $('format').textContent = '';
      $('population-options').hidden = true;
      described = {format: 'study', ok: true};
    } else {
      $('format').textContent = '';
      const got = await ask('describe', text, structureLayout());
      if (text !== inputText()) return;  // changed again: its own description follows
      described = got;
      $('format').textContent = described.formatName
          ? 'This is a ' + described.formatName + '.'
          : 'The page cannot read this text.';
      if (!described.ok) showRefusal('input-messages', described.refusal);
    }
    const population = described.format !== 'study';
    $('population-options').hidden = !population;
    $('structure-row').hidden = described.format !== 'structure';
    clearChoice();
    if (population) {
      fillSamples();
      fillLoci();
    }
    refreshDesigns();
    describing = false;
    updateRunButton();
  }

  function fillSamples() {
    const select = $('pop');
    const previous = select.value;
    select.replaceChildren(new Option('All samples pooled', ''));
    (described.samples || []).forEach((name, n) => {
      select.add(new Option(name, String(described.format === 'genalex' ? name : n + 1)));
    });
    if ([...select.options].some((option) => option.value === previous)) select.value = previous;
  }

  // The sample chosen, as an index into described.samples; -1 pooled.
  function chosenSample() {
    const select = $('pop');
    return select.value === '' ? -1 : select.selectedIndex - 1;
  }

  // Loci are listed to tick when there are a few hundred at most; a file
  // of thousands (SNPs, a frequency table of 100000 loci) has them named in
  // a field instead, since a study holds only a few.
  const LISTED_LOCI = 300;

  function fillLoci() {
    const box = $('loci');
    box.replaceChildren();
    const loci = described.loci || [];
    $('tick-all').hidden = $('untick-all').hidden = loci.length > LISTED_LOCI;
    if (loci.length > LISTED_LOCI) {
      const label = Object.assign(document.createElement('label'), {htmlFor: 'loci-names'});
      label.textContent = `The file has ${loci.length} loci: name the ones to use, ` +
                          'separated by commas';
      const field = Object.assign(document.createElement('input'),
                                  {id: 'loci-names', spellcheck: false});
      box.append(label, field);
      checkLoci();
      return;
    }
    loci.forEach((name, n) => {
      const id = 'locus-' + n;
      const label = document.createElement('label');
      label.className = 'check-item';
      label.htmlFor = id;
      const check = Object.assign(document.createElement('input'),
                                  {type: 'checkbox', id, checked: true, value: name});
      label.append(check, ' ', name);
      box.append(label);
    });
    checkLoci();
  }

  function chosenLoci() {
    if ($('loci-names')) {
      return $('loci-names').value.split(',').map((name) => name.trim()).filter((name) => name);
    }
    const checks = [...document.querySelectorAll('#loci input')];
    const chosen = checks.filter((check) => check.checked).map((check) => check.value);
    return chosen.length === checks.length ? [] : chosen;
  }

  // A design holds at most limits.loci loci: say so as they are ticked.
  function checkLoci() {
    const most = limits ? limits.loci : Infinity;
    if ($('loci-names')) {
      const named = chosenLoci().length;
      $('loci-error').textContent = named > most
          ? `A design holds at most ${most} loci: ${named} are named.`
          : named === 0 ? `Name at most ${most} of them.` : '';
      return named > 0 && named <= most;
    }
    const checks = [...document.querySelectorAll('#loci input')];
    const ticked = checks.filter((check) => check.checked).length;
    let message = '';
    if (checks.length && ticked === 0) message = 'Tick at least one locus.';
    else if (ticked > most) {
      message = `A design holds at most ${most} loci: ${ticked} are ticked; untick ` +
                `${ticked - most}.`;
    }
    $('loci-error').textContent = message;
    return message === '';
  }

  // A STRUCTURE file's layout as typed (STRUCTURE's own settings); empty
  // for any other file, whose reader takes none.
  function structureLayout() {
    return described.format === 'structure' || !$('structure-row').hidden
      ? $('structure-layout').value.trim() : '';
  }

  function options() {
    const population = described.format !== 'study';
    return {
      name: inputName(),
      structure: described.format === 'structure' ? $('structure-layout').value.trim() : '',
      pop: population ? $('pop').value : '',
      loci: population ? chosenLoci() : [],
      poolRare: population && $('pool-rare').checked,
      asIs: $('as-is').checked,
      // As typed: the core holds it to mpplan's rule and runs exactly it.
      seed: $('seed').value.trim(),
      target: $('target').value.trim(),
      dropout: $('dropout').value.trim(),
      falseAllele: $('false-allele').value.trim(),
      verdict: $('verdict').value,
      falseDetection: $('false-detection').value.trim(),
      errorAllowance: $('error-allowance').value.trim(),
      from: $('from').value.trim(),
      to: $('to').value.trim(),
      step: $('step').value.trim(),
    };
  }

  // ---- Designs ----
  let designCount = 0;

  // The chosen sample's individuals are listed as mothers when there are at
  // most LISTED_MOTHERS of them; more are found by their identifier as it
  // is typed, so that no list of thousands is drawn.
  const LISTED_MOTHERS = 500;
  const FIND_DELAY = 150;

  // How many individuals the chosen sample holds (all, pooled).
  function individualsInSample() {
    const sample = chosenSample();
    if (sample < 0) return described.individualCount || 0;
    return (described.sampleCounts || [])[sample] || 0;
  }

  function motherOptions(select, keep) {
    const population = described.format !== 'study';
    select.replaceChildren(
        new Option(population ? 'Drawn, genotyped with the brood' : 'As in the file', ''));
    if (!population) select.add(new Option('Drawn, genotyped with the brood', 'drawn'));
    select.add(new Option('Not sampled: judged from the offspring alone', 'unsampled'));
    if (population) {
      // Only the chosen sample's individuals: she is one of them.
      const sample = chosenSample();
      if (individualsInSample() <= LISTED_MOTHERS && described.individuals) {
        described.individuals.forEach((id, n) => {
          if (id && (sample < 0 || described.individualSamples[n] === sample)) {
            select.add(new Option('Individual ' + id, id));
          }
        });
      } else if (individualsInSample() > 0) {
        select.add(new Option('An individual, found by her identifier below', 'named'));
      }
      select.add(new Option('Her alleles, typed below', 'labels'));
    }
    if ([...select.options].some((option) => option.value === keep)) select.value = keep;
  }

  function refreshDesigns() {
    for (const design of document.querySelectorAll('.design')) {
      const select = design.querySelector('.mother');
      motherOptions(select, select.value);
      const sires = design.querySelector('.sires');
      sires.options[0].textContent =
          described.format === 'study' ? 'As in the file' : '2, equal shares';
      followShares(design);
    }
  }

  // Shares typed win over the sires' count: the count is then set aside,
  // so that it never shows a number the design does not use.
  function followShares(box) {
    const typed = box.querySelector('.shares').value.trim() !== '';
    const sires = box.querySelector('.sires');
    sires.disabled = typed;
    box.querySelector('.sires-note').textContent = typed ? 'set by the shares' : '';
    box.querySelector('.labels-row').hidden = box.querySelector('.mother').value !== 'labels';
    box.querySelector('.named-row').hidden = box.querySelector('.mother').value !== 'named';
  }

  // Offers the individuals whose identifier holds what is typed, as the
  // worker finds them, a short while after the typing stops.
  function findMothers(box) {
    clearTimeout(box.findTimer);
    box.findTimer = setTimeout(async () => {
      const typed = box.querySelector('.named').value.trim();
      const found = typed ? await ask('findIndividuals', typed, chosenSample())
                          : {ids: [], count: 0};
      if (typed !== box.querySelector('.named').value.trim()) return;
      box.querySelector('datalist').replaceChildren(...found.ids.map((id) => new Option(id)));
      box.querySelector('.named-note').textContent =
          !typed ? '' : found.count === 0 ? 'No individual of the sample has it.'
                      : found.count > found.ids.length
                          ? `${found.count} individuals hold it; the first ${found.ids.length} offered.`
                          : '';
    }, FIND_DELAY);
  }

  function addDesign(copy) {
    const n = ++designCount;
    const box = document.createElement('fieldset');
    box.className = 'design';
    box.innerHTML = `
      <legend>Design ${n}</legend>
      <div><label for="sires-${n}">Sires with equal shares</label>
        <select id="sires-${n}" class="sires"><option value="">As in the file</option></select>
        <span class="sires-note note"></span></div>
      <div><label for="shares-${n}">Or their shares (for instance 0.7, 0.3)</label>
        <input id="shares-${n}" class="shares" inputmode="decimal">
        <span class="field-error shares-error" aria-live="polite"></span></div>
      <div><label for="mother-${n}">Mother</label>
        <select id="mother-${n}" class="mother"></select></div>
      <div class="named-row" hidden><label for="named-${n}">Her identifier (type to find
        her among the sample's individuals)</label>
        <input id="named-${n}" class="named" list="named-list-${n}" spellcheck="false">
        <datalist id="named-list-${n}"></datalist>
        <span class="named-note note" aria-live="polite"></span>
        <span class="field-error named-error" aria-live="polite"></span></div>
      <div class="labels-row" hidden><label for="labels-${n}">Her alleles, locus by locus
        (135/143, 136/146, ...)</label>
        <input id="labels-${n}" class="labels">
        <span class="field-error labels-error" aria-live="polite"></span></div>
      <div><label for="progress-${n}">Progress</label>
        <progress id="progress-${n}" class="progress" max="1" value="0"></progress></div>
      <div class="row"><button type="button" class="copy">Copy</button>
        <button type="button" class="remove">Remove</button></div>`;
    const sires = box.querySelector('.sires');
    // Before the core is up there are no counts to offer; applyLimits adds them.
    const most = limits ? limits.sires : 0;
    for (let k = 1; k <= most; k++) sires.add(new Option(String(k), String(k)));
    motherOptions(box.querySelector('.mother'), '');
    if (copy) {
      for (const name of ['sires', 'shares', 'mother', 'named', 'labels']) {
        box.querySelector('.' + name).value = copy.querySelector('.' + name).value;
      }
    }
    box.querySelector('.named').addEventListener('input', () => findMothers(box));
    box.querySelector('.copy').onclick = () => addDesign(box);
    box.querySelector('.remove').onclick = () => {
      if (document.querySelectorAll('.design').length > 1) box.remove();
      inputsChanged();
    };
    for (const field of box.querySelectorAll('input, select')) {
      field.addEventListener('input', () => {
        followShares(box);
        inputsChanged();
      });
      field.addEventListener('change', () => {
        followShares(box);
        checkFields();
      });
    }
    $('designs').append(box);
    refreshDesigns();
  }

  function designOf(box) {
    const design = {};
    const shares = box.querySelector('.shares').value.trim();
    const sires = box.querySelector('.sires').value;
    // As typed: the core reads a list of shares by its one rule (commas,
    // semicolons or blanks between them), as mpplan and R do.
    if (shares) design.shares = [shares];
    else if (sires) design.sires = Number(sires);
    else if (described.format !== 'study') design.sires = 2;
    const mother = box.querySelector('.mother').value;
    if (mother === 'labels') {
      design.mother = box.querySelector('.labels').value.replace(/\s+/g, '');
    } else if (mother === 'named') {
      design.mother = box.querySelector('.named').value.trim();
    } else if (mother) {
      design.mother = mother;
    }
    return design;
  }

  function designs() {
    return [...document.querySelectorAll('.design')].map(designOf);
  }

  // ---- Field checks, by the core's rules, before any work ----
  const SETTINGS = [['seed', 'seed'], ['target', 'target'], ['dropout', 'dropout'],
                    ['false-allele', 'falseAllele'], ['false-detection', 'falseDetection'],
                    ['error-allowance', 'errorAllowance'], ['from', 'from'], ['to', 'to'],
                    ['step', 'step']];

  // Checks every field alone, then all together (the first brood size
  // against the last); shows each refusal beside its field. True when
  // every field passes.
  async function checkFields() {
    const all = options();
    let good = checkLoci();
    for (const [id, key] of SETTINGS) {
      const alone = {seed: key === 'seed' ? all.seed : '0'};
      alone[key] = all[key];
      const checked = await ask('check', 'curve', alone, [{}]);
      $(id + '-error').textContent = checked.ok ? '' : checked.refusal.message;
      good = good && checked.ok;
    }
    if (good) {
      const together = await ask('check', 'curve', all, [{}]);
      $('to-error').textContent = together.ok ? '' : together.refusal.message;
      good = together.ok;
    }
    for (const box of document.querySelectorAll('.design')) {
      const checked = await ask('check', 'curve', {seed: '0'}, [designOf(box)]);
      let message = checked.ok ? '' : checked.refusal.message;
      const mother = box.querySelector('.mother').value;
      const unnamed = mother === 'named' && !box.querySelector('.named').value.trim();
      if (unnamed) message = 'Type her identifier, or choose another mother.';
      box.querySelector('.shares-error').textContent =
          mother === 'labels' || mother === 'named' ? '' : message;
      box.querySelector('.labels-error').textContent = mother === 'labels' ? message : '';
      box.querySelector('.named-error').textContent = mother === 'named' ? message : '';
      good = good && checked.ok && !unnamed;
    }
    return good;
  }

  // ---- Results ----
  function clearMessages(id) {
    $(id).replaceChildren();
  }

  // A message in the page's words, styled by its kind ('error', 'warning'
  // or 'info'): warnings and refusals stand apart from information.
  function messageLine(text, kind) {
    return Object.assign(document.createElement('p'), {textContent: text, className: kind});
  }
  function addMessage(id, text, kind) {
    $(id).append(messageLine(text, kind));
  }

  // Notes folded into one line that opens, of `kind` (its style) and
  // headed `summary`.
  function addFold(id, notes, kind, className, summary) {
    const fold = document.createElement('details');
    fold.className = `${kind} ${className}`;
    fold.append(Object.assign(document.createElement('summary'), {textContent: summary}));
    fold.append(...notes.map((note) => messageLine(note.text, kind)));
    $(id).append(fold);
  }

  // More warnings than this are folded into one line that opens, so that a
  // file's doubts (identifiers used twice, say) do not fill the page.
  const SHOWN_WARNINGS = 3;

  // The notes of a run, styled as their kinds say: each locus as read
  // folded into one line that opens, the warnings too when they are many,
  // the others as they come.
  function addNotes(id, notes) {
    const loci = notes.filter((note) => note.kind === 'locus-summary');
    const warnings = notes.filter((note) => note.kind === 'warning');
    const folded = warnings.length > SHOWN_WARNINGS;
    for (const note of notes.filter((note) => note.kind !== 'locus-summary')) {
      if (note.kind === 'warning' && folded) continue;
      addMessage(id, note.text, note.kind === 'warning' ? 'warning' : 'info');
    }
    if (folded) addFold(id, warnings, 'warning', 'warnings-read', `${warnings.length} warnings`);
    if (loci.length) addFold(id, loci, 'info', 'loci-read', `${loci.length} loci as read`);
  }

  function showRefusal(id, refusal) {
    addMessage(id, refusal.message, 'error');
  }

  // Takes down every result, so that nothing on screen belongs to inputs
  // that are no longer there.
  function clearResults() {
    clearMessages('run-messages');
    $('targets').replaceChildren();
    $('figure').replaceChildren();
    $('figure-caption').textContent = '';
    $('estimates').replaceChildren();
    $('panel').replaceChildren();
    $('study-downloads').replaceChildren();
    for (const id of ['download-csv', 'download-svg', 'download-png', 'download-panel']) {
      $(id).hidden = true;
    }
    $('results').classList.remove('shown');
  }

  // Every result, the broods' too, belongs to the inputs as they were.
  function inputsChanged() {
    if (!running) clearResults();
    if (!judging) clearBroods();
  }

  // A table of the core's rows; `rename` may replace the first column's
  // cells (a design's long label by its number).
  function showTable(id, rows, rename) {
    const table = document.createElement('table');
    rows.forEach((cells, n) => {
      const row = table.insertRow();
      cells.forEach((cell, c) => {
        const box = document.createElement(n === 0 ? 'th' : 'td');
        if (n === 0) box.scope = 'col';
        box.textContent = n > 0 && c === 0 && rename ? rename(cell) : cell;
        row.append(box);
      });
    });
    $(id).replaceChildren(table);
  }

  function offer(link, text, type) {
    if (link.href) URL.revokeObjectURL(link.href);
    link.href = URL.createObjectURL(new Blob([text], {type}));
    link.hidden = false;
  }

  // The core's figure, laid out for the width the page gives it, as a node
  // of this document. The SVG holds no script or link: the core writes
  // every text escaped.
  function figureNode(svg) {
    const parsed = new DOMParser().parseFromString(svg, 'image/svg+xml').documentElement;
    return document.importNode(parsed, true);
  }

  // The figure's size on the page: as wide as its box; the core keeps its
  // texts at 11 px or more, so it is shown at the size it was laid out.
  function figureSize(where) {
    const box = $(where || 'results').clientWidth || 800;
    const width = Math.max(320, Math.min(1200, Math.round(box)));
    return {figureWidth: width, figureHeight: Math.round(width * (width < 600 ? 0.9 : 0.7))};
  }

  let figureSvg = '';
  // Counts runs; a cancelled run finds it moved on and leaves the page alone.
  let runNumber = 0;
  let running = false;

  async function run() {
    if (describing) await describeInput();
    const text = inputText();
    clearResults();
    if (!text.trim()) {
      addMessage('input-messages', 'Paste or choose a file first.', 'error');
      return;
    }
    if (!described.ok) {
      clearMessages('input-messages');
      showRefusal('input-messages', described.refusal);
      return;
    }
    if (!(await checkFields())) {
      setState('Some fields need another value: see the messages beside them.');
      return;
    }
    clearMessages('input-messages');
    $('results').classList.add('shown');
    const opts = Object.assign(options(), figureSize());
    const list = designs();
    const bars = [...document.querySelectorAll('.design .progress')];
    bars.forEach((bar) => { bar.value = 0; });
    onProgress = (message) => {
      const bar = bars[message.design];
      if (bar) { bar.max = message.total; bar.value = message.done; }
    };
    running = true;
    updateRunButton();
    $('cancel').disabled = false;
    setState('Estimating…');
    const began = performance.now();
    const mine = ++runNumber;

    const panel = await ask('panel', text, opts);
    if (mine !== runNumber) return;
    if (panel.ok) {
      showTable('panel', panel.rows);
      offer($('download-panel'), panel.csv, 'text/csv');
    }
    const curve = await askCurve(text, list, opts);
    if (mine !== runNumber) return;
    window.mpCurveMilliseconds = performance.now() - began;
    const notes = curve.pageNotes || [];
    const targets = notes.filter((note) => note.kind === 'smallest-size');
    addNotes('input-messages', notes.filter((note) => note.kind !== 'smallest-size'));
    if (!curve.ok) {
      clearResults();
      showRefusal('input-messages', curve.refusal);
      finish('Refused: see the message under your data.');
      return;
    }
    for (const note of targets) {
      $('targets').append(Object.assign(document.createElement('li'), {textContent: note.text}));
    }
    $('figure').replaceChildren(figureNode(curve.figure));
    $('figure-caption').textContent = 'One curve per design; the dashed line is the target, ' +
        'and a ring marks the smallest brood size that reaches it. The downloads are the ' +
        'figure as the command-line planner draws it.';
    figureSvg = curve.figureFile;
    offer($('download-svg'), figureSvg, 'image/svg+xml');
    offer($('download-csv'), curve.csv, 'text/csv');
    $('download-png').hidden = false;
    const labels = curve.curves.map((c) => c.label);
    showTable('estimates', curve.rows,
              labels.length > 1 ? (cell) => 'Design ' + (labels.indexOf(cell) + 1) : null);

    // A study file for each design that has one.
    if (described.format !== 'study') {
      for (let d = 0; d < list.length; d++) {
        const study = await ask('study', text, opts, list[d]);
        if (mine !== runNumber) return;
        if (study.ok) {
          const link = Object.assign(document.createElement('a'),
                                     {download: `mmdata-design${d + 1}.txt`,
                                      textContent: `Study file, design ${d + 1}`});
          const legend = Object.assign(document.createElement('a'),
                                       {download: `mmdata-design${d + 1}.legend.csv`,
                                        textContent: `Allele legend, design ${d + 1} (CSV)`});
          link.className = 'study-file';
          offer(link, study.study, 'text/plain');
          offer(legend, study.legend, 'text/csv');
          $('study-downloads').append(link, legend);
        } else {
          // Not asked for, so no warning: the downloads say why it is missing.
          $('study-downloads').append(Object.assign(document.createElement('span'), {
            className: 'note',
            textContent: `No study file for design ${d + 1}: ${study.refusal.message}`,
          }));
        }
      }
    }
    finish('Done.');
  }

  // ---- Panel choice: loci added forward, from the ticked ones ----
  let choosing = false;
  let chosenPanel = [];

  function clearChoice() {
    clearMessages('choice-messages');
    $('choice-figure').replaceChildren();
    $('choice-table').replaceChildren();
    $('use-chosen').hidden = true;
    $('choose-state').textContent = '';
    chosenPanel = [];
  }

  async function choosePanel() {
    if (describing) await describeInput();
    clearChoice();
    if (!described.ok || described.format === 'study') return;
    const text = inputText();
    const width = Math.max(320, Math.min(1200, $('choice-box').clientWidth || 320));
    const opts = Object.assign(options(), {
      figureWidth: width,
      figureHeight: Math.round(width * (width < 600 ? 0.9 : 0.7)),
      loci: $('loci-names') ? [] : chosenLoci(),
      choose: $('choose-count').value.trim(),
      size: $('choose-size').value.trim(),
    });
    choosing = true;
    updateRunButton();
    $('choose-state').textContent = 'Choosing…';
    const mine = runNumber;
    const chosen = await ask('loci', text, opts, designs()[0]);
    choosing = false;
    updateRunButton();
    if (mine !== runNumber) return;  // cancelled: the worker that held it is gone
    addNotes('choice-messages', (chosen.pageNotes || []).filter((note) => note.kind !== 'warning'));
    if (!chosen.ok) {
      showRefusal('choice-messages', chosen.refusal);
      $('choose-state').textContent = 'Refused: see the message below.';
      return;
    }
    if (chosen.figure) $('choice-figure').replaceChildren(figureNode(chosen.figure));
    showTable('choice-table', chosen.rows);
    const column = chosen.rows[0].indexOf('locus');
    chosenPanel = chosen.rows.slice(1).map((row) => row[column]);
    $('use-chosen').hidden = chosenPanel.length === 0;
    $('choose-state').textContent = `Chose ${chosenPanel.length} loci.`;
  }

  // Ticks the chosen loci and no others (or names them where the file has
  // too many to list), in the order chosen.
  function useChosen() {
    if ($('loci-names')) {
      $('loci-names').value = chosenPanel.join(', ');
    } else {
      for (const check of document.querySelectorAll('#loci input')) {
        check.checked = chosenPanel.includes(check.value);
      }
    }
    inputsChanged();
    checkLoci();
  }

  function finish(state) {
    running = false;
    updateRunButton();
    $('cancel').disabled = true;
    setState(state);
    document.body.dataset.done = String(Number(document.body.dataset.done || 0) + 1);
  }

  function cancel() {
    runNumber++;
    running = false;
    if (judging) $('judge-state').textContent = 'Cancelled.';
    judging = false;
    for (const worker of workers) worker.terminate();
    for (const resolve of pending.values()) {
      resolve({ok: false, refusal: {message: 'Cancelled.'}, pageNotes: [], curves: []});
    }
    document.body.dataset.ready = '';
    startWorkers();
    $('cancel').disabled = true;
    updateRunButton();  // disabled until the new worker is ready
    setState('Cancelled.');
  }

  function downloadPng() {
    const image = new Image();
    image.onload = () => {
      const canvas = Object.assign(document.createElement('canvas'),
                                   {width: image.width * 2, height: image.height * 2});
      const context = canvas.getContext('2d');
      context.scale(2, 2);
      context.drawImage(image, 0, 0);
      const link = Object.assign(document.createElement('a'),
                                 {href: canvas.toDataURL('image/png'), download: 'curve.png'});
      document.body.append(link);
      link.click();
      link.remove();
    };
    image.src = 'data:image/svg+xml;charset=utf-8,' + encodeURIComponent(figureSvg);
  }

  // A file as UTF-8, or where it is not, as Windows-1252 (the usual case of
  // a spreadsheet saved on Windows), with a note that says so.
  async function decodeFile(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    let text;
    let note = '';
    try {
      text = new TextDecoder('utf-8', {fatal: true}).decode(bytes);
    } catch (error) {
      text = new TextDecoder('windows-1252').decode(bytes);
      note = `${file.name} is not UTF-8 text; it was read as Windows-1252 ` +
             '(Western European). Check the names below.';
    }
    return {bytes, note, text: text.replace(/^\uFEFF/, '')};
  }

  async function readFile(file) {
    const {bytes, note, text} = await decodeFile(file);
    if (text.length > SHOWN_TEXT) {
      loadedText = text;
      $('text').value = '';
      $('text').placeholder = `${file.name} (${(bytes.length / 1048576).toFixed(1)} MB) is read ` +
                              'as it is, too large to show here; type or paste here to use ' +
                              'another text instead.';
    } else {
      loadedText = null;
      $('text').value = text;
    }
    $('file').dataset.name = file.name;
    await describeInput();
    if (note) addMessage('input-messages', note, 'warning');
  }

  // ---- Broods judged after the field work ----
  let broodLoaded = null;  // a brood file too large to show, as loadedText
  let judging = false;

  function broodText() {
    return broodLoaded !== null ? broodLoaded : $('brood-text').value;
  }

  function clearBroods() {
    clearMessages('brood-messages');
    for (const id of ['brood-summary', 'brood-figure', 'brood-table', 'brood-families',
                      'brood-fathers', 'brood-downloads']) {
      $(id).replaceChildren();
    }
    $('brood-results').hidden = true;
    $('judge-state').textContent = '';
  }

  async function readBroodFile(file) {
    const {bytes, note, text} = await decodeFile(file);
    clearBroods();
    if (text.length > SHOWN_TEXT) {
      broodLoaded = text;
      $('brood-text').value = '';
      $('brood-text').placeholder = `${file.name} (${(bytes.length / 1048576).toFixed(1)} MB) ` +
                                    'is read as it is, too large to show here.';
    } else {
      broodLoaded = null;
      $('brood-text').value = text;
    }
    $('brood-file').dataset.name = file.name;
    if (note) addMessage('brood-messages', note, 'warning');
  }

  // A download link for one of the broods' files.
  function broodDownload(name, text, label) {
    const link = Object.assign(document.createElement('a'), {download: name, textContent: label});
    offer(link, text, name.endsWith('.svg') ? 'image/svg+xml' : 'text/csv');
    $('brood-downloads').append(link);
  }

  async function judgeBroods() {
    if (describing) await describeInput();
    clearBroods();
    const text = broodText();
    if (!text.trim()) {
      addMessage('brood-messages', 'Paste or choose a brood file first.', 'error');
      return;
    }
    const fromData = $('brood-frequencies').value === 'population';
    if (fromData && !inputText().trim()) {
      addMessage('brood-messages', 'Give your population sample under 1, or take the allele ' +
                 'frequencies from the mothers alone.', 'error');
      return;
    }
    if (!(await checkFields())) {
      $('judge-state').textContent = 'Some fields under 3 need another value.';
      return;
    }
    const all = options();
    const opts = Object.assign({
      name: $('brood-file').dataset.name || 'broods',
      seed: all.seed,
      dropout: all.dropout,
      falseAllele: all.falseAllele,
      falseDetection: all.falseDetection,
      errorAllowance: all.errorAllowance,
      verdict: $('brood-verdict').value,
      mothers: $('brood-mothers').value.trim() || 'first',
    }, figureSize('broods-section'));
    if (fromData) Object.assign(opts, {population: inputText(), populationName: inputName(), pop: all.pop});
    // The designs' sires; their mothers are the broods' own.
    const sires = designs().map((design) => ({sires: design.sires, shares: design.shares}));
    judging = true;
    updateRunButton();
    $('cancel').disabled = false;
    $('judge-state').textContent = 'Judging… (Cancel under 3 stops it)';
    const mine = ++runNumber;
    const result = await ask('broods', text, sires, opts);
    judging = false;
    if (mine !== runNumber) return;  // cancelled
    addNotes('brood-messages', result.pageNotes || []);
    if (!result.ok) {
      showRefusal('brood-messages', result.refusal);
      finishJudging('Refused: see the message above.');
      return;
    }
    $('brood-results').hidden = false;
    showTable('brood-summary', result.summaryRows);
    $('brood-figure').replaceChildren(figureNode(result.figure));
    showTable('brood-table', result.rows);
    const families = result.familiesRows.length > 1;
    $('brood-families-box').hidden = !families;
    $('brood-fathers-box').hidden = !families;
    if (families) {
      showTable('brood-families', result.familiesRows);
      showTable('brood-fathers', result.fathersRows);
    }
    broodDownload('broods.csv', result.csv, 'Broods (CSV)');
    broodDownload('summary.csv', result.summary, 'The share (CSV)');
    broodDownload('mismatches.csv', result.mismatches, 'Mismatches (CSV)');
    if (families) {
      broodDownload('families.csv', result.families, 'Families (CSV)');
      broodDownload('fathers.csv', result.fathers, 'Fathers (CSV)');
    }
    broodDownload('broods.svg', result.figureFile, 'Figure (SVG)');
    finishJudging('Done.');
  }

  function finishJudging(state) {
    $('judge-state').textContent = state;
    $('cancel').disabled = true;
    updateRunButton();
    document.body.dataset.judged = String(Number(document.body.dataset.judged || 0) + 1);
  }

  // The fields' limits from the core.
  function applyLimits() {
    for (const id of ['from', 'to', 'step']) $(id).max = String(limits.offspring);
    for (const box of document.querySelectorAll('.design .sires')) {
      while (box.options.length > limits.sires + 1) box.remove(box.options.length - 1);
      for (let k = box.options.length; k <= limits.sires; k++) box.add(new Option(String(k), String(k)));
    }
    checkLoci();
  }

  // ---- Wiring ----
  startWorkers();
  $('seed').value = String(Math.floor(Date.now() / 1000) % 4294967296);
  $('new-seed').onclick = () => {
    $('seed').value = String(Math.floor(Date.now() / 1000) % 4294967296);
    inputsChanged();
    checkFields();
  };
  addDesign();
  $('add-design').onclick = () => { addDesign(); inputsChanged(); };
  $('run').onclick = run;
  $('cancel').onclick = cancel;
  $('download-png').onclick = downloadPng;
  $('choose').onclick = choosePanel;
  $('use-chosen').onclick = useChosen;
  $('file').onchange = () => { if ($('file').files[0]) readFile($('file').files[0]); };
  $('judge').onclick = judgeBroods;
  $('brood-file').onchange = () => {
    if ($('brood-file').files[0]) readBroodFile($('brood-file').files[0]);
  };
  $('brood-text').addEventListener('input', () => {
    broodLoaded = null;
    $('brood-text').placeholder = '';
    delete $('brood-file').dataset.name;
    clearBroods();
  });
  for (const id of ['brood-frequencies', 'brood-mothers', 'brood-verdict']) {
    $(id).addEventListener('change', clearBroods);
  }
  $('text').addEventListener('input', () => {
    loadedText = null;
    $('text').placeholder = '';
    delete $('file').dataset.name;
    clearResults();
    describeSoon();
  });
  for (const [id] of SETTINGS) {
    $(id).addEventListener('input', inputsChanged);
    $(id).addEventListener('change', () => checkFields());
  }
  $('verdict').addEventListener('change', inputsChanged);
  for (const id of ['pop', 'pool-rare', 'as-is']) {
    $(id).addEventListener('change', () => {
      inputsChanged();
      if (id === 'pop') refreshDesigns();
    });
  }
  $('structure-layout').addEventListener('input', () => { clearResults(); describeSoon(); });
  $('loci').addEventListener('change', () => { inputsChanged(); checkLoci(); });
  $('loci').addEventListener('input', (event) => {
    if (event.target.id === 'loci-names') { inputsChanged(); checkLoci(); }
  });
  for (const [id, ticked] of [['tick-all', true], ['untick-all', false]]) {
    $(id).onclick = () => {
      for (const check of document.querySelectorAll('#loci input')) check.checked = ticked;
      inputsChanged();
      checkLoci();
    };
  }
  $('text').addEventListener('dragover', (event) => {
    event.preventDefault();
    $('text').classList.add('dragging');
  });
  $('text').addEventListener('dragleave', () => $('text').classList.remove('dragging'));
  $('text').addEventListener('drop', (event) => {
    event.preventDefault();
    $('text').classList.remove('dragging');
    if (event.dataTransfer.files[0]) readFile(event.dataTransfer.files[0]);
  });
})();
