// The page in Debian's chromium, headless, opened from disk: typed and
// clicked answers give the expected console and outputs, failed runs offer
// no download, the receiver-file view equals --list, and nothing is fetched
// from anywhere. The node runner is the reference for error lines and --list.
//
// Usage: node page_test.js PAGE NODE_RUNNER [--screenshot PNG] [--drive DIR]
//   --drive DIR  only times a run on DIR's files (the answers as typed below)
//                against the node runner; no checks.
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
const exampleFiles = () => Object.fromEntries(
  ['user.sdx', 'vaz3er.ini', '3ci.drc'].map((n) => [n, fs.readFileSync(path.join(example, n))]));

// The node runner in `dir` with the answers on standard input.
function reference(dir, args, answers) {
  const r = childProcess.spawnSync(nodeRunner, args, { cwd: dir, input: answers });
  return { status: r.status, stdout: r.stdout.toString(), stderr: r.stderr.toString() };
}

async function openPage(context) {
  const page = await context.newPage();
  const started = Date.now();
  await page.goto('file://' + path.resolve(pagePath));
  await page.waitForSelector('body[data-ready="yes"]');
  return { page, loadMs: Date.now() - started };
}

const screenRows = (page) =>
  page.$$eval('#screen > *', (rows) => rows.map((row) => row.textContent.replace(/[\s\u00a0]+$/, '')));

async function waitForQuestion(page, count) {
  await page.waitForFunction((n) => {
    const text = document.querySelector('#screen').textContent;
    return (text.match(/\?/g) || []).length >= n;
  }, count);
}

async function pickFiles(page, dir) {
  const names = fs.readdirSync(dir).map((n) => path.join(dir, n));
  await page.setInputFiles('#drive-files', names);
}

// Answers each question as it comes: typed keys, or the buttons under the console.
async function answer(page, answers, byButtons) {
  for (let i = 0; i < answers.length; ++i) {
    await waitForQuestion(page, i + 1);
    const a = answers[i];
    if (byButtons) await page.click(a === '' ? '#key-enter' : `#key-${a}`);
    else {
      await page.click('#screen');
      if (a) await page.keyboard.type(a);
      await page.keyboard.press('Enter');
    }
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

async function exampleRun(context, byButtons, screenshot) {
  const label = byButtons ? 'buttons' : 'typed';
  const { page } = await openPage(context);
  const dir = scratchDrive(exampleFiles());
  await pickFiles(page, dir);
  await answer(page, ['y', 'n', '', 'y'], byButtons);
  await ended(page);
  check(`${label}: exit status`, (await exitStatus(page)) === 0);
  const want = fs.readFileSync(path.join(expected, 'example-sorted/console.txt'), 'utf8').split('\n');
  const rows = await screenRows(page);
  check(`${label}: 25 rows of 80`, rows.length === 25 &&
    (await page.$$eval('#screen > *', (r) => r.every((row) => Array.from(row.textContent).length === 80))));
  for (let i = 0; i < 25; ++i) check(`${label}: row ${i + 1}`, rows[i] === (want[i] || ''), JSON.stringify(rows[i]));
  const got = await downloads(page);
  for (const name of outputs) {
    const file = fs.readFileSync(path.join(expected, 'example-sorted', name));
    check(`${label}: ${name}`, got[name] && Buffer.compare(got[name], file) === 0, 'differs or missing');
  }
  check(`${label}: no warning`, (await page.textContent('#status')) === '');
  if (screenshot) await page.screenshot({ path: screenshot, fullPage: true });
  // Run again: the same files, a new run from the banner.
  await page.click('#run-again');
  await waitForQuestion(page, 1);
  check(`${label}: run again asks anew`, (await page.$$('a[download]')).length === 0);
  await page.close();
}

async function failedRun(context, name, files) {
  const dir = scratchDrive(files);
  const want = reference(dir, [], 'y\nn\n\ny\n');
  const { page } = await openPage(context);
  await pickFiles(page, dir);
  await answer(page, ['y', 'n', '', 'y'], false);
  await ended(page);
  check(`${name}: exit status`, (await exitStatus(page)) === want.status && want.status === 1);
  check(`${name}: error line`, (await page.textContent('#status')) + '\n' === want.stderr,
        JSON.stringify(await page.textContent('#status')));
  check(`${name}: no download`, (await page.$$('a[download]')).length === 0);
  await page.close();
}

async function listing(context) {
  const dir = scratchDrive({ 'user.drc': fs.readFileSync(path.join(expected, 'example-sorted/user.drc')) });
  const want = reference(dir, ['--list', 'user.drc'], '');
  const { page } = await openPage(context);
  await page.setInputFiles('#receiver-file', path.join(dir, 'user.drc'));
  await page.waitForFunction(() => document.querySelector('#listing').textContent !== '');
  check('listing equals --list', want.status === 0 && (await page.textContent('#listing')) === want.stdout);
  await page.close();
}

// Times a run on DIR's files: picking them to the first question, and the
// last answer to the end; the node runner's whole run beside it.
async function timeDrive(context, dir) {
  const { page, loadMs } = await openPage(context);
  let started = Date.now();
  await pickFiles(page, dir);
  await waitForQuestion(page, 1);
  const firstQuestionMs = Date.now() - started;
  await answer(page, ['y', 'y', 'n'], false);
  await waitForQuestion(page, 4);
  await page.click('#screen');
  await page.keyboard.type('y');
  started = Date.now();
  await page.keyboard.press('Enter');
  await ended(page);
  const runMs = Date.now() - started;
  console.log(`page: opened in ${loadMs} ms, first question ${firstQuestionMs} ms after the pick, ` +
              `last answer to exit ${runMs} ms, exit status ${await exitStatus(page)}`);
}

(async () => {
  const executablePath = browserPaths.find((p) => fs.existsSync(p));
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
    await exampleRun(context, false, option('--screenshot'));
    await exampleRun(context, true, null);
    const files = exampleFiles();
    await failedRun(context, 'no 3ci.drc', { 'user.sdx': files['user.sdx'], 'vaz3er.ini': files['vaz3er.ini'] });
    await failedRun(context, 'short 3ci.drc', { ...files, '3ci.drc': files['3ci.drc'].subarray(0, 1000) });
    await listing(context);
    check('no request outside the page', outside.length === 0, outside.join(' '));
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
