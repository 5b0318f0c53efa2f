// The page in Debian's chromium, headless, opened from disk: typed and
// clicked answers give the expected console and outputs, failed runs offer
// no download, the receiver-file view equals --list, and nothing is fetched
// from anywhere. The node runner is the reference for error lines and --list.
//
// Usage: node page_test.js PAGE NODE_RUNNER [--screenshot PNG] [--drive DIR]
//   --drive DIR  only times a run on DIR's files (answers y, y, Enter, y); no
//                checks.
'use strict';
const { chromium } = require('playwright-core');
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [pagePath, runnerPath, ...options] = process.argv.slice(2);
const nodeRunner = path.resolve(runnerPath);
const option = (name) => { const i = options.indexOf(name); return i < 0 ? null : options[i + 1]; };
const here = __dirname;
const example = path.join(here, '../../examples/drive-c');
const expected = path.join(here, '../e2e/expected');
const outputs = ['user.drc', 'tunewerk.txt', 'audio.txt', 'video.txt'];
const browserPaths = ['/usr/lib/chromium/chromium', '/usr/bin/chromium'];

let failures = 0, passes = 0;
const pageErrors = [];  // script errors and refusals the pages reported
function check(name, ok, detail) {
  if (ok) { passes++; return; }
  failures++;
  console.log(`FAIL: ${name}${detail ? ': ' + detail : ''}`);
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

async function openPage(context) {
  const page = await context.newPage();
  page.setDefaultTimeout(15000);
  page.on('pageerror', (error) => pageErrors.push(error.message));
  page.on('console', (message) => { if (message.type() === 'error') pageErrors.push(message.text()); });
  await page.goto('file://' + path.resolve(pagePath));
  await page.waitForSelector('body[data-ready="yes"]');
  // From the start of the navigation to the end of the load, as the page counts it.
  const loadMs = await page.evaluate(() => performance.getEntriesByType('navigation')[0].loadEventEnd);
  return { page, loadMs: Math.round(loadMs) };
}

const screenRows = (page) =>
  page.$$eval('#screen > *', (rows) => rows.map((row) => row.textContent.replace(/[\s\u00a0]+$/, '')));

async function waitForQuestion(page, count) {
  await page.waitForFunction((n) => {
    const text = document.querySelector('#screen').textContent;
    return (text.match(/\?/g) || []).length >= n;
  }, count);
}

// Drive C's files by the file picker, the folder picker, or dropped on the page.
async function pickFiles(page, dir, how) {
  const names = fs.readdirSync(dir).map((n) => path.join(dir, n));
  if (how === 'folder') return page.setInputFiles('#drive-folder', dir);
  if (how !== 'drop') return page.setInputFiles('#drive-files', names);
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
// Enter. With buttons: y, n or Enter under the console.
async function answer(page, answers, byButtons) {
  for (let i = 0; i < answers.length; ++i) {
    await waitForQuestion(page, i + 1);
    const a = answers[i];
    if (byButtons) {
      await page.click(a === '' ? '#key-enter' : `#key-${a}`);
      continue;
    }
    await page.click('#screen');
    for (const c of a) {
      if (c === '\b') await page.keyboard.press('Backspace');
      else if (c === '\x04') await page.keyboard.press('Control+D');
      else await page.keyboard.type(c);
    }
    if (!a.endsWith('\x04')) await page.keyboard.press('Enter');
  }
}

const ended = (page) => page.waitForSelector('body[data-exit-status]');
const exitStatus = (page) => page.$eval('body', (b) => Number(b.dataset.exitStatus));

async function downloads(page) {
  const got = {};
  for (const name of outputs) {
    const link = await page.$(`a[download="${name}"]`);
    if (!link) continue;
    const [download] = await Promise.all([page.waitForEvent('download'), link.click()]);
    got[name] = fs.readFileSync(await download.path());
  }
  return got;
}

const sortedAnswers = ['y', 'n', '', 'y'];
const exampleFiles = (rename = (n) => n) => Object.fromEntries(
  ['user.sdx', 'vaz3er.ini', '3ci.drc'].map((n) => [rename(n), fs.readFileSync(path.join(example, n))]));

// Each run: the drive's files, how they come in, the answers, and what the
// page must show. `golden` names the expected files of a successful run;
// otherwise the page must give the node runner's exit status, standard error
// and outputs for the same files and answers (`fails`: status 1, no output),
// or the error line matched by `errorLine`.
const runs = [
  { name: 'typed', files: exampleFiles(), answers: sortedAnswers, golden: 'example-sorted', screenshot: true },
  { name: 'buttons', files: exampleFiles(), answers: sortedAnswers, byButtons: true, golden: 'example-sorted' },
  { name: 'edited answer', files: exampleFiles(), answers: ['n\by', 'yy\b\bn', 'x\b', 'y'], golden: 'example-sorted' },
  { name: 'upper-case names', files: exampleFiles((n) => n.toUpperCase()), answers: sortedAnswers, golden: 'example-sorted' },
  { name: 'folder picker', files: exampleFiles(), pick: 'folder', answers: sortedAnswers, golden: 'example-sorted' },
  { name: 'dropped files', files: exampleFiles(), pick: 'drop', answers: sortedAnswers, golden: 'example-sorted' },
  { name: 'no 3ci.drc', files: (({ '3ci.drc': _, ...rest }) => rest)(exampleFiles()), answers: sortedAnswers,
    fails: true },
  { name: 'short 3ci.drc', files: { ...exampleFiles(), '3ci.drc': exampleFiles()['3ci.drc'].subarray(0, 1000) },
    answers: sortedAnswers, fails: true },
  { name: 'warning at the limit', files: maximalFiles(), answers: ['y', 'y', '', 'y'] },
  { name: 'Ctrl-D at a question', files: exampleFiles(), answers: ['y', 'n\x04\x04'],
    errorLine: /^tunewerk: cancelled at a question/ },
];

async function checkRun(context, run) {
  const dir = scratchDrive(run.files);
  const want = run.golden || run.errorLine ? null : reference(run.files, [], run.answers.join('\n') + '\n');
  const { page } = await openPage(context);
  await pickFiles(page, dir, run.pick);
  await answer(page, run.answers, run.byButtons);
  await ended(page);
  const status = await exitStatus(page), errorText = await page.textContent('#status');
  const links = await downloads(page);
  if (run.golden) {
    check(`${run.name}: exit status`, status === 0, String(status));
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
    check(`${run.name}: no warning`, errorText === '', errorText);
  } else if (run.errorLine) {
    check(`${run.name}: exit status`, status === 1, String(status));
    check(`${run.name}: error line`, run.errorLine.test(errorText), JSON.stringify(errorText));
    check(`${run.name}: no download`, Object.keys(links).length === 0);
  } else {
    check(`${run.name}: exit status`, status === want.status && (status === 1) === Boolean(run.fails),
          `${status}, the node runner's ${want.status}`);
    check(`${run.name}: standard error`, errorText + '\n' === want.stderr, JSON.stringify(errorText));
    check(`${run.name}: downloads`, Object.keys(links).length === Object.keys(want.written).length &&
          Object.entries(want.written).every(([n, bytes]) => links[n] && Buffer.compare(links[n], bytes) === 0));
  }
  if (run.screenshot && option('--screenshot')) await page.screenshot({ path: option('--screenshot'), fullPage: true });
  // Run again: the same files, a new run from the banner.
  await page.click('#run-again');
  await waitForQuestion(page, 1);
  check(`${run.name}: run again starts anew`, (await page.$$('a[download]')).length === 0 &&
        (await page.textContent('#status')) === '');
  await page.close();
}

async function listing(context) {
  const files = { 'user.drc': fs.readFileSync(path.join(expected, 'example-sorted/user.drc')) };
  const dir = scratchDrive(files);
  const want = reference(files, ['--list', 'user.drc'], '');
  const { page } = await openPage(context);
  await page.setInputFiles('#receiver-file', path.join(dir, 'user.drc'));
  await page.waitForFunction(() => document.querySelector('#listing').textContent !== '');
  check('listing equals --list', want.status === 0 && (await page.textContent('#listing')) === want.stdout);
  await page.close();
}

// Times runs on DIR's files: opening the page, then for the first run and two
// runs again the pick (or click) to the first question and the last answer
// to the exit status.
async function timeDrive(context, dir) {
  const { page, loadMs } = await openPage(context);
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

(async () => {
  const executablePath = browserPaths.find((p) => fs.existsSync(p));
  if (!executablePath) throw new Error(`no chromium at ${browserPaths.join(' or ')} (Debian: apt-get install chromium)`);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tunewerk-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath,
    headless: true,
    acceptDownloads: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  // Only the page itself and what it makes in memory may load.
  let outside = [];
  await context.route('**/*', (route) => {
    const url = route.request().url();
    if (/^(file|blob|data):/.test(url)) return route.continue();
    outside.push(url);
    return route.abort();
  });
  try {
    if (option('--drive')) {
      await timeDrive(context, option('--drive'));
      return;
    }
    for (const run of runs) {
      await checkRun(context, run).catch((error) => check(run.name, false, error.message.split('\n')[0]));
    }
    await listing(context);
    check('no request outside the page', outside.length === 0, outside.join(' '));
    check('no error in the pages', pageErrors.length === 0, pageErrors.join(' | '));
  } finally {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log(`browser: ${passes} passed, ${failures} failed`);
  process.exitCode = failures === 0 ? 0 : 1;
})().catch((error) => {
  console.log(`FAIL: ${error.stack || error}`);
  process.exitCode = 1;
});
