// The page around the game: it unpacks the data folder into the program's
// file system and starts the program, shows the game's pictures on the
// canvas scaled by whole factors, plays its sound once the player has
// pressed a key or clicked, keeps the score log and the replays in the
// browser's storage and lists them, starts the program watching a replay
// when the address asks for one, and says so on the page when anything goes
// wrong. The program's side is engine/system/sys_web.cpp.
'use strict';

const Graze = (() => {
  const $ = id => document.getElementById(id);

  function say(id, text) {
    const element = $(id);
    if (element) element.textContent = text;
  }

  // Shows a message over the game in place of the canvas: a fault, or the
  // end; with a link to the game (the page without a replay to watch).
  function showMessage(text, linkToGame = false) {
    say('message', text);
    if (linkToGame) {
      const link = document.createElement('a');
      link.href = 'index.html';
      link.textContent = 'Play the game';
      $('message').append(document.createElement('br'), link);
    }
    document.body.classList.add('stopped');
  }

  // What the program says on its standard error for the player (its lines
  // start with "grazerunner:": a replay or log that cannot be written, say),
  // shown on the page as well as in the console.
  function notice(text) {
    const list = $('notices');
    if (!list) return;
    const item = document.createElement('li');
    item.textContent = text;
    list.append(item);
    while (list.children.length > 10) list.firstElementChild.remove();
  }

  let failed = false;
  function fail(text) {
    if (failed) return;
    failed = true;
    console.error(text);
    showMessage(`The game cannot go on: ${text}`);
  }

  // ---- The data package: data/<file> in a tar, compressed with gzip ----------

  const latin1 = bytes => Array.from(bytes, b => String.fromCharCode(b)).join('');
  const damaged = why => new Error(`the game's data (data.pack) is damaged: ${why}. ` +
    'Reload the page; if that does not help, the site needs its data.pack again.');

  async function unpack(bytes) {
    if (bytes[0] === 0x1f && bytes[1] === 0x8b) {  // not already unpacked by the server
      if (typeof DecompressionStream !== 'function') {
        throw new Error('this browser cannot unpack the game\'s data (it has no DecompressionStream); ' +
          'a current Firefox, Chrome, Edge or Safari can.');
      }
      const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
      try {
        bytes = new Uint8Array(await new Response(stream).arrayBuffer());
      } catch (error) {
        throw damaged(`it does not unpack (${error.message})`);
      }
    }
    const files = [];
    for (let at = 0; at + 512 <= bytes.length;) {
      const header = bytes.subarray(at, at + 512);
      if (header.every(b => b === 0)) return files;  // the end of the archive
      let sum = 0;
      header.forEach((b, i) => { sum += i >= 148 && i < 156 ? 32 : b; });
      const field = (from, length) => latin1(header.subarray(from, from + length)).replace(/\0.*$/s, '').trim();
      if (parseInt(field(148, 8), 8) !== sum) throw damaged(`a file header is wrong at byte ${at}`);
      const name = field(0, 100), size = parseInt(field(124, 12), 8), type = header[156];
      at += 512;
      if (at + size > bytes.length) throw damaged(`${name} is cut short`);
      if (type === 0 || type === 0x30) files.push([name, bytes.slice(at, at + size)]);
      at += Math.ceil(size / 512) * 512;
    }
    throw damaged('it is cut short');
  }

  async function loadData(url) {
    let response;
    try {
      response = await fetch(url);
    } catch (error) {
      throw new Error(`the game's data (${url}) could not be fetched: ${error.message}`);
    }
    if (!response.ok) {
      throw new Error(`the game's data (${url}) could not be loaded: ${response.status} ${response.statusText}`);
    }
    return unpack(new Uint8Array(await response.arrayBuffer()));
  }

  // ---- The score log and other written files: the browser's storage ----------
  //
  // A file is kept under `grazerunner:<path>`, and what a page appends to it
  // under a key of its own, `grazerunner:<path>#<time>-<page>-<count>`: the
  // file is the first followed by its pieces in the order of their keys. No
  // page writes back what another wrote, so two pages adding lines at the
  // same moment keep both (a Web Locks section around reading and writing
  // the whole file back would store the line only once a promise settles,
  // after the game's frame has given control back, and pages on plain http
  // from another machine get no locks). What the storage refuses stays in
  // `unsaved` and is tried again at each write; the page shows and offers
  // it all the same.

  const storePrefix = 'grazerunner:';
  const pieceKey = /^(.*)#\d{15}-[0-9a-z]{8}-\d{6}$/;  // the path of a piece
  const pageId = Math.random().toString(36).slice(2, 10).padEnd(8, '0');
  let storage = null;
  let lastPieceTime = 0, pieceCount = 0;
  const unsaved = new Map();  // storage key → text not stored yet, oldest first

  function openStorage() {
    try {
      const s = window.localStorage;
      s.setItem(`${storePrefix}test`, '1');
      s.removeItem(`${storePrefix}test`);
      return s;
    } catch (error) {
      return null;
    }
  }

  function newPieceKey(path) {
    lastPieceTime = Math.max(lastPieceTime, Date.now());  // the clock may step back
    const count = String(pieceCount++ % 1e6).padStart(6, '0');
    return `${storePrefix}${path}#${String(lastPieceTime).padStart(15, '0')}-${pageId}-${count}`;
  }

  // Stores what is not stored yet, oldest first, each as far as the storage
  // takes it (a replay too large for what is left never holds back a line
  // of the log); says on the page whether anything is left out.
  function store() {
    if (!storage) storage = openStorage();
    for (const [key, value] of unsaved) {
      try {
        storage.setItem(key, value);
        unsaved.delete(key);
      } catch (error) {
        // Left for the next write.
      }
    }
    const left = [...unsaved.keys()].map(key => key.slice(storePrefix.length));
    const replaysLeft = left.filter(isReplay).length;
    say('storage', storage && left.length === replaysLeft ? '' : 'This browser does not let the page keep the ' +
      'score log (a private window, or storage turned off or full): it lasts until the page is closed, and the ' +
      'page tries again with each game. Download it to keep it.');
    say('replay-storage', replaysLeft === 0 ? '' : `This browser's storage did not take ${replaysLeft === 1 ?
      'a replay' : `${replaysLeft} replays`} (marked “not kept”: the storage is turned off or full). ` +
      'It lasts until the page is closed: download it to keep it, or delete older replays to make room.');
  }

  // Every file kept, stored or not, as path → text.
  function keptFiles() {
    const entries = [...unsaved];
    try {
      for (let i = 0; storage && i < storage.length; i++) {
        const key = storage.key(i);
        if (key.startsWith(storePrefix) && !unsaved.has(key)) entries.push([key, storage.getItem(key)]);
      }
    } catch (error) {
      // What could be read.
    }
    entries.sort(([a], [b]) => (a < b ? -1 : a > b ? 1 : 0));
    const files = new Map();
    for (const [key, value] of entries) {
      const name = key.slice(storePrefix.length), piece = pieceKey.exec(name);
      const path = piece ? piece[1] : name;
      files.set(path, (files.get(path) || '') + value);
    }
    return files;
  }

  // The files kept in the storage, written back into the file system (the
  // replays too, so that the game names a new one apart from them).
  function restoreFiles(FS) {
    store();
    for (const [path, text] of keptFiles()) {
      const slash = path.lastIndexOf('/');
      if (slash > 0) FS.mkdirTree(path.slice(0, slash));
      FS.writeFile(path, Uint8Array.from(text, c => c.charCodeAt(0)));
    }
  }

  const logName = 'point.txt';
  let logUrl = null;

  function showLog(files) {
    const text = files.get(logName) || '';
    say('log', text || '(no game finished yet)');
    const link = $('download');
    if (!link) return;
    if (logUrl) URL.revokeObjectURL(logUrl);
    logUrl = URL.createObjectURL(new Blob([text], {type: 'text/plain'}));
    link.href = logUrl;
    link.hidden = text === '';
  }

  // Keeps what the game wrote to a file this turn: the bytes appended from
  // `from` on as a piece of their own, or the whole file when `from` is -1.
  // (The layer never names the program's scratch in the temporary folder.)
  function keep(path, from) {
    let bytes;
    try {
      bytes = Module.FS.readFile(path);
    } catch (error) {
      return;  // nothing was written after all
    }
    if (from >= 0) {
      if (bytes.length > from) unsaved.set(newPieceKey(path), latin1(bytes.subarray(from)));
    } else {
      const whole = storePrefix + path;
      for (const key of [...unsaved.keys()]) if (key.startsWith(`${whole}#`)) unsaved.delete(key);
      try {
        for (let i = storage ? storage.length - 1 : -1; i >= 0; i--) {
          const key = storage.key(i), piece = pieceKey.exec(key);
          if (piece && piece[1] === whole) storage.removeItem(key);
        }
      } catch (error) {
        // The pieces left come after the whole file when it is read back.
      }
      unsaved.delete(whole);
      unsaved.set(whole, latin1(bytes));
    }
    store();
    showKept();
    if (from < 0) offerToBoard(path);
  }

  let listed = false;  // the kept files are shown (the program's file system is ready)
  function showKept() {
    listed = true;
    const files = keptFiles();
    showLog(files);
    showReplays(files);
  }

  window.addEventListener('storage', showKept);  // another page of the game added a line or a replay

  // ---- Replays -----------------------------------------------------------------
  //
  // The game saves each game it records as replays/<date>_<time>_<DIFFICULTY>_
  // <SHIP>_<points>[_unfinished].grr, kept whole in the storage like any file
  // the game writes (as a latin1 string: each byte one character, which the
  // storage gives back unchanged). The page lists them from their INFO chunk
  // (see game/replay.h), offers each for download and to watch: watching
  // reloads the page with a query naming the replay, and the page starts the
  // program with the replay's path as its argument.
  //   ?watch=NAME      the kept replay replays/NAME
  //   ?replay=ADDRESS  a replay fetched from ADDRESS (relative to the page,
  //                    or another site's that allows it by CORS)
  //   ?open=NAME       a file the player opened or dropped on the page, held
  //                    for the tab in its session storage
  // Replays to watch are written into watched/ in the program's file system,
  // which is not kept.

  const replayFolder = 'replays/';
  const isReplay = path => path.startsWith(replayFolder) && path.endsWith('.grr');
  const openedKey = `${storePrefix}opened:`;
  const watchFolder = 'watched/';
  let replayUrls = [];
  let watching = null;  // the replay being watched: {name, failed}

  const bytesOf = text => Uint8Array.from(text, c => c.charCodeAt(0));

  // The replay's INFO chunk as key → value, or null when the file does not
  // start with one.
  function replayInfo(text) {
    if (!text.startsWith('GRReplay') || text.slice(12, 16) !== 'INFO' || text.length < 20) return null;
    const length = [16, 17, 18, 19].reduce((sum, at, i) => sum + text.charCodeAt(at) * 2 ** (8 * i), 0);
    const lines = new TextDecoder().decode(bytesOf(text.slice(20, 20 + length))).split('\n');
    const info = {};
    for (const line of lines) {
      const equals = line.indexOf('=');
      if (equals > 0) info[line.slice(0, equals)] = line.slice(equals + 1);
    }
    return info;
  }

  // A replay in words: when it was recorded, the difficulty, the ship, the
  // points and whether it reached the results; from its INFO chunk, else
  // from its name.
  function describeReplay(name, text) {
    const info = replayInfo(text);
    if (info && info.recorded && info.difficulty && info.ship) {
      const points = /POINT (\d+)/.exec(info.result || '');
      return `${info.recorded.replace('T', ' ').slice(0, 16)} ${info.difficulty} ${info.ship} ` +
        `${points ? points[1] : '?'} points${info.finished === '1' ? '' : ' (unfinished)'}`;
    }
    const named = /^(\d{4}-\d\d-\d\d)_(\d\d)(\d\d)\d\d_([A-Z]+)_([A-Z]+)_(\d+)(_unfinished)?/.exec(name);
    if (!named) return name;
    const [, date, hours, minutes, difficulty, ship, points, unfinished] = named;
    return `${date} ${hours}:${minutes} ${difficulty} ${ship} ${points} points${unfinished ? ' (unfinished)' : ''}`;
  }

  function action(text, attributes, onClick) {
    const element = document.createElement(onClick ? 'button' : 'a');
    element.textContent = text;
    Object.assign(element, attributes);
    if (onClick) element.addEventListener('click', onClick);
    return element;
  }

  // The replays kept (and those the storage refused, marked), newest first,
  // each to watch, download or delete.
  function showReplays(files) {
    const list = $('replays');
    if (!list) return;
    for (const url of replayUrls) URL.revokeObjectURL(url);
    replayUrls = [];
    const paths = [...files.keys()].filter(isReplay).sort().reverse();
    list.replaceChildren(...paths.map(path => {
      const name = path.slice(replayFolder.length), text = files.get(path);
      const kept = !unsaved.has(storePrefix + path);
      const url = URL.createObjectURL(new Blob([bytesOf(text)], {type: 'application/x-grazerunner-replay'}));
      replayUrls.push(url);
      const item = document.createElement('li');
      item.dataset.path = path;
      item.append(`${describeReplay(name, text)}${kept ? '' : ' (not kept)'} `,
        kept ? action('Watch', {href: `?watch=${encodeURIComponent(name)}`, className: 'watch'})
          : action('Watch', {className: 'watch'}, () => watchOpened(name, text)), ' ',
        action('Download', {href: url, download: name, className: 'download'}), ' ',
        action('Delete', {className: 'delete'}, () => forget(path)));
      if (board && finished(name, text)) {
        item.append(' ', action('Submit to the board', {className: 'submit'}, () => submitToBoard(name, text)));
      }
      return item;
    }));
    say('no-replays', paths.length ? '' : '(no replay yet)');
  }

  // Whether a replay's game reached the results (only those go on a board).
  function finished(name, text) {
    const info = replayInfo(text);
    return info ? info.finished === '1' : !name.includes('_unfinished');
  }

  // ---- The score board -------------------------------------------------------
  //
  // A site whose folder holds board.json, {"board": "ADDRESS"} (the board's
  // address, absolute or relative to the page), offers each finished replay
  // to that board; without it the page offers nothing and sends nothing
  // anywhere. The player's name for the board is remembered outside the
  // files kept (a key not under storePrefix).

  const boardNameKey = 'grazerunner-board:name';
  let board = null;  // the board's address as a URL, or null

  async function findBoard() {
    let setting;
    try {
      const response = await fetch('board.json', {cache: 'no-cache'});
      if (!response.ok) return;
      setting = await response.json();
      board = new URL(setting.board, location.href);
      if (!/^https?:$/.test(board.protocol)) throw new Error(`${setting.board} is no web address`);
    } catch (error) {
      if (setting) console.warn(`board.json names no board: ${error.message}`);
      board = null;
      return;
    }
    const input = $('board-name');
    if (input) {
      try {
        input.value = window.localStorage.getItem(boardNameKey) || '';
      } catch (error) {
        // Asked again.
      }
      // Typing the name is not playing: the game does not see those keys.
      for (const type of ['keydown', 'keyup', 'keypress']) input.addEventListener(type, event => event.stopPropagation());
    }
    if ($('board')) $('board').hidden = false;
    if (listed) showKept();
  }

  function boardAnswer(...parts) {
    const element = $('board-answer');
    if (element) element.replaceChildren(...parts);
  }

  // Posts a replay to the board with the player's name, and says what the
  // board answered: its rank, with a link to see it there, or why not.
  async function submitToBoard(name, text) {
    const input = $('board-name');
    const player = input ? input.value.trim() : '';
    if (!player) {
      boardAnswer('Enter your name for the score board first, then submit again.');
      if (input) input.focus();
      return;
    }
    try {
      window.localStorage.setItem(boardNameKey, player);
    } catch (error) {
      // Asked again next visit.
    }
    const form = new FormData();
    form.append('name', player);
    form.append('replay', new Blob([bytesOf(text)], {type: 'application/octet-stream'}), name);
    boardAnswer(`Sending ${describeReplay(name, text)} to the score board…`);
    let response, answer;
    try {
      response = await fetch(new URL('api/replays', board), {method: 'POST', body: form});
      answer = await response.json().catch(() => ({}));
    } catch (error) {
      boardAnswer(`The score board could not be reached (${error.message}).`);
      return;
    }
    if (response.status !== 201) {
      boardAnswer(`The score board refused ${describeReplay(name, text)}: ` +
        `${answer.error || `${response.status} ${response.statusText}`}.`);
      return;
    }
    const seeIt = new URL(board);
    seeIt.search = new URLSearchParams({mine: answer.id, stages: answer.stages}).toString();
    boardAnswer(`On the score board: rank ${answer.rank} of ${answer.difficulty} with ${answer.points} points. `,
      action('See the board', {href: seeIt.href, className: 'board-link'}));
  }

  // Offers a game just finished to the board.
  function offerToBoard(path) {
    if (!board || !isReplay(path)) return;
    const name = path.slice(replayFolder.length), text = keptFiles().get(path);
    if (text === undefined || !finished(name, text)) return;
    boardAnswer(`Your game ${describeReplay(name, text)} is kept. `,
      action('Submit it to the board', {className: 'submit'}, () => submitToBoard(name, text)));
  }

  // Deletes a replay from the storage (and the visit), once the player agrees.
  function forget(path) {
    if (!window.confirm(`Delete the replay ${path.slice(replayFolder.length)}?`)) return;
    unsaved.delete(storePrefix + path);
    try {
      storage.removeItem(storePrefix + path);
    } catch (error) {
      // No storage: it was only in the visit.
    }
    try {
      Module.FS.unlink(path);
    } catch (error) {
      // Not in the file system.
    }
    store();
    showKept();
  }

  // Watches a replay the page holds (opened, dropped, or not kept): it is
  // held for the tab in its session storage over the reload.
  function watchOpened(name, text) {
    try {
      const held = window.sessionStorage;
      for (let i = held.length - 1; i >= 0; i--) if (held.key(i).startsWith(openedKey)) held.removeItem(held.key(i));
      held.setItem(openedKey + name, text);
    } catch (error) {
      notice(`This browser would not hold ${name} for the page to play it (${error.message}).`);
      return;
    }
    location.assign(`?open=${encodeURIComponent(name)}`);
  }

  // A name for the file system from a file's name or an address's last part.
  const fileName = name => name.replace(/[^\w.-]/g, '_').replace(/^\.+/, '_').slice(-100) || 'replay.grr';

  async function openFile(file) {
    if (!file) return;
    let text;
    try {
      text = latin1(new Uint8Array(await file.arrayBuffer()));
    } catch (error) {
      notice(`${file.name} cannot be read (${error.message}).`);
      return;
    }
    watchOpened(fileName(file.name), text);
  }

  function listenForFiles() {
    const input = $('open-replay');
    if (input) input.addEventListener('change', () => openFile(input.files[0]));
    const carriesFiles = event => event.dataTransfer && [...event.dataTransfer.types].includes('Files');
    window.addEventListener('dragover', event => {
      if (!carriesFiles(event)) return;
      event.preventDefault();
      event.dataTransfer.dropEffect = 'copy';
    });
    window.addEventListener('drop', event => {
      if (!carriesFiles(event)) return;
      event.preventDefault();
      openFile(event.dataTransfer.files[0]);
    });
  }

  // The replay the address asks to watch: its name, and a promise of its
  // bytes (a failure says why it cannot be had); null to play the game.
  function replayAsked() {
    const query = new URLSearchParams(location.search);
    if (query.has('replay')) {
      const address = query.get('replay');
      let url;
      try {
        url = new URL(address, location.href);
      } catch (error) {
        return {name: address, bytes: Promise.reject(new Error(`${address} is no address`))};
      }
      const last = url.pathname.split('/').pop();
      let name = last;
      try {
        name = decodeURIComponent(last);
      } catch (error) {
        // Left as it came.
      }
      name = fileName(name);
      const bytes = fetch(url).then(response => {
        if (!response.ok) throw new Error(`${address} could not be fetched: ${response.status} ${response.statusText}`);
        return response.arrayBuffer();
      }, error => {
        throw new Error(`${address} could not be fetched: ${error.message}`);
      }).then(buffer => new Uint8Array(buffer));
      return {name, bytes};
    }
    if (query.has('watch')) {
      const name = query.get('watch');
      if (!storage) storage = openStorage();
      const text = /^[^/]+\.grr$/.test(name) ? keptFiles().get(replayFolder + name) : undefined;
      return {name, kept: true, bytes: text !== undefined ? Promise.resolve(bytesOf(text))
        : Promise.reject(new Error(`${name} is not kept in this browser (it was deleted, or the site's data cleared)`))};
    }
    if (query.has('open')) {
      const name = fileName(query.get('open'));
      let text = null;
      try {
        text = window.sessionStorage.getItem(openedKey + name);
      } catch (error) {
        // No session storage: as if not held.
      }
      return {name, bytes: text !== null ? Promise.resolve(bytesOf(text))
        : Promise.reject(new Error(`${name} is no longer held by this tab: open it again`))};
    }
    return null;
  }

  // The program's arguments: the path of the replay to watch, written into
  // the file system, or none.
  function watchArguments(FS, asked, bytes) {
    if (!asked) return [];
    const path = asked.kept ? replayFolder + asked.name : watchFolder + asked.name;
    if (!asked.kept) {
      FS.mkdirTree(watchFolder.slice(0, -1));
      FS.writeFile(path, bytes);
    }
    watching = {name: asked.name, failed: null};
    const head = latin1(bytes.subarray(0, 65536));  // where the INFO chunk is
    say('watching', `Watching the replay ${describeReplay(asked.name, head)}. Space pauses and goes on, ` +
      'F plays it 2, 4 and 8 times as fast, Escape ends it.');
    // Space is the replay's: it does not scroll the page meanwhile.
    window.addEventListener('keydown', event => event.key === ' ' && event.preventDefault());
    return [path];
  }

  // ---- Display: the canvas -------------------------------------------------

  let screen = null, context = null, image = null;
  let firstFrame = null;

  // Puts the canvas where the game says, in device pixels (the largest whole
  // factor that fits the window, centred: the engine's rule, asked anew by
  // the game every turn; see PlaceCanvas in sys_web.cpp).
  function place(x, y, width, height) {
    if (!screen) return;
    const ratio = window.devicePixelRatio || 1;
    Object.assign(screen.style, {
      width: `${width / ratio}px`, height: `${height / ratio}px`, left: `${x / ratio}px`, top: `${y / ratio}px`,
    });
    document.body.style.setProperty('--margin', `${x / ratio}px`);
    document.body.classList.toggle('narrow', x / ratio < 200);
  }

  function openDisplay(width, height) {
    screen = $('screen');
    context = screen && screen.getContext('2d');
    if (!context) return false;
    screen.width = width;
    screen.height = height;
    image = context.createImageData(width, height);
    return true;
  }

  function present(rgba) {
    image.data.set(rgba);
    context.putImageData(image, 0, 0);
    if (firstFrame === null) firstFrame = performance.now();
  }

  // The page's own full screen (the browser's F11 stays the browser's): the
  // game takes the whole screen, scaled by the same rule, until Escape or
  // the button again.
  function switchFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    } else if (document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch(error => console.warn(`No full screen: ${error.message}`));
    }
  }
  window.addEventListener('DOMContentLoaded', () => {
    const button = $('full-screen');
    if (!button) return;
    button.hidden = !document.fullscreenEnabled;
    button.addEventListener('click', switchFullScreen);
    document.addEventListener('fullscreenchange', () => {
      button.textContent = document.fullscreenElement ? 'Leave full screen' : 'Full screen';
    });
  });

  function showScreen(shown) {
    if ($('screen')) $('screen').hidden = !shown;
  }

  // The game stands still while inactive and quiets its own sound: the page
  // says so, and leaves the output running. The game may feed it nothing
  // meanwhile, which is no gap.
  function setActive(active) {
    document.body.classList.toggle('paused', !active);
    if (!active) audio.hold();
  }

  function messageBox(text, title) {
    // The engine's box for a replay that will not play: "Replay : FILE
    // cannot be played: why".
    if (watching && text.startsWith('Replay : ')) watching.failed = text.replace(/^.*? cannot be played: /, '');
    window.alert(`${title}\n\n${text}`);
  }

  function ended() {
    say('watching', '');
    if (!watching) showMessage('The game has ended. Reload the page to play again.');
    else if (watching.failed) showMessage(`The replay could not be played: ${watching.failed}.`, true);
    else showMessage('The replay has ended.', true);
  }

  // ---- Sound -----------------------------------------------------------------
  //
  // Each turn the engine's mixer makes what the output will need until
  // `lead` seconds from now and sends it to the output (audio.js), which
  // plays it in order. A turn that comes late (a slow device, a picture
  // loading) lets the output run dry, a gap the player hears: the output
  // counts its gaps, and the lead grows by the time it ran dry and a
  // margin (at most `leadStep` a time), up to `maxLead`. After `cleanFor`
  // seconds of play without a gap it shrinks by `leadShrink` each second,
  // down to `minLead`.
  //
  // Browsers give a hidden tab no frames: nothing is fed, and the output is
  // told to hold, so that the silence after what it has is no gap. A turn
  // that comes more than `staleAfter` seconds after the last drops what
  // the output still holds (it stood still meanwhile: that is out of date).

  const leadMargin = 0.05, leadStep = 0.1, cleanFor = 20, leadShrink = 0.01, staleAfter = 1;
  // Events that may count as the player's gesture, which browsers want before
  // they start sound: some do not count (on some phones a touch only at its
  // end), so each one tries until the output runs.
  const gestures = ['keydown', 'mousedown', 'pointerdown', 'pointerup', 'touchstart', 'touchend', 'click'];
  const startSound = () => audio.resume();

  const audio = {
    context: null,
    node: null,      // the output: an AudioWorkletNode, or a ScriptProcessorNode
    queue: null,     // the ScriptProcessorNode's frames
    minLead: 0.1,    // the bounds of the lead
    maxLead: 0.5,
    lead: 0.1,       // seconds mixed ahead of the output
    extra: 0,        // more ahead for an output that takes whole buffers ahead of time
    until: 0,        // output time at which all that was sent has played
    hidden: false,   // the tab is hidden: no frames come
    lastTurn: null,
    clean: 0,        // seconds of play fed since the output last ran dry
    dryRuns: 0,      // the gaps in the output, and their frames, as it counts them
    dryFrames: 0,
    seenDryFrames: 0,

    // The output's rate, or 0 without Web Audio. The engine's data is at
    // 44100 samples a second; the browser converts for the device.
    open() {
      const Context = window.AudioContext || window.webkitAudioContext;
      if (!Context) return 0;
      try {
        this.context = new Context({sampleRate: 44100});
      } catch (error) {
        try {
          this.context = new Context();
        } catch (error2) {
          return 0;
        }
      }
      const context = this.context, rate = context.sampleRate;
      const counted = counts => { this.dryRuns = counts.dryRuns; this.dryFrames = counts.dryFrames; };
      const made = context.audioWorklet
        ? context.audioWorklet.addModule('audio.js').then(() => {
          const node = new AudioWorkletNode(context, 'graze-output', {numberOfInputs: 0, outputChannelCount: [2],
            processorOptions: {limit: Math.ceil((this.maxLead + leadStep) * rate)}});
          node.port.onmessage = event => counted(event.data);
          return node;
        })
        : Promise.resolve().then(() => {
          const size = 2048;
          this.extra = 2 * size / rate;  // it takes whole buffers ahead of time
          const queue = new FrameQueue(Math.ceil((this.maxLead + leadStep + this.extra) * rate));
          const node = context.createScriptProcessor(size, 0, 2);
          node.onaudioprocess = event => {
            queue.fill(event.outputBuffer.getChannelData(0), event.outputBuffer.getChannelData(1));
            counted(queue);
          };
          this.queue = queue;
          return node;
        });
      made.then(node => {
        if (this.context !== context) return;
        node.connect(context.destination);
        this.node = node;
      }, error => console.warn(`No sound: ${error.message}`));
      // The page listens for gestures until the output runs, and again
      // when the system takes it away (a call on a phone, say).
      context.onstatechange = () => this.listen(this.context === context && context.state !== 'running' &&
        context.state !== 'closed');
      this.listen(context.state !== 'running');
      this.hidden = document.hidden;
      return rate;
    },

    close() {
      this.listen(false);
      if (this.context) this.context.close().catch(() => {});
      this.context = this.node = this.queue = null;
    },

    listen(on) {
      for (const type of gestures) {
        if (on) window.addEventListener(type, startSound, true);
        else window.removeEventListener(type, startSound, true);
      }
    },

    // A refusal leaves the game silent, never stopped; the next gesture
    // tries again.
    resume() {
      if (!this.context || this.context.state === 'running' || this.context.state === 'closed') return;
      this.context.resume().catch(error => console.warn(`Sound: ${error.message}`));
    },

    playing() {
      return this.node !== null && this.context.state === 'running';
    },

    // Tells the output that what it holds may be the last for a while: the
    // silence after it is no gap.
    hold() {
      if (this.queue) this.queue.hold();
      else if (this.node) this.node.port.postMessage('hold');
    },

    // Tells the output that what it holds is out of date.
    drop() {
      if (this.queue) this.queue.drop();
      else if (this.node) this.node.port.postMessage('drop');
    },

    setHidden(hidden) {
      this.hidden = hidden;
      if (hidden) this.hold();
    },

    // The lead after a turn `seconds` long: longer by the time the output
    // ran dry since the last turn, or shorter after long enough without.
    adapt(seconds) {
      const dry = (this.dryFrames - this.seenDryFrames) / this.context.sampleRate;
      this.seenDryFrames = this.dryFrames;
      if (dry > 0) {
        this.lead = Math.min(this.maxLead, this.lead + Math.min(leadStep, dry + leadMargin));
        this.clean = 0;
      } else if ((this.clean += seconds) > cleanFor) {
        this.lead = Math.max(this.minLead, this.lead - leadShrink * seconds);
      }
    },

    // Frames the game should mix now (see FeedAudio in sys_web.cpp), with
    // `ahead` seconds more than the lead (the beep before a box that stops
    // the page).
    framesDue(ahead = 0) {
      if (!this.context) return 0;
      const now = performance.now(), rate = this.context.sampleRate;
      const since = this.lastTurn === null ? 0 : (now - this.lastTurn) / 1000;
      this.lastTurn = now;
      if (this.hidden) return 0;
      // Until the output runs (before the first gesture), what the time since
      // the last turn would have played is mixed and dropped: the game's
      // sounds go on, silently.
      if (!this.playing()) return Math.ceil(Math.min(since, 0.25) * rate);
      if (since > staleAfter) {
        this.drop();
        this.until = 0;
      }
      this.adapt(Math.min(since, 0.1));
      const time = this.context.currentTime;
      this.until = Math.max(this.until, time);
      return Math.max(0, Math.ceil((time + this.lead + this.extra + ahead - this.until) * rate));
    },

    send(block) {
      if (!this.playing()) return;
      this.until += block.length / 2 / this.context.sampleRate;
      if (this.queue) this.queue.push(block);
      else this.node.port.postMessage(block, [block.buffer]);
    },
  };

  document.addEventListener('visibilitychange', () => audio.setHidden(document.hidden));

  // ---- Start ------------------------------------------------------------------

  // Loads `program` (the compiler's JavaScript of the game or of a test
  // program), unpacks the data beside it and runs its main.
  function start(program) {
    window.addEventListener('error', event => fail(event.message));
    window.addEventListener('unhandledrejection', event => {
      fail(String(event.reason && event.reason.message || event.reason));
    });
    if (typeof WebAssembly !== 'object') {
      return fail('this browser cannot run WebAssembly, which the game needs; ' +
        'a current Firefox, Chrome, Edge or Safari can.');
    }
    say('status', 'Loading…');
    listenForFiles();
    findBoard();
    const asked = replayAsked();  // fetched meanwhile
    if (asked) asked.bytes.catch(() => {});  // a failure is told once the program could start
    const runtime = new Promise(resolve => {
      window.Module = {
        noInitialRun: true,
        print: text => console.log(text),
        printErr: text => {
          console.warn(text);
          if (text.startsWith('grazerunner:')) notice(text.slice('grazerunner:'.length).trim());
        },
        onAbort: what => fail(`the program stopped (${what}).`),
        onRuntimeInitialized: resolve,
      };
    });
    const data = loadData('data.pack');
    const script = document.createElement('script');
    script.src = program;
    script.onerror = () => fail(`the game's program (${program}) could not be loaded.`);
    document.body.append(script);
    Promise.all([data, runtime]).then(([files]) => {
      const FS = Module.FS;
      for (const [name, bytes] of files) {
        const slash = name.lastIndexOf('/');
        if (slash > 0) FS.mkdirTree(name.slice(0, slash));
        FS.writeFile(name, bytes);
      }
      restoreFiles(FS);
      showKept();
      say('status', '');
      if (!asked) return Module.callMain([]);
      asked.bytes.then(bytes => Module.callMain(watchArguments(FS, asked, bytes)),
        error => showMessage(`The replay could not be played: ${error.message}.`, true));
    }, error => fail(error.message));
  }

  return {
    start, openDisplay, place, present, showScreen, setActive, messageBox, keep, ended, audio,
    firstFrame: () => firstFrame,
  };
})();
