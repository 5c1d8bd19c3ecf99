#!/usr/bin/env node
// grazerunner-board-load: load, faults and bad input against score boards
// on this machine (scripts/board-load.sh runs it; traffic only to the
// addresses given, which must be 127.0.0.1).
//
//   board_load.js submit --to A[,B…] --replays DIR [--count N] [--clients N]
//                 [--rate PER_SECOND] [--min-minutes M] [--at K:COMMAND]…
//                 [--out FILE]
//     Posts N distinct replay files of DIR (those of games M minutes long or
//     more; at the rate asked, else each client as soon as it has its
//     answer; as application/octet-stream,
//     each with a name of its own) from N clients at once, each file to
//     the next address in turn; a file whose request fails (no answer, or
//     500/502/503) is sent again to the next address, after a pause, up to
//     40 times, as a careful client would; a 409 that names an id counts as
//     stored by an earlier try. When K files have been answered, COMMAND
//     is run by the shell (a fault: kill an instance, stop the database).
//     Prints the figures (stored a second, p50/p99 latency of the answers,
//     the statuses) as JSON; --out keeps every file's outcome.
//   board_load.js check --to A --outcomes FILE
//     Every file that was answered 201 (or 409 with the id of an earlier
//     try) is on the board exactly once: its id in exactly one board's rows,
//     no id twice, and the file the board gives back byte for byte the file
//     sent.
//   board_load.js bad --to A[,B…] --replays DIR [--count N] [--slow N]
//     N malformed requests (random bodies, truncated uploads, wrong content
//     types, enormous headers, broken request lines; 16 at once) and N
//     (32) slow clients that send a byte a second, while one well-behaved client
//     posts real replays and reads the scores (for 30 s at least): its
//     answers must all come, right. Exit status 1 when it was not served.
'use strict';

const crypto = require('crypto');
const fs = require('fs');
const http = require('http');
const net = require('net');
const path = require('path');
const {exec} = require('child_process');

const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

function options(argv) {
  const o = {at: []};
  for (let i = 0; i < argv.length; i += 2) {
    const key = argv[i].replace(/^--/, ''), value = argv[i + 1];
    if (value === undefined) throw new Error(`${argv[i]} wants a value`);
    if (key === 'at') o.at.push(value);
    else o[key] = value;
  }
  o.to = (o.to || '').split(',').filter(Boolean).map(address => new URL(address));
  for (const url of o.to) {
    if (url.hostname !== '127.0.0.1') throw new Error(`${url.href}: this tool only talks to 127.0.0.1`);
  }
  if (!o.to.length) throw new Error('--to names no board');
  return o;
}

// One HTTP request: resolves {status, body, ms}, or {status: 0, error}
// when no answer came.
function request(url, {method = 'GET', headers = {}, body = null, timeout = 60000, agent} = {}) {
  const started = performance.now();
  return new Promise(resolve => {
    const req = http.request(url, {method, headers, agent, timeout}, response => {
      const chunks = [];
      response.on('data', chunk => chunks.push(chunk));
      response.on('end', () => resolve({status: response.statusCode, headers: response.headers,
        body: Buffer.concat(chunks), ms: performance.now() - started}));
      response.on('error', error => resolve({status: 0, error: error.message, ms: performance.now() - started}));
    });
    req.on('timeout', () => req.destroy(new Error('no answer in time')));
    req.on('error', error => resolve({status: 0, error: error.message, ms: performance.now() - started}));
    req.end(body);
  });
}

const json = body => {
  try {
    return JSON.parse(body.toString());
  } catch {
    return {};
  }
};

const percentile = (sorted, p) => sorted.length ? sorted[Math.min(sorted.length - 1, Math.floor(p * sorted.length))] : 0;

// The INFO chunk's frames and milliseconds (see game/replay.h).
function replayLength(bytes) {
  const length = bytes.readUInt32LE(16), info = {};
  for (const line of bytes.subarray(20, 20 + length).toString().split('\n')) {
    const equals = line.indexOf('=');
    if (equals > 0) info[line.slice(0, equals)] = line.slice(equals + 1);
  }
  return {frames: Number(info.frames) || 0, ms: Number(info.milliseconds) || 0};
}

// The first `count` replays of the folder (by name), of those at least
// `minMinutes` long when that is given.
function replayFiles(folder, count, minMinutes = 0) {
  let files = fs.readdirSync(folder).filter(name => name.endsWith('.grr')).sort().map(name => path.join(folder, name));
  if (minMinutes) files = files.filter(file => replayLength(fs.readFileSync(file)).ms >= minMinutes * 60000);
  if (files.length < count) throw new Error(`${folder} holds ${files.length} replays${minMinutes ? ` of ${minMinutes} minutes or more` : ''}, not ${count}`);
  return files.slice(0, count);
}

// ---- submit ------------------------------------------------------------------

async function submit(o) {
  const clients = Number(o.clients || 32), rate = Number(o.rate || 0), minMinutes = Number(o['min-minutes'] || 0);
  const files = replayFiles(o.replays, Number(o.count || 2000), minMinutes);
  const events = o.at.map(spec => {
    const colon = spec.indexOf(':');
    return {after: Number(spec.slice(0, colon)), command: spec.slice(colon + 1), done: false};
  });
  const agents = o.to.map(() => new http.Agent({keepAlive: true, maxSockets: clients}));
  const outcomes = new Array(files.length);
  const latencies = [], statuses = {}, timeline = [];
  let next = 0, answered = 0, turn = 0, playMs = 0, frames = 0;
  const t0 = performance.now();
  const count1 = status => { statuses[status] = (statuses[status] || 0) + 1; };

  async function one(index) {
    if (rate) await sleep(t0 + index * 1000 / rate - performance.now());  // its turn at the rate asked
    const bytes = fs.readFileSync(files[index]);
    const length = replayLength(bytes);
    const outcome = {file: files[index], tries: 0, status: 0, id: null, sha: crypto.createHash('sha256').update(bytes).digest('hex')};
    for (; outcome.tries < 40; outcome.tries++) {
      const at = turn++ % o.to.length;
      const answer = await request(new URL(`api/replays?name=load${index}`, o.to[at]), {method: 'POST', agent: agents[at],
        headers: {'Content-Type': 'application/octet-stream', 'Content-Length': bytes.length}, body: bytes});
      count1(answer.status);
      timeline.push([Math.round(performance.now() - t0), answer.status]);
      if (answer.status === 201 || answer.status === 409) {
        latencies.push(answer.ms);
        const body = json(answer.body);
        outcome.status = answer.status;
        outcome.id = body.id ?? null;
        outcome.error = body.error;
        if (answer.status === 201) {
          playMs += length.ms;
          frames += length.frames;
        }
        break;
      }
      if (answer.status && answer.status < 500) {  // refused for good
        outcome.status = answer.status;
        outcome.error = json(answer.body).error || answer.error;
        break;
      }
      outcome.status = answer.status;
      outcome.error = answer.error || json(answer.body).error;
      await sleep(250);
    }
    outcomes[index] = outcome;
    answered++;
    for (const event of events) {
      if (!event.done && answered >= event.after) {
        event.done = true;
        event.ms = Math.round(performance.now() - t0);
        exec(event.command, (error, stdout, stderr) => {
          event.doneMs = Math.round(performance.now() - t0);
          if (error) console.error(`${event.command}: ${stderr || error.message}`);
        });
      }
    }
  }

  await Promise.all(Array.from({length: clients}, async () => {
    while (next < files.length) await one(next++);
  }));
  const seconds = (performance.now() - t0) / 1000;
  for (const agent of agents) agent.destroy();
  latencies.sort((a, b) => a - b);
  const stored = outcomes.filter(outcome => outcome.status === 201).length;
  // The database's outage as the clients saw it: from the first answer 503
  // to the last, and the first 201 after it.
  const unavailable = timeline.filter(([, status]) => status === 503);
  const lastUnavailable = unavailable.length ? unavailable[unavailable.length - 1][0] : null;
  const recovered = lastUnavailable === null ? null
    : (timeline.find(([ms, status]) => ms > lastUnavailable && status === 201) || [null])[0];
  const figures = {
    files: files.length, clients, instances: o.to.length, rateAsked: rate || 'as fast as answered',
    seconds: Number(seconds.toFixed(2)),
    stored, storedPerSecond: Number((stored / seconds).toFixed(1)),
    playMinutesPerSecond: Number((playMs / 60000 / seconds).toFixed(1)),
    meanGameMinutes: stored ? Number((playMs / stored / 60000).toFixed(2)) : 0,
    meanGameFrames: stored ? Math.round(frames / stored) : 0,
    p50ms: Math.round(percentile(latencies, 0.5)), p99ms: Math.round(percentile(latencies, 0.99)),
    maxms: Math.round(latencies[latencies.length - 1] || 0),
    answers: statuses, retried: outcomes.filter(outcome => outcome.tries > 0).length,
    notStored: outcomes.filter(outcome => outcome.status !== 201 && outcome.status !== 409)
      .map(outcome => `${path.basename(outcome.file)}: ${outcome.status} ${outcome.error || ''}`).slice(0, 10),
    events: events.map(event => ({after: event.after, ms: event.ms, doneMs: event.doneMs, command: event.command})),
    first503Ms: unavailable.length ? unavailable[0][0] : null, last503Ms: lastUnavailable,
    firstStoredAfter503Ms: recovered,
  };
  if (o.out) fs.writeFileSync(o.out, JSON.stringify(outcomes));
  console.log(JSON.stringify(figures, null, 1));
  return figures.notStored.length === 0 ? 0 : 1;
}

// ---- check ---------------------------------------------------------------------

async function check(o) {
  const outcomes = JSON.parse(fs.readFileSync(o.outcomes));
  const board = o.to[0];
  const seen = new Map();  // id → times listed
  for (const difficulty of ['KIDS', 'STANDARD', 'MASTER']) {
    const boards = json((await request(new URL('api/boards', board))).body).boards || [];
    for (const stages of new Set(['builtin', ...boards.map(b => b.stages)])) {
      for (let offset = 0; ; offset += 100) {
        const answer = await request(new URL(`api/scores?difficulty=${difficulty}&stages=${stages}&limit=100&offset=${offset}`, board));
        if (answer.status !== 200) throw new Error(`the scores: ${answer.status} ${answer.body}`);
        const rows = json(answer.body).rows;
        for (const row of rows) seen.set(row.id, (seen.get(row.id) || 0) + 1);
        if (rows.length < 100) break;
      }
    }
  }
  const problems = [];
  const ids = new Map();
  let kept = 0;
  for (const outcome of outcomes) {
    if (outcome.status !== 201 && !(outcome.status === 409 && outcome.id !== null)) continue;
    kept++;
    const name = path.basename(outcome.file);
    if (ids.has(outcome.id)) problems.push(`${name} has the id ${outcome.id} of ${ids.get(outcome.id)}`);
    ids.set(outcome.id, name);
    if (seen.get(outcome.id) !== 1) problems.push(`${name} (id ${outcome.id}) is listed ${seen.get(outcome.id) || 0} times`);
    const file = await request(new URL(`api/replays/${outcome.id}`, board));
    if (file.status !== 200 || crypto.createHash('sha256').update(file.body).digest('hex') !== outcome.sha) {
      problems.push(`${name} (id ${outcome.id}) comes back as another file (${file.status})`);
    }
  }
  const extra = [...seen.keys()].filter(id => !ids.has(id));
  const figures = {answeredStored: kept, onTheBoard: seen.size, listedTwice: [...seen.values()].filter(n => n > 1).length,
    notAnswered201ButOnTheBoard: extra.length, problems: problems.slice(0, 20), problemCount: problems.length};
  console.log(JSON.stringify(figures, null, 1));
  return problems.length === 0 && figures.listedTwice === 0 ? 0 : 1;
}

// ---- bad input -----------------------------------------------------------------

// Sends raw bytes on a new connection, a piece at a time with pauses
// (ms each), and gives back what the server answered (or how it ended).
function raw(address, pieces, {pause = 0, closeAfterSending = false, timeout = 30000} = {}) {
  return new Promise(resolve => {
    const started = performance.now();
    const socket = net.connect(Number(address.port), address.hostname);
    const chunks = [];
    let done = false;
    const finish = how => {
      if (done) return;
      done = true;
      socket.destroy();
      const text = Buffer.concat(chunks).toString('latin1');
      const status = /^HTTP\/1\.\d (\d{3})/.exec(text);
      resolve({status: status ? Number(status[1]) : 0, how, ms: performance.now() - started});
    };
    socket.setTimeout(timeout, () => finish('timeout'));
    socket.on('data', chunk => chunks.push(chunk));
    socket.on('end', () => finish('closed'));
    socket.on('error', error => finish(error.code || error.message));
    socket.on('connect', async () => {
      for (const piece of pieces) {
        if (done) return;
        socket.write(piece);
        if (pause) await sleep(pause);
      }
      if (closeAfterSending) finish('sent');
    });
  });
}

function malformed(kind, replay) {
  const random = n => crypto.randomBytes(n);
  const post = (type, body, length = body.length, extra = '') => Buffer.concat([Buffer.from(
    `POST /api/replays?name=bad HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Type: ${type}\r\nContent-Length: ${length}\r\n${extra}\r\n`),
  body]);
  switch (kind) {
    case 0: return {what: 'random body', bytes: post('application/octet-stream', random(1 + crypto.randomInt(60000)))};
    case 1: return {what: 'truncated upload', close: true,
      bytes: post('application/octet-stream', replay.subarray(0, replay.length >> 1), replay.length)};
    case 2: return {what: 'replay cut short', bytes: post('application/octet-stream', replay.subarray(0, crypto.randomInt(replay.length)))};
    case 3: return {what: 'wrong content type', bytes: post(['text/plain', 'application/json', 'image/png', ''][crypto.randomInt(4)], replay)};
    case 4: return {what: 'multipart without its parts',
      bytes: post('multipart/form-data; boundary=xyz', Buffer.concat([Buffer.from('--xyz\r\nContent-Disposition: form-data; name="replay"\r\n\r\n'), random(500)]))};
    case 5: return {what: 'enormous header', bytes: Buffer.from(`GET /api/boards HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nX-Big: ${'a'.repeat(200000)}\r\n\r\n`)};
    case 6: return {what: 'a thousand headers', bytes: Buffer.from(`GET /api/boards HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n${
      Array.from({length: 1000}, (_, i) => `X-H${i}: ${i}\r\n`).join('')}\r\n`)};
    case 7: return {what: 'random request line', bytes: Buffer.concat([random(1 + crypto.randomInt(2000)), Buffer.from('\r\n\r\n')])};
    case 8: return {what: 'body larger than the cap', bytes: post('application/octet-stream', random(65536), 50 << 20)};
    default: return {what: 'bad query', bytes: Buffer.from(`GET /api/scores?difficulty=%ff%00&limit=-1&offset=99999999999999999999 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n`)};
  }
}

async function bad(o) {
  const count = Number(o.count || 1000);
  const files = replayFiles(o.replays, 40);
  const replay = fs.readFileSync(files[0]);
  const outcomes = {}, slowest = {};  // what → answers by status; what → the longest it took (ms)
  let stop = false;
  // The well-behaved client: a real replay, then the scores, over and over;
  // its answers counted apart for each part of the run.
  const good = {malformed: {asked: 0, right: 0, wrong: [], worstMs: 0}};
  let part = good.malformed;
  const goodClient = (async () => {
    for (let i = 0; !stop; i++) {
      const address = o.to[i % o.to.length];
      const bytes = fs.readFileSync(files[1 + i % (files.length - 1)]);
      const posted = await request(new URL(`api/replays?name=good${i}`, address), {method: 'POST', body: bytes,
        headers: {'Content-Type': 'application/octet-stream', 'Content-Length': bytes.length}, timeout: 20000});
      const scores = await request(new URL('api/scores?difficulty=STANDARD', address), {timeout: 20000});
      for (const [answer, want] of [[posted, [201, 409]], [scores, [200]]]) {
        part.asked++;
        part.worstMs = Math.max(part.worstMs, Math.round(answer.ms));
        if (want.includes(answer.status)) part.right++;
        else if (part.wrong.push(`${answer.status} ${answer.error || answer.body}`.slice(0, 200)) > 5) part.wrong.length = 5;
      }
      await sleep(300);
    }
  })();
  // The malformed requests, 16 at a time.
  let next = 0;
  const t0 = performance.now();
  await Promise.all(Array.from({length: 16}, async () => {
    while (next < count) {
      const i = next++;
      const {what, bytes, close} = malformed(i % 10, replay);
      const result = await raw(o.to[i % o.to.length], [bytes], {closeAfterSending: close, timeout: 30000});
      const key = `${what}: ${result.status || result.how}`;
      outcomes[key] = (outcomes[key] || 0) + 1;
      slowest[what] = Math.max(slowest[what] || 0, Math.round(result.ms));
    }
  }));
  const seconds = (performance.now() - t0) / 1000;
  // Then slow clients, a request a byte a second each, spread over the
  // instances, for 30 s: the well-behaved client must still be served.
  const slowCount = Number(o.slow ?? 32);
  part = good.slow = {clients: slowCount, asked: 0, right: 0, wrong: [], worstMs: 0};
  const slowRequest = Buffer.from('POST /api/replays?name=slow HTTP/1.1\r\nHost: 127.0.0.1\r\n' +
    'Content-Type: application/octet-stream\r\nContent-Length: 100000\r\n\r\n' + 'x'.repeat(100000));
  const slowDone = {};
  const slow = Array.from({length: slowCount}, (_, i) => raw(o.to[i % o.to.length], [...slowRequest].map(b => Buffer.of(b)),
    {pause: 1000, timeout: 600000}).then(result => {
    const key = `${result.status || result.how} after ${Math.round(result.ms / 1000)} s`;
    slowDone[key] = (slowDone[key] || 0) + 1;
  }));
  await sleep(30000);
  stop = true;
  await goodClient;
  await Promise.race([Promise.all(slow), sleep(1000)]);
  // Those not dropped by now are left hanging when the tool ends.
  slowDone['still connected'] = slowCount - Object.values(slowDone).reduce((sum, n) => sum + n, 0);
  const health = await Promise.all(o.to.map(address => request(new URL('healthz', address), {timeout: 5000})));
  const figures = {malformed: count, seconds: Number(seconds.toFixed(1)), outcomes, slowestMs: slowest,
    slowClients: slowDone, good, health: health.map(answer => answer.status)};
  console.log(JSON.stringify(figures, null, 1));
  const served = part => part.asked > 0 && part.wrong.length === 0;
  return served(good.malformed) && served(good.slow) && health.every(answer => answer.status === 200) ? 0 : 1;
}

const [command, ...rest] = process.argv.slice(2);
const commands = {submit, check, bad};
if (!commands[command]) {
  console.error('usage: board_load.js submit|check|bad --to ADDRESS[,ADDRESS] … (see the top of the file)');
  process.exit(2);
}
commands[command](options(rest)).then(code => process.exit(code), error => {
  console.error(`board_load.js: ${error.message}`);
  process.exit(2);
});
