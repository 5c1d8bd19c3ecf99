// The browser test (scripts/web.sh test): the site and the test site in one
// headless Chromium, driven by puppeteer-core, served by a small server of
// its own from a subfolder (so only relative addresses work).
//   - Faults: no data package, one cut short, no WebAssembly: a message on
//     the page instead of a blank canvas; a picture missing from the data:
//     the engine's own box, and the game goes on.
//   - The test site (one stage, its boss falls at the first hit): a game
//     from the title to the results; its line is in the log and in
//     point.txt after a reload. With the browser's storage closed the log
//     lasts for the visit, and the page says so (and the sound, without an
//     audio worklet, goes through the page's fallback).
//   - The site: no console error, the title picture drawn pixel for pixel,
//     Enter, Z, Z reach play and the picture moves, a hidden tab pauses the
//     game and showing it resumes it, a minute of play (the times the sound
//     ran dry are counted), Escape ends it.
//   - Figures: the time to the first title frame, the site's size, and the
//     worst play frame timed in the browser beside the native benchmark.
'use strict';

const assert = require('assert');
const {execFileSync} = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const puppeteer = require('puppeteer-core');

const root = path.resolve(__dirname, '../..');
const folders = {
  // The site as built, or as unpacked from its archive (scripts/release.sh).
  site: process.env.GRAZE_WEB_SITE || path.join(root, 'build-web/site'),
  test: path.join(root, 'build-web/test-site'),
};
const playSeconds = Number(process.env.GRAZE_WEB_PLAY_SECONDS || 60);
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));
const figures = {};
let failures = 0;

// ---- The server -------------------------------------------------------------

// The site's data package without data/<name>: the tar inside taken apart
// by its 512-byte headers and put together again without that file.
function packageWithout(pack, name) {
  const tar = zlib.gunzipSync(pack), kept = [];
  for (let at = 0; at + 512 <= tar.length;) {
    const size = parseInt(tar.toString('latin1', at + 124, at + 136).replace(/\0.*$/s, '').trim(), 8) || 0;
    const end = at + 512 + Math.ceil(size / 512) * 512;
    if (tar.toString('latin1', at, at + 100).replace(/\0.*$/s, '') !== `data/${name}`) kept.push(tar.subarray(at, end));
    at = end;
  }
  return zlib.gzipSync(Buffer.concat(kept));
}

// /site/ and /test/ serve the two sites; /missing/, /damaged/ and
// /nopicture/ the site without its data package, with the package cut
// short, and with a package that lacks the menu bar picture.
function serve() {
  const withoutPicture = packageWithout(fs.readFileSync(path.join(folders.site, 'data.pack')), 'tlop.bmp');
  const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};
  const server = http.createServer((request, response) => {
    const [, prefix, ...rest] = new URL(request.url, 'http://host').pathname.split('/');
    if (prefix === 'favicon.ico') {  // asked of the host by the browser itself, not by the site
      response.writeHead(204);
      return response.end();
    }
    const name = rest.join('/') || 'index.html';
    const folder = prefix === 'test' ? folders.test : folders.site;
    let body = null;
    try {
      if (['site', 'test', 'missing', 'damaged', 'nopicture'].includes(prefix) && !name.includes('..')) {
        body = fs.readFileSync(path.join(folder, name));
      }
    } catch (error) {
      body = null;
    }
    if (prefix === 'missing' && name === 'data.pack') body = null;
    if (prefix === 'damaged' && name === 'data.pack') body = body.subarray(0, body.length >> 1);
    if (prefix === 'nopicture' && name === 'data.pack') body = withoutPicture;
    if (!body) {
      response.writeHead(404);
      return response.end();
    }
    response.writeHead(200, {'Content-Type': types[path.extname(name)] || 'application/octet-stream'});
    response.end(body);
  });
  return new Promise(resolve => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// ---- Pages --------------------------------------------------------------------

let browser, base;

// A new tab on `address`, in front, with its console errors, page errors,
// failed requests and dialogs recorded (dialogs are answered).
async function open(address, beforeLoad) {
  const page = await browser.newPage();
  page.problems = [];
  page.on('console', message => {
    // Errors, and the game's own complaints (a file it cannot open) on its standard error.
    if (message.type() === 'error' || message.text().startsWith('grazerunner:')) {
      page.problems.push(`console: ${message.text()}`);
    }
    if (message.text().startsWith('frame_med_us')) page.timing = Number(message.text().split(' ')[1]);
  });
  page.on('pageerror', error => page.problems.push(`page error: ${error.message}`));
  page.on('response', response => {
    if (response.status() >= 400) page.problems.push(`${response.status()}: ${response.url()}`);
  });
  page.on('dialog', dialog => {
    page.problems.push(`dialog: ${dialog.message()}`);
    dialog.accept();
  });
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  await page.bringToFront();
  await page.goto(`${base}/${address}`);
  return page;
}

const text = (page, id) => page.$eval(`#${id}`, element => element.textContent);

async function waitForFirstFrame(page) {
  await page.waitForFunction(() => Graze.firstFrame() !== null, {timeout: 15000});
  return page.evaluate(() => Graze.firstFrame());
}

// The canvas's pixels, RGBA.
async function pixels(page) {
  const data = await page.$eval('#screen', canvas => Array.from(canvas.getContext('2d').getImageData(0, 0, 320, 240).data));
  return Buffer.from(data);
}

// How many different pictures the canvas shows in `count` looks a tenth of a
// second apart.
async function distinctPictures(page, count = 8) {
  const seen = new Set();
  for (let i = 0; i < count; i++) {
    seen.add((await pixels(page)).toString('base64'));
    await sleep(100);
  }
  return seen.size;
}

// Holds a key long enough for a frame to see it, then lets it go.
async function tap(page, key, ms = 150) {
  await page.keyboard.down(key);
  await sleep(ms);
  await page.keyboard.up(key);
  await sleep(ms);
}

async function check(name, body) {
  const start = Date.now();
  try {
    await body();
    console.log(`ok   ${name} (${((Date.now() - start) / 1000).toFixed(1)} s)`);
  } catch (error) {
    failures++;
    console.log(`FAIL ${name}: ${error.stack || error}`);
  }
}

// ---- The checks ----------------------------------------------------------------

// The title picture: start.bmp's left 240 columns at x = 40, each pixel cut
// to the display's 16 bits and widened again; black on either side.
function expectTitlePicture(canvas) {
  const bmp = fs.readFileSync(path.join(root, 'build/data/start.bmp'));
  const offset = bmp.readUInt32LE(10), width = bmp.readInt32LE(18), height = bmp.readInt32LE(22);
  const stride = Math.ceil(width * 3 / 4) * 4;
  const widen = (value, bits) => {
    const top = value >> (8 - bits);
    return (top << (8 - bits)) | (top >> (2 * bits - 8));
  };
  let wrong = 0;
  for (let y = 0; y < 240; y++) {
    for (let x = 0; x < 320; x++) {
      let want = [0, 0, 0];
      if (x >= 40 && x < 280) {
        const at = offset + (height - 1 - y) * stride + (x - 40) * 3;
        want = [widen(bmp[at + 2], 5), widen(bmp[at + 1], 6), widen(bmp[at], 5)];
      }
      const got = canvas.subarray((y * 320 + x) * 4, (y * 320 + x) * 4 + 3);
      if (got[0] !== want[0] || got[1] !== want[1] || got[2] !== want[2]) wrong++;
    }
  }
  assert.strictEqual(wrong, 0, `${wrong} pixels of the title differ from start.bmp`);
}

async function faults() {
  await check('no data package: the page says the data could not be loaded', async () => {
    const page = await open('missing/');
    await page.waitForFunction(() => document.body.classList.contains('stopped'), {timeout: 15000});
    assert.match(await text(page, 'message'), /data \(data\.pack\) could not be loaded: 404/);
    await page.close();
  });
  await check('a data package cut short: the page says it is damaged', async () => {
    const page = await open('damaged/');
    await page.waitForFunction(() => document.body.classList.contains('stopped'), {timeout: 15000});
    assert.match(await text(page, 'message'), /data \(data\.pack\) is damaged/);
    await page.close();
  });
  await check('a picture missing from the data: the engine\'s own box, and the game goes on', async () => {
    const page = await open('nopicture/');
    await waitForFirstFrame(page);
    await sleep(200);
    assert.deepStrictEqual(page.problems, ['dialog: エラー発生\n\nktDraw::LoadObject : BMPファイルを読み込めません']);
    expectTitlePicture(await pixels(page));
    await page.close();
  });
  await check('a browser without WebAssembly: the page says so', async () => {
    const page = await open('site/', () => { delete window.WebAssembly; });
    await page.waitForFunction(() => document.body.classList.contains('stopped'), {timeout: 15000});
    assert.match(await text(page, 'message'), /cannot run WebAssembly/);
    await page.close();
  });
}

// From the title through STANDARD and the middle character to the results
// of the test site's one stage, then Enter: the game's log line.
const logLine = /^STAGE 0 MAXCOMBO \d+ POINT \d+ N:BRIONY M:STANDARD$/;
async function finishGame(page) {
  await waitForFirstFrame(page);
  for (const key of ['Enter', 'z', 'z']) await tap(page, key);
  // Play until the boss falls and the results show, then confirm them:
  // Enter does nothing in play, and on the results it writes the line.
  const deadline = Date.now() + 40000;
  while (!/STAGE/.test(await text(page, 'log'))) {
    assert.ok(Date.now() < deadline, 'no log line 40 s into the game');
    await tap(page, 'Enter', 100);
    await sleep(400);
  }
  const lines = (await text(page, 'log')).trim().split('\n');
  assert.strictEqual(lines.length, 1);
  assert.match(lines[0], logLine);
  return lines[0];
}

async function testSite() {
  await check('test site: a whole game; its line is kept in point.txt over a reload', async () => {
    const page = await open('test/');
    await page.evaluate(() => localStorage.clear());
    const line = await finishGame(page);
    assert.strictEqual(await page.$eval('#download', link => link.hidden), false);
    await page.reload();
    await waitForFirstFrame(page);
    assert.strictEqual((await text(page, 'log')).trim(), line);
    const file = await page.evaluate(() => new TextDecoder().decode(Module.FS.readFile('point.txt')));
    assert.strictEqual(file, `${line}\n`);
    assert.strictEqual(await text(page, 'storage'), '');
    assert.deepStrictEqual(page.problems, []);
    await page.close();
  });
  await check('test site: no storage and no audio worklet: the log lasts for the visit, sound plays all the same', async () => {
    const page = await open('test/', () => {
      Object.defineProperty(window, 'localStorage', {get() { throw new DOMException('closed', 'SecurityError'); }});
      Object.defineProperty(BaseAudioContext.prototype, 'audioWorklet', {get: () => undefined});
    });
    await finishGame(page);
    assert.match(await text(page, 'storage'), /lasts until the page is closed/);
    assert.strictEqual(await page.evaluate(() => Graze.audio.queue !== null && Graze.audio.queue.fed), true);
    assert.deepStrictEqual(page.problems, []);
    await page.close();
  });
}

async function site() {
  const page = await open('site/');
  await check('site: the title picture is drawn, soon and without errors', async () => {
    figures.firstFrameMs = await waitForFirstFrame(page);
    await sleep(200);
    expectTitlePicture(await pixels(page));
    assert.strictEqual(await page.title(), 'Graze Runner: Zero Gravity');
    assert.deepStrictEqual(page.problems, []);
  });
  await check('site: Enter, Z, Z reach play and the picture moves', async () => {
    for (const key of ['Enter', 'z', 'z']) await tap(page, key);
    await sleep(300);
    // The menus show at most two pictures (their highlight blinks); play
    // scrolls and fires without end.
    const seen = await distinctPictures(page);
    assert.ok(seen >= 5, `only ${seen} different pictures in 8 looks`);
    // The log sits below the game in this small window, yet the game's keys
    // never scroll the page.
    assert.ok(await page.evaluate(() => document.documentElement.scrollHeight > innerHeight));
    for (const key of ['ArrowDown', 'ArrowDown', 'ArrowRight']) await tap(page, key);
    assert.strictEqual(await page.evaluate(() => scrollY + scrollX), 0);
  });
  await check('site: a hidden tab pauses the game, showing it resumes it', async () => {
    const other = await browser.newPage();
    await other.bringToFront();
    await sleep(300);
    assert.strictEqual(await page.evaluate(() => document.visibilityState), 'hidden');
    assert.strictEqual(await page.evaluate(() => document.body.classList.contains('paused')), true);
    assert.strictEqual(await page.evaluate(() => Graze.audio.context.state), 'suspended');
    const before = await pixels(page);
    await sleep(500);
    assert.ok((await pixels(page)).equals(before), 'the picture changed while hidden');
    await other.close();
    await page.bringToFront();
    await sleep(300);
    assert.strictEqual(await page.evaluate(() => document.body.classList.contains('paused')), false);
    const seen = await distinctPictures(page);
    assert.ok(seen >= 5, `only ${seen} different pictures in 8 looks after showing the tab again`);
  });
  await check(`site: ${playSeconds} s of play with sound`, async () => {
    assert.strictEqual(await page.evaluate(() => Graze.audio.context.state), 'running');
    const dryBefore = await page.evaluate(() => Graze.audio.dryRuns);
    const moves = ['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown'];
    const end = Date.now() + playSeconds * 1000;
    for (let i = 0; Date.now() < end; i++) {
      await tap(page, moves[i % 4], 400);
      if (i % 10 === 5) await tap(page, 'x');
      if (i % 10 === 0) await tap(page, 'c');
    }
    figures.dryRuns = await page.evaluate(() => Graze.audio.dryRuns) - dryBefore;
    assert.deepStrictEqual(page.problems, []);
  });
  await check('site: Escape ends the game and the page says how to start again', async () => {
    await tap(page, 'Escape');
    await page.waitForFunction(() => document.body.classList.contains('stopped'), {timeout: 5000});
    assert.match(await text(page, 'message'), /has ended\. Reload the page to play again/);
    assert.strictEqual(await page.evaluate(() => Graze.audio.context), null);
    assert.deepStrictEqual(page.problems, []);
  });
  await page.close();
}

async function timing() {
  await check('the worst play frame, in the browser and natively', async () => {
    const page = await open('test/timing.html');
    const deadline = Date.now() + 60000;
    while (page.timing === undefined) {
      assert.ok(Date.now() < deadline, 'the timing page gave no figure');
      assert.deepStrictEqual(page.problems, []);
      await sleep(200);
    }
    figures.browserFrameUs = page.timing;
    await page.close();
    const json = execFileSync(path.join(root, 'build/grazerunner_bench'), [
      '--benchmark_filter=BM_PlayFrameWorstCase/present:1/', '--benchmark_format=json'], {encoding: 'utf8'});
    figures.nativeFrameUs = JSON.parse(json).benchmarks[0].frame_med_us;
  });
}

function siteSize() {
  let bytes = 0;
  for (const name of fs.readdirSync(folders.site)) bytes += fs.statSync(path.join(folders.site, name)).size;
  return bytes;
}

async function main() {
  const started = Date.now();
  const server = await serve();
  base = `http://127.0.0.1:${server.address().port}`;
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'grz-chromium-'));
  browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`],
  });
  try {
    await faults();
    await testSite();
    await site();
    await timing();
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
  const f = figures;
  console.log('\nFigures:');
  console.log(`  site size: ${siteSize()} bytes`);
  console.log(`  page load to the first title frame: ${f.firstFrameMs === undefined ? '?' : f.firstFrameMs.toFixed(0)} ms (goal < 1500)`);
  console.log(`  the sound ran dry ${f.dryRuns === undefined ? '?' : f.dryRuns} times in ${playSeconds} s of play (goal 0)`);
  if (f.browserFrameUs !== undefined) {
    console.log(`  worst play frame: ${f.browserFrameUs.toFixed(1)} µs in the browser, ${f.nativeFrameUs.toFixed(1)} µs natively: ` +
      `${(f.browserFrameUs / f.nativeFrameUs).toFixed(2)}× (goal within 2×)`);
  }
  console.log(`${failures ? `${failures} checks FAILED` : 'All checks passed'} in ${((Date.now() - started) / 1000).toFixed(0)} s`);
  process.exit(failures ? 1 : 0);
}

main().catch(error => {
  console.error(error);
  process.exit(1);
});
