// The web core under node against the native mpplan: on generated study
// files, Genepop and GenAlEx files and frequency tables, every subcommand
// with the same words and seed must give the same bytes (tables, study
// files, legends) and the same messages.
//   node tests/web/parity.js PLAN_CORE_JS PLAN_JS MPPLAN [cases]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {spawnSync} = require('child_process');

const [coreFile, apiFile, mpplanFile, casesText] = process.argv.slice(2);
const mpplan = path.resolve(mpplanFile);
const createPlanCore = require(path.resolve(coreFile));
const {makePlanApi} = require(path.resolve(apiFile));
const cases = Number(casesText || 40);

// A small seeded generator, so that every run checks the same files.
function generator(seed) {
  let a = seed >>> 0;
  return (n) => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return (((t ^ (t >>> 14)) >>> 0) % n);
  };
}

function studyFile(below) {
  const loci = 1 + below(8);
  const alleles = [];
  let text = `${loci}\n`;
  for (let i = 0; i < loci; i++) {
    const count = 1 + below(12);
    alleles.push(count);
    const weights = Array.from({length: count}, () => 1 + below(50));
    const sum = weights.reduce((x, y) => x + y, 0);
    text += `${count} ${weights.map((w) => (w / sum).toFixed(6)).join(' ')}\n`;
  }
  const sires = 1 + below(5);
  text += `${sires}\n${Array.from({length: sires}, () => (1 / sires).toFixed(4)).join(' ')}\n`;
  text += below(2) ? '99 0\n' : alleles.map((a) => `${below(a)} ${below(a)}`).join(' ') + '\n';
  return text;
}

function genotypes(below, loci, individuals) {
  const sizes = Array.from({length: loci}, () => 2 + below(14));
  return Array.from({length: individuals}, () =>
    sizes.map((k) => (below(25) === 0 ? [0, 0] : [100 + 2 * below(k), 100 + 2 * below(k)])));
}

function genepopFile(below) {
  const loci = 1 + below(10);
  const rows = genotypes(below, loci, 6 + below(40));
  const names = Array.from({length: loci}, (_, i) => `L${i + 1}`);
  let text = `generated\n${names.join(', ')}\nPop\n`;
  rows.forEach((row, n) => {
    if (n === 3) text += 'Pop\n';
    const code = (a) => String(a).padStart(3, '0');
    text += `i${n}, ${row.map(([a, b]) => code(a) + code(b)).join(' ')}\n`;
  });
  return text;
}

function genalexFile(below) {
  const loci = 1 + below(6);
  const rows = genotypes(below, loci, 5 + below(30));
  let text = `${loci},${rows.length},2,${rows.length - 2},2\nT,,,A,B\nSample,Pop`;
  for (let i = 0; i < loci; i++) text += `,G${i + 1},`;
  text += '\n';
  rows.forEach((row, n) => {
    text += `s${n},${n < rows.length - 2 ? 'A' : 'B'},${row.map(([a, b]) => `${a},${b}`).join(',')}\n`;
  });
  return text;
}

function tableFile(below) {
  let text = 'locus,allele,frequency\n';
  for (let i = 0; i < 1 + below(6); i++) {
    const count = 1 + below(9);
    for (let a = 0; a < count; a++) text += `T${i},${150 + a},${(1 / count).toFixed(5)}\n`;
  }
  return text;
}

// The mpplan words for what the page asks with these fields: the page
// hands the core its fields, mpplan its words, and both must come to the
// same request.
function mpplanWords(command, options, design) {
  const o = options || {};
  const d = design || {};
  const list = [command];
  if (o.format) list.push('--format', o.format);
  if (o.structure) list.push('--structure', o.structure);
  if (o.pop) list.push('--pop', String(o.pop));
  const cell = (name) => (/[",]/.test(name) ? '"' + name.replace(/"/g, '""') + '"' : name);
  if (o.loci && o.loci.length) list.push('--loci', o.loci.map(cell).join(','));
  if (o.poolRare) list.push('--pool-rare');
  if (o.asIs) list.push('--as-is');
  if (d.sires) list.push('--sires', String(d.sires));
  if (d.shares) list.push('--shares', d.shares.join(','));
  if (d.mother) list.push('--mother', d.mother);
  if (command === 'curve') {
    const option = {from: '--from', to: '--to', step: '--step', target: '--target',
                    dropout: '--dropout', falseAllele: '--false-allele',
                    verdict: '--verdict', falseDetection: '--false-detection',
                    errorAllowance: '--error-allowance'};
    for (const key of Object.keys(option)) if (o[key]) list.push(option[key], String(o[key]));
  }
  if (command === 'loci') list.push('--size', String(o.size));
  if (command === 'loci' && o.choose) list.push('--choose', String(o.choose));
  if (command === 'curve' || command === 'loci') {
    list.push('--seed', String(o.seed === undefined ? '0' : o.seed).trim());
  }
  return list;
}

function native(words, folder) {
  const run = spawnSync(mpplan, words, {cwd: folder, encoding: 'utf8'});
  return {status: run.status, out: run.stdout, err: run.stderr};
}

// The native messages the core's notes stand for: without the seed line
// and the legend's place, and a refusal without the command's name.
function nativeNotes(err) {
  return err.split('\n').filter((line) => line && !line.startsWith('Seed: ') &&
                                           !line.startsWith('mpplan: allele legend'));
}

(async () => {
  const api = makePlanApi(await createPlanCore());
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'mpplan-parity-'));
  const below = generator(2026);
  let checks = 0;
  let failures = 0;
  const expectSame = (what, a, b) => {
    checks++;
    if (a !== b) {
      failures++;
      console.error(`MISMATCH ${what}\n--- native\n${a}\n--- web\n${b}`);
    }
  };
  // What the page shows names no option of the command line.
  const optionName = /(^|[ (])--[a-z]/;
  const pageWordsHold = (what, result) => {
    checks++;
    const shown = [result.refusal ? result.refusal.message : '',
                   ...(result.pageNotes || []).map((note) => note.text)];
    const named = shown.filter((line) => optionName.test(line));
    if (named.length) {
      failures++;
      console.error(`OPTION NAMED on the page by ${what}: ${named.join(' | ')}`);
    }
  };
  try {
    // The seed runs as the field shows it or not at all: what mpplan
    // refuses, the core refuses, and a seed it takes is the one run.
    for (const seed of ['4294967296', '-1', '1.9', '1e3', ' ', 'x']) {
      const refused = api.curve('1\n2 0.5 0.5\n2\n0.5 0.5\n0 1\n', [{}], {name: 's.txt', seed, to: 2});
      expectSame(`seed ${seed} refused`, false, refused.ok);
      pageWordsHold(`seed ${seed}`, refused);
      expectSame(`seed ${seed} refused before work`, false, api.check('curve', {seed}, [{}]).ok);
    }
    expectSame('seed 4294967295 taken', true, api.check('curve', {seed: '4294967295'}, [{}]).ok);
    // Refusals that name options, worded for the page.
    for (const [words, design] of [[{seed: 1, target: '2'}, {}], [{seed: 1, from: '50', to: '10'}, {}],
                                   [{seed: 1, dropout: '0.9'}, {}], [{seed: 1}, {sires: 101}],
                                   [{seed: 1}, {shares: ['0.7', 'x']}]]) {
      const checked = api.check('curve', words, [design]);
      expectSame(`check ${JSON.stringify([words, design])}`, false, checked.ok);
      pageWordsHold(`check ${JSON.stringify([words, design])}`, checked);
    }
    for (let n = 0; n < cases; n++) {
      const kind = n % 4;
      const text = [studyFile, genepopFile, genalexFile, tableFile][kind](below);
      const name = `input${n}.txt`;
      fs.writeFileSync(path.join(folder, name), text);
      const seed = below(1 << 30);
      const options = {name, seed, from: 1 + below(3), to: 12 + below(20), step: 1 + below(3), size: 8};
      if (kind === 2 && below(2)) options.pop = 'B';
      if (n % 3 === 1) Object.assign(options, {dropout: '0.02', falseAllele: String(below(3) / 100)});
      const designs = kind === 0 ? [{}, {shares: [0.7, 0.3]}]
                                 : [{sires: 1 + below(4)}, {shares: [0.9, 0.1], mother: 'untyped'}];
      const runs = [
        ['curve', () => api.curve(text, designs, options), designs],
        ['panel', () => api.panel(text, options), [{}]],
      ];
      if (kind !== 0) runs.push(['study', () => api.study(text, options, designs[0]), [designs[0]]]);
      if (n % 5 === 0) runs.push(['loci', () => api.loci(text, options), [{}]]);
      for (const [command, web, used] of runs) {
        const result = web();
        const label = `${command} on ${name}`;
        pageWordsHold(label, result);
        if (result.ok && command !== 'study') {
          expectSame(label + ' rows', result.csv.split('\n').filter((r) => r).length,
                     result.rows.length);
        }
        if (command === 'curve') {
          // Each design alone natively: its rows are the web's rows for it.
          const rows = result.csv.split('\n').slice(1).filter((r) => r);
          used.forEach((design, d) => {
            const words = [...mpplanWords(command, options, design), name];
            const got = native(words, folder);
            expectSame(`${label} design ${d} status (${words.join(' ')})`, got.status === 0, result.ok);
            if (got.status !== 0 || !result.ok) return;
            const prefix = result.curves[d].label + ',';
            const mine = rows.filter((r) => r.startsWith(prefix)).map((r) => r.slice(prefix.length));
            const theirs = got.out.split('\n').slice(1).filter((r) => r);
            expectSame(`${label} design ${d} (${words.join(' ')})`, theirs.join('\n'), mine.join('\n'));
            // The design's target line is the note of that kind that names it.
            const line = nativeNotes(got.err).pop();
            const targets = result.pageNotes.filter((n) => n.kind === 'smallest-size' && n.design === d);
            expectSame(`${label} design ${d} target line`, result.curves[d].label + ': ' +
                       line.charAt(0).toLowerCase() + line.slice(1), targets.length === 1 && targets[0].text);
          });
          continue;
        }
        const extra = command === 'study' ? ['--legend', 'legend.csv'] : [];
        const words = [...mpplanWords(command, options, used[0]), name, ...extra];
        const got = native(words, folder);
        expectSame(`${label} status (${words.join(' ')})`, got.status === 0, result.ok);
        if (got.status === 0) {
          expectSame(label + ' output', got.out, command === 'study' ? result.study : result.csv);
          if (command === 'study') {
            expectSame(label + ' legend', fs.readFileSync(path.join(folder, 'legend.csv'), 'utf8'), result.legend);
          }
          expectSame(label + ' messages', nativeNotes(got.err).join('\n'), result.notes.join('\n'));
        } else if (!result.ok) {
          expectSame(label + ' refusal', nativeNotes(got.err).pop(), 'mpplan: ' + result.error);
        }
      }
      // A run split into parts, as the page splits it among its workers,
      // joins into the same result, byte for byte.
      if (n % 2 === 0) {
        const whole = api.curve(text, designs, options);
        // Parts in another order than the designs', as the page's workers
        // may finish them.
        const parts = designs.map((_, d) => api.curvePart(text, designs, options, designs.length - 1 - d));
        if (parts.every((p) => p.ok)) {
          const joined = api.curveJoined(text, designs, options, parts.map((p) => p.points).join(''));
          expectSame(`split curve on ${name}`, whole.csv, joined.csv);
          expectSame(`split curve notes on ${name}`, whole.notes.join('\n'), joined.notes.join('\n'));
          expectSame(`split curve figure on ${name}`, whole.figureFile, joined.figureFile);
        } else {
          expectSame(`split curve refused on ${name}`, whole.ok, false);
        }
      }
      // Designs that differ only in their shares are one mpplan command:
      // the whole table, byte for byte.
      if (kind !== 0) {
        const shares = [{shares: [0.5, 0.5]}, {shares: [0.8, 0.2]}, {sires: 3}];
        const result = api.curve(text, shares, options);
        const words = [...mpplanWords('curve', options, shares[0]), '--shares', '0.8,0.2', '--sires', '3',
                       name];
        const got = native(words, folder);
        expectSame(`curve on ${name} status (${words.join(' ')})`, got.status === 0, result.ok);
        if (got.status === 0) expectSame(`curve on ${name} (${words.join(' ')})`, got.out, result.csv);
      }
    }
    // Broods judged on the page are mpplan's, table by table: the allele
    // rule under two designs, the likelihood (the default with errors)
    // with its families and fathers, frequencies from the mothers alone,
    // and a refusal.
    const examples = path.join(__dirname, '..', '..', 'examples');
    for (const file of ['broods.gen', 'population.gen']) {
      fs.copyFileSync(path.join(examples, file), path.join(folder, file));
    }
    const broodText = fs.readFileSync(path.join(folder, 'broods.gen'), 'utf8');
    const populationText = fs.readFileSync(path.join(folder, 'population.gen'), 'utf8');
    const files = ['--plot', 'b.svg', '--mismatches', 'm.csv', '--summary', 's.csv',
                   '--families', 'f.csv', '--fathers', 'p.csv'];
    for (const [what, options, designs, words] of [
      ['allele rule, two designs', {seed: 7, population: populationText},
       [{sires: 2}, {shares: [0.6, 0.4]}],
       ['--seed', '7', '--population', 'population.gen', '--sires', '2', '--shares', '0.6,0.4']],
      ['likelihood with errors', {seed: 3, population: populationText, dropout: '0.01',
                                  loci: ['Mpa01', 'Mpa02', 'Mpa05']}, [{}],
       ['--seed', '3', '--population', 'population.gen', '--dropout', '0.01', '--loci',
        'Mpa01,Mpa02,Mpa05']],
      ['the mothers alone', {seed: 11, mothers: 'first', verdict: 'alleles'}, [{sires: 3}],
       ['--seed', '11', '--mothers', 'first', '--verdict', 'alleles', '--sires', '3']],
      ['a locus the population lacks', {seed: 1, population: populationText, loci: ['Mpa99']}, [{}],
       ['--seed', '1', '--population', 'population.gen', '--loci', 'Mpa99']],
    ]) {
      const result = api.broods(broodText, designs,
                                Object.assign({name: 'broods.gen', populationName: 'population.gen'},
                                              options));
      pageWordsHold(`broods, ${what}`, result);
      const likelihood = words.includes('--dropout');
      const got = native(['broods', 'broods.gen', ...words,
                          ...(likelihood ? files : files.slice(0, 6))], folder);
      expectSame(`broods, ${what}: status`, got.status === 0, result.ok);
      if (got.status !== 0) {
        expectSame(`broods, ${what}: refusal`, nativeNotes(got.err).pop(), 'mpplan: ' + result.error);
        continue;
      }
      expectSame(`broods, ${what}: table`, got.out, result.csv);
      expectSame(`broods, ${what}: messages`, nativeNotes(got.err).join('\n'), result.notes.join('\n'));
      const read = (file) => fs.readFileSync(path.join(folder, file), 'utf8');
      expectSame(`broods, ${what}: mismatches`, read('m.csv'), result.mismatches);
      expectSame(`broods, ${what}: summary`, read('s.csv'), result.summary);
      expectSame(`broods, ${what}: summary rows`, result.summary.split('\n').filter((r) => r).length,
                 result.summaryRows.length);
      if (likelihood) {
        expectSame(`broods, ${what}: families`, read('f.csv'), result.families);
        expectSame(`broods, ${what}: fathers`, read('p.csv'), result.fathers);
      }
      expectSame(`broods, ${what}: the figure`, read('b.svg'), result.figureFile);
      expectSame(`broods, ${what}: a figure laid out`, true, result.figure.includes('<svg'));
    }

    // A NUL in a file reaches the core with the rest of the text (not cut
    // there), and is refused as mpplan refuses it.
    const nul = 't\nL1, L2\nPop\na, 0101 0102\nb, 01\u000002 0101\nc, 0202 0202\n';
    fs.writeFileSync(path.join(folder, 'nul.gen'), nul);
    const refused = api.panel(nul, {name: 'nul.gen'});
    const got = native(['panel', 'nul.gen'], folder);
    expectSame('panel on nul.gen status', got.status === 0, refused.ok);
    expectSame('panel on nul.gen refusal', nativeNotes(got.err).pop(), 'mpplan: ' + refused.error);
    expectSame('describe nul.gen', false, api.describe(nul).ok);
  } finally {
    fs.rmSync(folder, {recursive: true, force: true});
  }
  console.log(`${checks - failures} passed, ${failures} failed`);
  process.exit(failures === 0 && checks > cases ? 0 : 1);
})();
