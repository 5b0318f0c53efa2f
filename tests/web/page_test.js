// The page in Debian's chromium or firefox-esr, headless, opened from disk:
// typed and clicked answers give the expected console and outputs, a run
// starts only with its three inputs, failed and cancelled runs offer no
// download, a run that selected no programme holds user.drc back, the
// receiver-file view equals --list, the accessibility checker finds nothing
// before, during and after runs, the question and its buttons are in view on
// a phone, a small laptop, a desktop and at 200% zoom, and nothing is fetched
// from anywhere. The node runner is the reference for error lines and --list.
//
// Usage: node page_test.js PAGE NODE_RUNNER [--browser chromium|firefox]
//                          [--screenshots DIR] [--drive DIR]
//   --screenshots DIR  keeps a picture of each screen size (light and dark)
//                      at the first question and after the run in DIR.
//   --drive DIR        only times a run on DIR's files (answers y, y, Enter,
//                      y); no checks.
'use strict';
const puppeteer = require('puppeteer-core');
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [pagePath, runnerPath, ...options] = process.argv.slice(2);
const nodeRunner = path.resolve(runnerPath);
const option = (name) => { const i = options.indexOf(name); return i < 0 ? null : options[i + 1]; };
const browserName = option('--browser') || 'chromium';
const chromium = browserName === 'chromium';
const here = __dirname;
const example = path.join(here, '../../examples/drive-c');
const expected = path.join(here, '../e2e/expected');
const outputs = ['user.drc', 'tunewerk.txt', 'audio.txt', 'video.txt'];
const browserPaths = {
  chromium: ['/usr/lib/chromium/chromium', '/usr/bin/chromium'],
  firefox: ['/usr/lib/firefox-esr/firefox-esr', '/usr/bin/firefox-esr'],
};
const axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');

let failures = 0, passes = 0;
const pageErrors = [];  // script errors and refusals the pages reported
const outside = [];     // requests for anything but the page and what it made
function check(name, ok, detail) {
  if (ok) { passes++; return; }
  failures++;
  console.log(`FAIL [${browserName}] ${name}${detail ? ': ' + detail : ''}`);
}

function scratchDrive(files) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tunewerk-page-'));
  for (const [name, bytes] of Object.entries(files)) fs.writeFileSync(path.join(dir, name), bytes);
  return dir;
}

// The node runner on a drive of `files` with the answers on standard input;
// with the outputs it wrote.
function reference(files, args, answers) {
  const dir = scratchDrive(files);
  const r = childProcess.spawnSync(nodeRunner, args, { cwd: dir, input: answers });
  const written = Object.fromEntries(outputs.filter((n) => fs.existsSync(path.join(dir, n)))
    .map((n) => [n, fs.readFileSync(path.join(dir, n))]));
  return { status: r.status, stdout: r.stdout.toString(), stderr: r.stderr.toString(), written };
}

// The drive that fills the receiver's tables, from the bench's generator.
function maximalFiles() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tunewerk-maximal-'));
  childProcess.execFileSync('python3', [path.join(here, '../../bench/benchtool.py'), 'max-drive', dir]);
  return Object.fromEntries(fs.readdirSync(dir).map((n) => [n, fs.readFileSync(path.join(dir, n))]));
}

// A page of its own; `viewport` before the page loads (a phone's touch
// screen reloads it). Each blob the page makes is kept, so that a download
// link's bytes can be read back without fetching.
async function openPage(browser, viewport = { width: 1366, height: 768 }, dark = false) {
  const page = await browser.newPage();
  page.setDefaultTimeout(20000);
  page.on('pageerror', (error) => pageErrors.push(error.message));
  page.on('console', (message) => { if (message.type() === 'error') pageErrors.push(message.text()); });
  page.on('request', (request) => { if (!/^(file|blob|data):/.test(request.url())) outside.push(request.url()); });
  await page.setViewport(viewport);
  if (dark && chromium) await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]);
  await page.evaluateOnNewDocument(() => {
    const make = URL.createObjectURL;
    window.madeBlobs = new Map();
    URL.createObjectURL = (blob) => { const url = make(blob); window.madeBlobs.set(url, blob); return url; };
  });
  await page.goto('file://' + path.resolve(pagePath));
  await page.waitForSelector('body[data-ready="yes"]');
  const loadMs = await page.evaluate(() => performance.getEntriesByType('navigation')[0].loadEventEnd);
  return { page, loadMs: Math.round(loadMs) };
}

const text = (page, selector) => page.$eval(selector, (e) => e.textContent);
const screenRows = (page) =>
  page.$$eval('#screen > *', (rows) => rows.map((row) => row.textContent.replace(/[\s\u00a0]+$/, '')));

async function waitForQuestion(page, count) {
  await page.waitForFunction((n) => {
    const text = document.querySelector('#screen').textContent;
    return (text.match(/\?/g) || []).length >= n && !document.querySelector('#key-y').disabled;
  }, {}, count);
}

// Drive C's files by the file picker, the folder picker, or dropped on the page.
async function pickFiles(page, dir, how) {
  const names = fs.readdirSync(dir).map((n) => path.join(dir, n));
  if (how === 'folder') return (await page.$('#drive-folder')).uploadFile(dir);
  if (how !== 'drop') return (await page.$('#drive-files')).uploadFile(...names);
  const files = names.map((n) => ({ name: path.basename(n), base64: fs.readFileSync(n).toString('base64') }));
  await page.evaluate((files) => {
    const transfer = new DataTransfer();
    for (const f of files) {
      transfer.items.add(new File([Uint8Array.from(atob(f.base64), (c) => c.charCodeAt(0))], f.name));
    }
    document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, files);
}

// Answers each question as it comes. Typed: the answer's letters, then Enter;
// "\b" is Backspace, and an answer ending in "\x04" (Ctrl-D) is not ended by
// Enter. With buttons: y, n, Enter ("") or "cancel".
async function answer(page, answers, byButtons) {
  const buttons = { y: '#key-y', n: '#key-n', '': '#key-enter', cancel: '#cancel' };
  for (let i = 0; i < answers.length; ++i) {
    await waitForQuestion(page, i + 1);
    const a = answers[i];
    if (byButtons) {
      await page.click(buttons[a]);
      continue;
    }
    await page.click('#screen');
    for (const c of a) {
      if (c === '\b') {
        await page.keyboard.press('Backspace');
      } else if (c === '\x04') {
        await page.keyboard.down('Control');
        await page.keyboard.press('KeyD');
        await page.keyboard.up('Control');
      } else {
        await page.keyboard.type(c);
      }
    }
    if (!a.endsWith('\x04')) await page.keyboard.press('Enter');
  }
}

const ended = (page) => page.waitForSelector('body[data-exit-status]');
const exitStatus = (page) => page.$eval('body', (b) => Number(b.dataset.exitStatus));
const warnings = (page) => page.$$eval('#warnings > li', (items) => items.map((item) => item.textContent));

// The bytes behind each download link, by the file name it offers.
async function downloads(page) {
  const got = await page.evaluate(async () => {
    const files = {};
    for (const link of document.querySelectorAll('a[download]')) {
      const bytes = new Uint8Array(await window.madeBlobs.get(link.href).arrayBuffer());
      files[link.download] = Array.from(bytes, (b) => String.fromCharCode(b)).join('');
    }
    return files;
  });
  return Object.fromEntries(Object.entries(got).map(([n, s]) => [n, Buffer.from(s, 'latin1')]));
}

// The accessibility checker's WCAG 2.1 A and AA rules on the page as it is.
async function checkAccessible(page, stage) {
  if (!(await page.evaluate(() => typeof axe !== 'undefined'))) await page.evaluate(axeSource);
  const violations = await page.evaluate(async () => {
    const result = await axe.run(document, { runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] } });
    return result.violations.map((v) => `${v.id} at ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
  });
  check(`accessibility ${stage}`, violations.length === 0, violations.join('; '));
}

const sortedAnswers = ['y', 'n', '', 'y'];
const exampleFiles = (rename = (n) => n) => Object.fromEntries(
  ['user.sdx', 'vaz3er.ini', '3ci.drc'].map((n) => [rename(n), fs.readFileSync(path.join(example, n))]));
const withoutFile = (files, name) => Object.fromEntries(Object.entries(files).filter(([n]) => n !== name));

// Each run: the drive's files, how they come in, the answers, and what the
// page must show. `golden` names the expected files of a successful run;
// `missing` the inputs the page must name before any question; `errorLine`
// the line of a run that ends with status 1 and offers nothing; `empty` a run
// that selects no programme. Otherwise the page must give the node runner's
// exit status, warnings or error line, and outputs for the same files and
// answers (`fails`: status 1, no output).
const runs = [
  { name: 'typed', files: exampleFiles(), answers: sortedAnswers, golden: 'example-sorted', accessible: true },
  { name: 'buttons', files: exampleFiles(), answers: sortedAnswers, byButtons: true, golden: 'example-sorted' },
  { name: 'example button', pick: 'example', answers: sortedAnswers, byButtons: true, golden: 'example-sorted',
    table: true },
  { name: 'keep order', pick: 'example', keepOrder: true, files: exampleFiles(), answers: sortedAnswers,
    byButtons: true, table: true },
  { name: 'edited answer', files: exampleFiles(), answers: ['n\by', 'yy\b\bn', 'x\b', 'y'], golden: 'example-sorted' },
  { name: 'upper-case names', files: exampleFiles((n) => n.toUpperCase()), answers: sortedAnswers, golden: 'example-sorted' },
  { name: 'folder picker', files: exampleFiles(), pick: 'folder', answers: sortedAnswers, golden: 'example-sorted',
    only: 'chromium' },  // firefox's remote protocol sets no folder
  { name: 'dropped files', files: exampleFiles(), pick: 'drop', answers: sortedAnswers, golden: 'example-sorted' },
  { name: 'picked one by one', files: exampleFiles(), pick: 'one by one', answers: sortedAnswers, golden: 'example-sorted' },
  { name: 'no 3ci.drc', files: withoutFile(exampleFiles(), '3ci.drc'), missing: ['3ci.drc'] },
  { name: 'only vaz3er.ini', files: { 'vaz3er.ini': exampleFiles()['vaz3er.ini'] }, missing: ['3ci.drc', 'user.sdx'] },
  { name: 'short 3ci.drc', files: { ...exampleFiles(), '3ci.drc': exampleFiles()['3ci.drc'].subarray(0, 1000) },
    answers: sortedAnswers, fails: true },
  { name: 'a receiver file as user.sdx', files: { ...exampleFiles(), 'user.sdx': exampleFiles()['3ci.drc'] },
    answers: sortedAnswers, byButtons: true, empty: true, accessible: true },
  { name: 'warning at the limit', files: maximalFiles(), answers: ['y', 'y', '', 'y'] },
  { name: 'Ctrl-D at a question', files: exampleFiles(), answers: ['y', 'n\x04\x04'],
    errorLine: /^tunewerk: cancelled at a question/ },
  { name: 'Cancel', files: exampleFiles(), answers: ['y', 'cancel'], byButtons: true,
    errorLine: /^tunewerk: cancelled at a question/, accessible: true },
];

async function checkGolden(page, run, links) {
  check(`${run.name}: exit status`, (await exitStatus(page)) === 0, String(await exitStatus(page)));
  const rows = await screenRows(page);
  const lengths = await page.$$eval('#screen > *', (r) => r.map((row) => Array.from(row.textContent).length));
  check(`${run.name}: 25 rows of 80`, lengths.length === 25 && lengths.every((n) => n === 80));
  const console = fs.readFileSync(path.join(expected, run.golden, 'console.txt'), 'utf8').split('\n');
  for (let i = 0; i < 25; ++i) {
    check(`${run.name}: row ${i + 1}`, rows[i] === (console[i] || ''), JSON.stringify(rows[i]));
  }
  for (const name of outputs) {
    const file = fs.readFileSync(path.join(expected, run.golden, name));
    check(`${run.name}: ${name}`, links[name] && Buffer.compare(links[name], file) === 0, 'differs or missing');
  }
  check(`${run.name}: says what to do`, /^Done: load user\.drc into your receiver/.test(await text(page, '#status')));
  check(`${run.name}: no warning`, (await warnings(page)).length === 0);
}

async function checkRun(browser, run) {
  const dir = run.files ? scratchDrive(run.files) : null;
  const want = run.golden || run.errorLine || run.missing ? null
    : reference(run.files, run.keepOrder ? ['--keep-order'] : [], run.answers.join('\n') + '\n');
  const { page } = await openPage(browser);
  if (run.keepOrder) await page.click('#keep-order');
  if (run.accessible) await checkAccessible(page, `${run.name}: before the run`);
  if (run.pick === 'example') {
    await page.click('#try-example');
  } else if (run.pick === 'one by one') {
    for (const name of fs.readdirSync(dir)) {
      check(`${run.name}: no question before ${name}`, await page.$eval('#key-y', (b) => b.disabled));
      await (await page.$('#drive-files')).uploadFile(path.join(dir, name));
    }
  } else {
    await pickFiles(page, dir, run.pick);
  }
  if (run.missing) {
    await page.waitForFunction(() => document.querySelector('#status').textContent !== '');
    const inputs = await page.$$eval('#inputs > li', (items) => items.map((i) => [i.dataset.name, i.dataset.present]));
    const missing = inputs.filter(([, present]) => present === 'no').map(([name]) => name).sort();
    check(`${run.name}: missing inputs named`, JSON.stringify(missing) === JSON.stringify(run.missing), JSON.stringify(inputs));
    const status = await text(page, '#status');
    check(`${run.name}: says what to pick`, run.missing.every((name) => status.includes(name)), status);
    check(`${run.name}: no run`, (await page.$eval('#screen', (s) => s.textContent.trim())) === '' &&
          (await page.$eval('#key-y', (b) => b.disabled)) && (await page.$('body[data-exit-status]')) === null);
    await page.close();
    return;
  }
  const answers = run.answers.slice();
  if (run.accessible) {
    await waitForQuestion(page, 1);
    await checkAccessible(page, `${run.name}: at a question`);
  }
  await answer(page, answers, run.byButtons);
  await ended(page);
  const status = await exitStatus(page), errorText = await text(page, '#status');
  let links = await downloads(page);
  if (run.accessible) await checkAccessible(page, `${run.name}: after the run`);
  check(`${run.name}: answer buttons idle`,
        await page.$$eval('.keys button', (buttons) => buttons.every((b) => b.disabled)));
  if (run.golden) {
    await checkGolden(page, run, links);
  } else if (run.errorLine) {
    check(`${run.name}: exit status`, status === 1, String(status));
    check(`${run.name}: error line`, run.errorLine.test(errorText), JSON.stringify(errorText));
    check(`${run.name}: no download`, Object.keys(links).length === 0);
  } else {
    check(`${run.name}: exit status`, status === want.status && (status === 1) === Boolean(run.fails),
          `${status}, the node runner's ${want.status}`);
    const lines = want.stderr.split('\n').filter((line) => line !== '');
    if (status === 0) {
      check(`${run.name}: one warning each`, JSON.stringify(await warnings(page)) ===
            JSON.stringify(lines.map((line) => line.replace(/^tunewerk: warning: /, ''))), JSON.stringify(lines));
    } else {
      check(`${run.name}: standard error`, errorText + '\n' === want.stderr, JSON.stringify(errorText));
    }
    if (run.empty) {
      check(`${run.name}: user.drc held back`, !links['user.drc'] && Object.keys(links).length === 3 &&
            (await page.$('#confirm-empty')) !== null && (await page.$eval('#confirm-box', (b) => !b.hidden)));
      check(`${run.name}: not done`, !/^Done/.test(errorText), errorText);
      await page.click('#confirm-empty');
      links = await downloads(page);
    }
    check(`${run.name}: downloads`, Object.keys(links).length === Object.keys(want.written).length &&
          Object.entries(want.written).every(([n, bytes]) => links[n] && Buffer.compare(links[n], bytes) === 0));
  }
  if (run.table) await checkTable(page, run.name, exampleFiles()['3ci.drc'], links['user.drc']);
  // Run again: the same files, a new run from the banner.
  await page.click('#run-again');
  await waitForQuestion(page, 1);
  check(`${run.name}: run again starts anew`, (await page.$$('a[download]')).length === 0 &&
        (await page.$$('#warnings > li')).length === 0 && !(await page.$('body[data-exit-status]')));
  await page.close();
}

// The result table against --compare of the old receiver file and the new
// user.drc: the summary line, one row per programme of user.drc, marked new or
// renumbered as the change lines say and kept otherwise, and the gone ones
// below; the filter keeps the rows that hold its text.
async function checkTable(page, name, oldDrc, userDrc) {
  const want = reference({ '3ci.drc': oldDrc, 'user.drc': userDrc }, ['--compare', '3ci.drc', 'user.drc'], '');
  const lines = want.stdout.split('\n');
  const changes = lines.map((line) => /^([+~-]) +(\d+|-) +(\d+|-) (\S+) +(.{15})/.exec(line)).filter(Boolean);
  const marked = new Map(changes.filter((c) => c[1] !== '-')
    .map((c) => [`${c[4]} ${c[3]}`, { change: c[1] === '+' ? 'new' : 'renumbered', name: c[5].trimEnd() }]));
  const count = Number((/^New: user\.drc, (\d+) programmes/m.exec(want.stdout) || [])[1]);
  const rows = await page.$$eval('table#programmes tbody tr', (rows) => rows.map((r) =>
    ({ change: r.dataset.change, number: r.cells[0].textContent, name: r.cells[1].textContent, kind: r.cells[3].textContent })));
  check(`${name}: summary`, (await text(page, '#compare-summary')) === lines[0], lines[0]);
  check(`${name}: a row per programme`, want.status === 0 && rows.length === count, `${rows.length} of ${count}`);
  const wrong = rows.filter((row) => {
    const mark = marked.get(`${row.kind} ${row.number}`);
    return mark ? mark.change !== row.change || mark.name !== row.name : row.change !== 'kept';
  });
  check(`${name}: rows marked as --compare says`, wrong.length === 0 && marked.size > 0, JSON.stringify(wrong));
  check(`${name}: gone`, (await page.$$('#gone > li')).length === changes.filter((c) => c[1] === '-').length);
  await page.type('#filter', 'island');
  const shown = await page.$$eval('table#programmes tbody tr', (rows) =>
    rows.filter((r) => !r.hidden).map((r) => r.cells[1].textContent));
  check(`${name}: filter`, shown.length === rows.filter((r) => /island/i.test(r.name)).length && shown.length > 0,
        JSON.stringify(shown));
}

// The question and the answer buttons inside the viewport, the console's 80
// columns within the page's width; a picture at the first question and one
// after the run. `zoom` 2 is a browser at 200%: half the CSS pixels.
const prompts = ['Include scrambled programmes (y=yes)?', 'Include C-Band (y=yes)?',
                 'Sort alphabetically by satellite (n=no)?', 'Include feeds & test cards (y=yes)?'];
const screens = [
  { name: 'phone', width: 390, height: 844, touch: true },
  { name: 'laptop', width: 1024, height: 600 },
  { name: 'laptop-200', width: 1024, height: 600, zoom: 2 },
  { name: 'desktop', width: 1366, height: 768 },
];

async function checkScreen(browser, screen, dark) {
  const zoom = screen.zoom || 1;
  const touch = Boolean(screen.touch && chromium);  // firefox's remote protocol has no touch screen
  const viewport = { width: screen.width / zoom, height: screen.height / zoom, deviceScaleFactor: zoom,
                     isMobile: touch, hasTouch: touch };
  const label = `${screen.name}${dark ? ' dark' : ''}`;
  const { page } = await openPage(browser, viewport, dark);
  if (touch) {
    check(`${label}: no folder picker or drop on a touch screen`,
          await page.$eval('#folder-picker', (e) => e.hidden) && await page.$eval('#drop-hint', (e) => e.hidden));
  } else if (!screen.zoom) {
    check(`${label}: folder picker and drop offered`,
          await page.$eval('#folder-picker', (e) => !e.hidden) && await page.$eval('#drop-hint', (e) => !e.hidden));
  }
  const picture = async (moment) => {
    const dir = option('--screenshots');
    if (dir) await page.screenshot({ path: path.join(dir, `${browserName}-${label.replace(' ', '-')}-${moment}.png`) });
  };
  await page.click('#try-example');
  for (let question = 1; question <= 4; ++question) {
    await waitForQuestion(page, question);
    const outside = await page.evaluate(() => {
      const out = [];
      const inView = (e) => {
        const r = e.getBoundingClientRect();
        return r.top >= 0 && r.left >= 0 && r.bottom <= innerHeight && r.right <= innerWidth && r.width > 0;
      };
      for (const s of ['#question', '#key-y', '#key-n', '#key-enter', '#cancel']) {
        if (!inView(document.querySelector(s))) out.push(s);
      }
      const screen = document.querySelector('#screen');
      if (screen.getBoundingClientRect().right > innerWidth || screen.scrollWidth > screen.clientWidth) out.push('80 columns');
      if (document.documentElement.scrollWidth > innerWidth) out.push('page width');
      return out;
    });
    check(`${label}: question ${question} and its buttons in view`, outside.length === 0, outside.join(' '));
    check(`${label}: question ${question} beside the buttons`, (await text(page, '#question')) === prompts[question - 1],
          await text(page, '#question'));
    if (question === 1) await picture('question');
    await page.click(['#key-y', '#key-n', '#key-enter', '#key-y'][question - 1]);
  }
  await ended(page);
  await picture('done');
  if (dark) await checkAccessible(page, `${label}: after the run`);
  await page.close();
}

async function listing(browser) {
  const files = { 'user.drc': fs.readFileSync(path.join(expected, 'example-sorted/user.drc')) };
  const dir = scratchDrive(files);
  const want = reference(files, ['--list', 'user.drc'], '');
  const { page } = await openPage(browser);
  await (await page.$('#receiver-file')).uploadFile(path.join(dir, 'user.drc'));
  await page.waitForFunction(() => document.querySelector('#listing').textContent !== '');
  check('listing equals --list', want.status === 0 && (await text(page, '#listing')) === want.stdout);
  const count = Number((/^ Num Valid px (\d+)$/m.exec(want.stdout) || [])[1]);
  await page.waitForSelector('#receiver-programmes tbody tr');
  check('receiver file as a table with headings',
        count > 0 && (await page.$$('#receiver-programmes tbody tr')).length === count &&
        (await page.$$('#receiver-programmes th')).length === 5, String(count));
  await page.close();
}

// Times runs on DIR's files: opening the page, then for the first run and two
// runs again the pick (or click) to the first question and the last answer
// to the exit status.
async function timeDrive(browser, dir) {
  const { page, loadMs } = await openPage(browser);
  console.log(`page: loaded in ${loadMs} ms`);
  for (let round = 0; round < 3; ++round) {
    const started = Date.now();
    if (round === 0) await pickFiles(page, dir, 'files');
    else await page.click('#run-again');
    await waitForQuestion(page, 1);
    const firstQuestionMs = Date.now() - started;
    await answer(page, ['y', 'y', ''], false);
    await waitForQuestion(page, 4);
    await page.click('#screen');
    await page.keyboard.type('y');
    // Timed in the page: from just before the last Enter to the exit status.
    await page.evaluate(() => {
      window.endedAt = 0;
      new MutationObserver(() => { window.endedAt = window.endedAt || performance.now(); })
        .observe(document.body, { attributes: true, attributeFilter: ['data-exit-status'] });
      window.startedAt = performance.now();
    });
    await page.keyboard.press('Enter');
    await ended(page);
    const runMs = Math.round(await page.evaluate(() => window.endedAt - window.startedAt));
    console.log(`run ${round + 1}: first question ${firstQuestionMs} ms after the ${round ? 'click' : 'pick'}, ` +
                `last answer to exit ${runMs} ms, exit status ${await exitStatus(page)}`);
  }
}

// Firefox's remote protocol emulates no colour scheme: a dark one is a
// browser of its own with the preference set.
async function launch(dark = false) {
  const executablePath = browserPaths[browserName].find((p) => fs.existsSync(p));
  if (!executablePath) {
    throw new Error(`no ${browserName} at ${browserPaths[browserName].join(' or ')} ` +
                    `(Debian: apt-get install ${chromium ? 'chromium' : 'firefox-esr'})`);
  }
  if (!chromium) {
    const scheme = dark ? { 'layout.css.prefers-color-scheme.content-override': 0 } : {};
    return puppeteer.launch({ browser: 'firefox', executablePath, headless: true, protocol: 'webDriverBiDi',
                              extraPrefsFirefox: { 'network.dns.disableIPv6': true, ...scheme } });
  }
  return puppeteer.launch({
    executablePath, headless: true, protocol: 'cdp',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
}

(async () => {
  const browser = await launch();
  try {
    if (option('--drive')) {
      await timeDrive(browser, option('--drive'));
      return;
    }
    if (option('--screenshots')) fs.mkdirSync(option('--screenshots'), { recursive: true });
    for (const run of runs.filter((r) => !r.only || r.only === browserName)) {
      await checkRun(browser, run).catch((error) => check(run.name, false, error.message.split('\n')[0]));
    }
    for (const dark of [false, true]) {
      const screenBrowser = dark && !chromium ? await launch(true) : browser;
      for (const screen of screens) {
        await checkScreen(screenBrowser, screen, dark)
          .catch((error) => check(screen.name, false, error.message.split('\n')[0]));
      }
      if (screenBrowser !== browser) await screenBrowser.close();
    }
    await listing(browser);
    // 420 KB with the example inside; the README's figure within 2%.
    const pageBytes = fs.statSync(pagePath).size;
    check('page at most 420 KB', pageBytes <= 420 * 1024, String(pageBytes));
    const stated = /one\s+HTML\s+file\s+of\s+([\d,]+)\s+bytes/.exec(fs.readFileSync(path.join(here, '../../README.md'), 'utf8'));
    check('README states the page size', stated && Math.abs(Number(stated[1].replace(/,/g, '')) - pageBytes) <= pageBytes / 50,
          `${stated && stated[1]} for ${pageBytes}`);
    check('no request outside the page', outside.length === 0, outside.join(' '));
    check('no error in the pages', pageErrors.length === 0, pageErrors.join(' | '));
  } finally {
    await browser.close();
  }
  console.log(`${browserName}: ${passes} passed, ${failures} failed`);
  process.exitCode = failures === 0 ? 0 : 1;
})().catch((error) => {
  console.log(`FAIL [${browserName}]: ${error.stack || error}`);
  process.exitCode = 1;
});
