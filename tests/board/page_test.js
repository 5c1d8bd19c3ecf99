// The score board's page and the game site's submission, in headless
// Chromium (scripts/board.sh test; puppeteer-core as the browser test has
// it, NODE_PATH given by the script). It starts build/grazerunner-board on a
// free port of 127.0.0.1 with a scratch SQLite folder, serving the game's
// site under /play/ when build-web/site is there, and checks:
//   - the board's page: an entry submitted through the API is in its
//     difficulty's table; a name with markup is shown as text (no element
//     made of it); a file dropped on the drop zone is submitted, the
//     answer gives its rank, and its row is highlighted as this browser's,
//     on a reload too; a damaged file dropped is refused with the reason;
//   - the game's site with the board's board.json: a finished replay kept
//     in the browser is offered ("Submit to the board"), an unfinished one
//     is not; the name typed (game keys among its letters) goes with it;
//     the answer's link leads to the board, where the entry is highlighted.
'use strict';

const assert = require('assert');
const {execFileSync, spawn} = require('child_process');
const fs = require('fs');
const net = require('net');
const path = require('path');
const puppeteer = require('puppeteer-core');

const root = path.resolve(__dirname, '../..');
const work = path.join(root, 'build/board-page-test');
const site = path.join(root, 'build-web/site');
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));
let failures = 0, base, browser;

const freePort = () => new Promise(resolve => {
  const server = net.createServer().listen(0, '127.0.0.1', () => {
    const {port} = server.address();
    server.close(() => resolve(port));
  });
});

async function startServer() {
  const port = await freePort();
  base = `http://127.0.0.1:${port}`;
  const args = ['serve', '--listen', `127.0.0.1:${port}`, '--data', path.join(work, 'data')];
  if (fs.existsSync(path.join(site, 'index.html'))) args.push('--site', site);
  // Its log of requests is kept beside the scratch data.
  const log = fs.openSync(path.join(work, 'board.log'), 'w');
  const server = spawn(path.join(root, 'build/grazerunner-board'), args, {stdio: ['ignore', log, log]});
  for (let i = 0; i < 100; i++, await sleep(100)) {
    try {
      if ((await fetch(`${base}/healthz`)).ok) return server;
    } catch {
      // Not listening yet.
    }
  }
  server.kill();
  throw new Error(`the board did not answer /healthz within 10 s: ${fs.readFileSync(path.join(work, 'board.log'))}`);
}

// Replays of real games: a few random finished ones recorded by the
// simulator, and one of the corpus ended with Escape in play.
function recordReplays() {
  const folder = path.join(work, 'games');
  execFileSync(path.join(root, 'build/grazerunner-sim'), ['random', '4', '7', folder], {cwd: work, stdio: 'ignore'});
  const games = fs.readdirSync(folder).sort().map(name => path.join(folder, name));
  return {games, unfinished: path.join(root, 'tests/replays/kids_calla_escape.grr')};
}

async function check(name, body) {
  const started = Date.now();
  try {
    await body();
    console.log(`ok   ${name} (${Date.now() - started} ms)`);
  } catch (error) {
    failures++;
    console.log(`FAIL ${name}: ${error.stack}`);
  }
}

async function open(address, beforeLoad) {
  const page = await browser.newPage();
  page.problems = [];
  page.on('pageerror', error => page.problems.push(`page error: ${error.message}`));
  // A status the page answers for itself (a refusal, the site's missing board.json) is no problem.
  page.on('console', message => message.type() === 'error' && !message.text().startsWith('Failed to load resource') &&
    page.problems.push(`console: ${message.text()}`));
  if (beforeLoad) await page.evaluateOnNewDocument(...beforeLoad);
  await page.goto(`${base}${address}`);
  return page;
}

const rowOf = (page, id) => page.waitForSelector(`tr[data-id="${id}"]`, {timeout: 10000});
const cells = (page, id) => page.$$eval(`tr[data-id="${id}"] td`, tds => tds.map(td => td.textContent));

async function main() {
  fs.rmSync(work, {recursive: true, force: true});
  fs.mkdirSync(work, {recursive: true});
  const server = await startServer();
  try {
    const {games, unfinished} = recordReplays();
    browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true,
      args: ['--no-sandbox', '--disable-gpu']});
    await check('the board shows a submitted entry, its name with markup as text', async () => {
      const name = '<b>x</b><i>y</i>';  // 16 characters, the most a name has
      const response = await fetch(`${base}/api/replays?name=${encodeURIComponent(name)}`, {method: 'POST',
        headers: {'Content-Type': 'application/octet-stream'}, body: fs.readFileSync(games[0])});
      const entry = await response.json();
      assert.strictEqual(response.status, 201, JSON.stringify(entry));
      const page = await open('/');
      const row = await rowOf(page, entry.id);
      const [rank, shown, points] = await cells(page, entry.id);
      assert.strictEqual(shown, name);
      assert.strictEqual(rank, String(entry.rank));
      assert.strictEqual(points.replace(/,/g, ''), String(entry.points));
      assert.strictEqual(await page.$$eval('table b, table i', found => found.length), 0);
      const table = await row.evaluate(tr => tr.closest('table').caption.textContent);
      assert.strictEqual(table, entry.difficulty);
      assert.strictEqual(await row.evaluate(tr => tr.className), '');  // not this browser's
      const watch = await row.$eval('a', a => a.href);
      if (fs.existsSync(site)) {
        assert.strictEqual(watch, `${base}/play/index.html?replay=${encodeURIComponent(`${base}/api/replays/${entry.id}`)}`);
      }
      assert.deepStrictEqual(page.problems, []);
      await page.close();
    });

    await check('a file dropped on the page is submitted and highlighted as this browser\'s', async () => {
      const page = await open('/');
      await page.waitForSelector('#board-STANDARD table, #board-STANDARD p');
      await page.type('#name', 'Dropper');
      const drop = async (file, bytes) => page.$eval('#drop', (zone, file, bytes) => {
        const transfer = new DataTransfer();
        transfer.items.add(new File([Uint8Array.from(bytes)], file));
        zone.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
      }, file, [...bytes]);
      await drop('game.grr', fs.readFileSync(games[1]));
      await page.waitForFunction(() => /on the board: rank \d+/.test(document.getElementById('answer').textContent),
        {timeout: 20000});
      const answer = await page.$eval('#answer', p => p.textContent);
      const mine = await page.evaluate(() => JSON.parse(localStorage.getItem('grazerunner-board:mine')));
      assert.strictEqual(mine.length, 1, answer);
      const row = await rowOf(page, mine[0]);
      assert.strictEqual(await row.evaluate(tr => tr.className), 'mine');
      assert.strictEqual((await cells(page, mine[0]))[1], 'Dropper');
      const stored = await (await fetch(`${base}/api/replays/${mine[0]}`)).arrayBuffer();
      assert.ok(Buffer.from(stored).equals(fs.readFileSync(games[1])), 'the board keeps another file');
      await page.reload();
      assert.strictEqual(await (await rowOf(page, mine[0])).evaluate(tr => tr.className), 'mine');
      assert.strictEqual(await page.$eval('#name', input => input.value), 'Dropper');  // remembered
      // A damaged file: refused, with the board's reason.
      const damaged = Buffer.from(fs.readFileSync(games[2]));
      damaged[damaged.length - 10] ^= 0xff;
      await drop('damaged.grr', damaged);
      await page.waitForFunction(() => /refused: .+/.test(document.getElementById('answer').textContent),
        {timeout: 20000});
      assert.strictEqual(await page.$eval('#answer', p => p.className), 'refused');
      assert.deepStrictEqual(page.problems, []);
      await page.close();
    });

    if (!fs.existsSync(path.join(site, 'index.html'))) {
      console.log('skip the game\'s site offering a replay to the board: no build-web/site (scripts/web.sh build)');
    } else {
      await check('the game\'s site offers a finished replay to the board and it lands there', async () => {
        const latin1 = file => fs.readFileSync(file).toString('latin1');
        const kept = {'replays/2026-12-07_201500_STANDARD_BRIONY_1_x.grr': latin1(games[3]),
          'replays/2026-12-07_201000_STANDARD_BRIONY_0_unfinished.grr': latin1(unfinished)};
        const page = await open('/play/index.html', [files => {
          for (const [name, text] of Object.entries(files)) localStorage.setItem(`grazerunner:${name}`, text);
        }, kept]);
        await page.waitForSelector('#replays li button.submit', {timeout: 30000});
        const offered = await page.$$eval('#replays li', items =>
          items.map(item => [item.dataset.path, item.querySelector('button.submit') !== null]));
        assert.deepStrictEqual(offered.sort(), Object.keys(kept).map(name => [name, !name.includes('unfinished')]).sort());
        await page.$eval('#board-name', input => { input.value = ''; });  // the board's page's name is offered
        await page.click('#board-name');
        await page.type('#board-name', 'Zed Xylo');  // Z and X are the game's keys
        await page.click('#replays li button.submit');
        await page.waitForFunction(() => /rank \d+/.test(document.getElementById('board-answer').textContent),
          {timeout: 20000});
        const link = await page.$eval('#board-answer a', a => a.href);
        const id = Number(new URL(link).searchParams.get('mine'));
        const stored = await (await fetch(`${base}/api/replays/${id}`)).arrayBuffer();
        assert.ok(Buffer.from(stored).equals(fs.readFileSync(games[3])), 'the board keeps another file');
        const board = await open(new URL(link).pathname + new URL(link).search);
        const row = await rowOf(board, id);
        assert.strictEqual(await row.evaluate(tr => tr.className), 'mine');
        assert.strictEqual((await cells(board, id))[1], 'Zed Xylo');
        assert.deepStrictEqual(page.problems, []);
        await board.close();
        await page.close();
      });
    }
  } finally {
    if (browser) await browser.close();
    server.kill();
  }
  console.log(failures ? `${failures} check(s) failed` : 'All the board page checks passed');
  process.exit(failures ? 1 : 0);
}

main().catch(error => {
  console.error(error);
  process.exit(1);
});
