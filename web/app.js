// The page: reads the user's data and designs, asks the worker (the
// planner's core) for the panel, the curves and the study file, and shows
// them. Every number shown and every file offered is the core's, as mpplan
// gives it; the page only draws the figure.
(function () {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const started = performance.now();
  const COLORS = ['#9400d3', '#009e73', '#56b4e9', '#e69f00', '#0072b2', '#d55e00', '#cc79a7',
                  '#000000'];

  // ---- The worker: requests by id, progress, cancel by restarting. ----
  let worker = null;
  let pending = new Map();
  let nextId = 1;
  let onProgress = () => {};

  function startWorker() {
    const source = new Blob([window.MP_WORKER_SOURCE], {type: 'text/javascript'});
    worker = new Worker(URL.createObjectURL(source));
    pending = new Map();
    worker.onmessage = (event) => {
      const message = event.data;
      if (message.type === 'ready') {
        window.mpReadyMilliseconds = performance.now() - started;
        document.body.dataset.ready = 'true';
        setState($('state').textContent === 'Cancelled.' ? 'Cancelled; ready again.' : 'Ready.');
        $('run').disabled = false;
      } else if (message.type === 'progress') {
        onProgress(message);
      } else if (pending.has(message.id)) {
        pending.get(message.id)(message.result);
        pending.delete(message.id);
      }
    };
  }

  function ask(method, ...args) {
    return new Promise((resolve) => {
      const id = nextId++;
      pending.set(id, resolve);
      worker.postMessage({id, method, args});
    });
  }

  function setState(text) {
    $('state').textContent = text;
  }

  // ---- Input ----
  let described = {format: 'study'};
  let describeTimer = 0;

  function inputText() {
    return $('text').value;
  }

  function inputName() {
    return $('file').dataset.name || (described.format === 'study' ? 'mmdata.txt' : 'input');
  }

  async function describeInput() {
    const text = inputText();
    clearMessages('input-messages');
    if (!text.trim()) {
      $('format').textContent = '';
      $('population-options').hidden = true;
      return;
    }
    described = await ask('describe', text);
    const names = {study: 'a study file', genepop: 'a Genepop file', genalex: 'a GenAlEx file',
                   frequencies: 'a frequency table'};
    $('format').textContent = 'This is ' + names[described.format] + '.';
    const population = described.format !== 'study';
    $('population-options').hidden = !population;
    if (population && !described.ok) {
      addMessage('input-messages', inputName() + ', ' + described.error, true);
    }
    if (population) {
      fillSamples();
      fillLoci();
    }
    refreshMothers();
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

  function fillLoci() {
    const box = $('loci');
    box.replaceChildren();
    (described.loci || []).forEach((name, n) => {
      const id = 'locus-' + n;
      const check = Object.assign(document.createElement('input'),
                                  {type: 'checkbox', id, checked: true, value: name});
      const label = Object.assign(document.createElement('label'), {htmlFor: id, textContent: name});
      const item = document.createElement('span');
      item.append(check, ' ', label);
      box.append(item);
    });
  }

  function chosenLoci() {
    const checks = [...document.querySelectorAll('#loci input')];
    const chosen = checks.filter((check) => check.checked).map((check) => check.value);
    return chosen.length === checks.length ? [] : chosen;
  }

  function options() {
    const population = described.format !== 'study';
    return {
      name: inputName(),
      pop: population ? $('pop').value : '',
      loci: population ? chosenLoci() : [],
      poolRare: population && $('pool-rare').checked,
      asIs: $('as-is').checked,
      seed: Number($('seed').value) >>> 0,
      target: $('target').value,
      dropout: $('dropout').value,
      falseAllele: $('false-allele').value,
      from: $('from').value,
      to: $('to').value,
      step: $('step').value,
    };
  }

  // ---- Designs ----
  let designCount = 0;

  function motherOptions(select, keep) {
    const population = described.format !== 'study';
    select.replaceChildren(
        new Option(population ? 'Drawn, genotyped with the brood' : 'As in the file', ''));
    if (!population) select.add(new Option('Drawn, genotyped with the brood', 'drawn'));
    select.add(new Option('Not sampled: judged from the offspring alone', 'unsampled'));
    if (population) {
      for (const id of described.individuals || []) {
        if (id) select.add(new Option('Individual ' + id, id));
      }
      select.add(new Option('Her alleles, typed below', 'labels'));
    }
    if ([...select.options].some((option) => option.value === keep)) select.value = keep;
  }

  function refreshMothers() {
    for (const design of document.querySelectorAll('.design')) {
      const select = design.querySelector('.mother');
      motherOptions(select, select.value);
      const sires = design.querySelector('.sires');
      sires.options[0].textContent = described.format === 'study' ? 'As in the file' : '2 (default)';
    }
  }

  function addDesign(copy) {
    const n = ++designCount;
    const box = document.createElement('fieldset');
    box.className = 'design';
    box.innerHTML = `
      <legend>Design ${n}</legend>
      <div><label for="sires-${n}">Sires with equal shares</label>
        <select id="sires-${n}" class="sires"><option value="">As in the file</option></select></div>
      <div><label for="shares-${n}">Or their shares (for instance 0.7, 0.3)</label>
        <input id="shares-${n}" class="shares" inputmode="decimal"></div>
      <div><label for="mother-${n}">Mother</label>
        <select id="mother-${n}" class="mother"></select></div>
      <div><label for="labels-${n}">Her alleles, locus by locus (135/143, 136/146, ...)</label>
        <input id="labels-${n}" class="labels"></div>
      <div><label for="progress-${n}">Progress</label>
        <progress id="progress-${n}" class="progress" max="1" value="0"></progress></div>
      <div class="row"><button type="button" class="copy">Copy</button>
        <button type="button" class="remove">Remove</button></div>`;
    const sires = box.querySelector('.sires');
    for (let k = 1; k <= 10; k++) sires.add(new Option(String(k), String(k)));
    motherOptions(box.querySelector('.mother'), '');
    if (copy) {
      for (const name of ['sires', 'shares', 'mother', 'labels']) {
        box.querySelector('.' + name).value = copy.querySelector('.' + name).value;
      }
    }
    box.querySelector('.copy').onclick = () => addDesign(box);
    box.querySelector('.remove').onclick = () => {
      if (document.querySelectorAll('.design').length > 1) box.remove();
    };
    $('designs').append(box);
    refreshMothers();
  }

  function designs() {
    return [...document.querySelectorAll('.design')].map((box) => {
      const design = {};
      const shares = box.querySelector('.shares').value.trim();
      const sires = box.querySelector('.sires').value;
      if (shares) design.shares = shares.split(/[\s,;]+/).filter((s) => s);
      else if (sires) design.sires = Number(sires);
      else if (described.format !== 'study') design.sires = 2;
      const mother = box.querySelector('.mother').value;
      if (mother === 'labels') {
        design.mother = box.querySelector('.labels').value.replace(/\s+/g, '');
      } else if (mother) {
        design.mother = mother;
      }
      return design;
    });
  }

  // ---- Results ----
  function clearMessages(id) {
    $(id).replaceChildren();
  }

  function addMessage(id, text, error) {
    const line = document.createElement('p');
    line.textContent = text;
    if (error) line.className = 'error';
    $(id).append(line);
  }

  function csvRows(csv) {
    const rows = [];
    for (const line of csv.split('\n')) {
      if (!line) continue;
      const cells = [];
      let cell = '';
      let quoted = false;
      for (let i = 0; i < line.length; i++) {
        const c = line[i];
        if (quoted && c === '"' && line[i + 1] === '"') { cell += '"'; i++; }
        else if (c === '"') quoted = !quoted;
        else if (c === ',' && !quoted) { cells.push(cell); cell = ''; }
        else cell += c;
      }
      cells.push(cell);
      rows.push(cells);
    }
    return rows;
  }

  function showTable(id, csv) {
    const rows = csvRows(csv);
    const table = document.createElement('table');
    rows.forEach((cells, n) => {
      const row = table.insertRow();
      for (const cell of cells) {
        const box = document.createElement(n === 0 ? 'th' : 'td');
        if (n === 0) box.scope = 'col';
        box.textContent = cell;
        row.append(box);
      }
    });
    $(id).replaceChildren(table);
  }

  function offer(id, text, type) {
    const link = $(id);
    if (link.href) URL.revokeObjectURL(link.href);
    link.href = URL.createObjectURL(new Blob([text], {type}));
    link.hidden = false;
  }

  // The core's figure, laid out for the width the page gives it, as a node
  // of this document. The SVG holds no script or link: the core writes
  // every text escaped.
  function figureNode(svg) {
    const parsed = new DOMParser().parseFromString(svg, 'image/svg+xml').documentElement;
    const node = document.importNode(parsed, true);
    node.removeAttribute('width');
    node.removeAttribute('height');
    return node;
  }

  // The figure's size on the page: as wide as its box, and no text smaller
  // than the core allows (it lays out at least 11 px).
  function figureSize() {
    const width = Math.max(320, Math.min(1200, Math.round($('figure').clientWidth || 800)));
    return {figureWidth: width, figureHeight: Math.round(width * 0.75)};
  }

  let figureSvg = '';
  // Counts runs; a cancelled run finds it moved on and leaves the page alone.
  let runNumber = 0;

  async function run() {
    const text = inputText();
    if (!text.trim()) {
      addMessage('input-messages', 'Paste or choose a file first.', true);
      return;
    }
    clearMessages('input-messages');
    clearMessages('run-messages');
    $('targets').replaceChildren();
    for (const id of ['download-csv', 'download-svg', 'download-png', 'download-study',
                      'download-legend', 'download-panel']) {
      $(id).hidden = true;
    }
    const opts = Object.assign(options(), figureSize());
    const list = designs();
    const bars = [...document.querySelectorAll('.design .progress')];
    bars.forEach((bar) => { bar.value = 0; });
    onProgress = (message) => {
      const bar = bars[message.design];
      if (bar) { bar.max = message.total; bar.value = message.done; }
    };
    $('run').disabled = true;
    $('cancel').disabled = false;
    setState('Estimating…');
    const began = performance.now();
    const mine = ++runNumber;

    const panel = await ask('panel', text, opts);
    if (mine !== runNumber) return;
    if (panel.ok) {
      showTable('panel', panel.csv);
      offer('download-panel', panel.csv, 'text/csv');
    } else {
      $('panel').replaceChildren();
    }
    const curve = await ask('curve', text, list, opts);
    if (mine !== runNumber) return;
    window.mpCurveMilliseconds = performance.now() - began;
    for (const note of curve.notes.slice(0, curve.notes.length - curve.curves.length)) {
      addMessage('input-messages', note, false);
    }
    if (!curve.ok) {
      addMessage('input-messages', curve.error, true);
      finish('Refused: see the message under your data.');
      return;
    }
    for (const line of curve.notes.slice(curve.notes.length - curve.curves.length)) {
      $('targets').append(Object.assign(document.createElement('li'), {textContent: line}));
    }
    showTable('estimates', curve.csv);
    offer('download-csv', curve.csv, 'text/csv');
    $('figure').replaceChildren(figureNode(curve.figure));
    $('figure-caption').textContent = 'One curve per design; the dashed line is the target, ' +
        'and a ring marks the smallest brood size that reaches it. The downloads are the ' +
        'figure as the command-line planner draws it.';
    figureSvg = curve.figureFile;
    offer('download-svg', figureSvg, 'image/svg+xml');
    $('download-png').hidden = false;

    if (described.format !== 'study') {
      const study = await ask('study', text, opts, list[0]);
      if (mine !== runNumber) return;
      if (study.ok) {
        offer('download-study', study.study, 'text/plain');
        offer('download-legend', study.legend, 'text/csv');
      } else {
        addMessage('run-messages', 'Study file for design 1: ' + study.error, true);
      }
    }
    finish('Done.');
  }

  function finish(state) {
    $('run').disabled = false;
    $('cancel').disabled = true;
    setState(state);
    document.body.dataset.done = String(Number(document.body.dataset.done || 0) + 1);
  }

  function cancel() {
    runNumber++;
    worker.terminate();
    for (const resolve of pending.values()) resolve({ok: false, error: 'Cancelled.', notes: [], curves: []});
    startWorker();
    $('cancel').disabled = true;
    $('run').disabled = true;  // until the new worker is ready
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

  async function readFile(file) {
    $('text').value = await file.text();
    $('file').dataset.name = file.name;
    describeInput();
  }

  // ---- Wiring ----
  startWorker();
  $('seed').value = String(Math.floor(Date.now() / 1000) >>> 0);
  $('new-seed').onclick = () => { $('seed').value = String(Math.floor(Date.now() / 1000) >>> 0); };
  addDesign();
  $('add-design').onclick = () => addDesign();
  $('run').onclick = run;
  $('cancel').onclick = cancel;
  $('download-png').onclick = downloadPng;
  $('file').onchange = () => { if ($('file').files[0]) readFile($('file').files[0]); };
  $('text').addEventListener('input', () => {
    delete $('file').dataset.name;
    clearTimeout(describeTimer);
    describeTimer = setTimeout(describeInput, 200);
  });
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
