// The score board's page: a table per difficulty for the stage set and ship
// chosen, a page of rows at a time; the entries this browser submitted
// highlighted (their ids are remembered in its storage); each entry
// watchable in the game's site and downloadable; a form and a drop zone to
// submit a replay. Whatever came from a player (the name) is only ever put
// on the page as text. Every address is relative to the page, so the board
// works from any folder behind a reverse proxy.
'use strict';

(() => {
  const $ = id => document.getElementById(id);
  const difficulties = ['KIDS', 'STANDARD', 'MASTER'];
  const rowsPerPage = 20;
  const mineKey = 'grazerunner-board:mine';
  const nameKey = 'grazerunner-board:name';
  const config = {site: '', maxBytes: 1 << 20, nameMax: 16};
  const offsets = {};  // difficulty → first row shown
  let dropped = null;  // a file dropped while the name was missing

  // ---- What this browser remembers: its submissions' ids (and the name) ----

  function remembered(key, fallback) {
    try {
      const value = window.localStorage.getItem(key);
      return value === null ? fallback : JSON.parse(value);
    } catch (error) {
      return fallback;  // no storage, or not ours
    }
  }

  function remember(key, value) {
    try {
      window.localStorage.setItem(key, JSON.stringify(value));
    } catch (error) {
      // Lasts for the visit.
    }
  }

  const mine = new Set(remembered(mineKey, []).filter(Number.isInteger));
  function rememberMine(id) {
    mine.add(id);
    remember(mineKey, [...mine].slice(-500));
  }

  // ---- Talking to the board -------------------------------------------------

  async function getJson(address) {
    const response = await fetch(address);
    const body = await response.json().catch(() => ({}));
    if (!response.ok) throw new Error(body.error || `${response.status} ${response.statusText}`);
    return body;
  }

  const cell = (text, className) => {
    const td = document.createElement('td');
    td.textContent = text;
    if (className) td.className = className;
    return td;
  };

  const link = (text, href, attributes = {}) => {
    const a = document.createElement('a');
    a.textContent = text;
    a.href = href;
    Object.assign(a, attributes);
    return a;
  };

  // Where an entry is watched: the game's site playing its replay, fetched
  // from this board by its absolute address.
  function watchAddress(id) {
    const replay = new URL(`api/replays/${id}`, location.href).href;
    const site = new URL(config.site, location.href);
    return `${new URL('index.html', site).href}?replay=${encodeURIComponent(replay)}`;
  }

  const formatDate = date => String(date).replace('T', ' ').replace(/:\d\dZ$/, ' UTC');
  const number = n => Number(n).toLocaleString('en');

  function row(entry) {
    const tr = document.createElement('tr');
    tr.dataset.id = entry.id;
    if (mine.has(entry.id)) tr.className = 'mine';
    const replay = document.createElement('td');
    if (config.site) replay.append(link('Watch', watchAddress(entry.id)), ' ');
    replay.append(link('Download', `api/replays/${entry.id}`, {download: `grazerunner-${entry.id}.grr`}));
    tr.append(cell(entry.rank, 'number'), cell(entry.name, 'name'), cell(number(entry.points), 'number'),
      cell(entry.stage, 'number'), cell(entry.combo, 'number'), cell(entry.ship), cell(formatDate(entry.date)), replay);
    return tr;
  }

  function pageButton(text, enabled, onClick) {
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = text;
    button.disabled = !enabled;
    button.addEventListener('click', onClick);
    return button;
  }

  // One difficulty's table, the rows from `offsets[difficulty]` on.
  async function showTable(difficulty) {
    const section = $(`board-${difficulty}`);
    const offset = offsets[difficulty] || 0;
    const query = new URLSearchParams({difficulty, stages: $('stages').value, limit: rowsPerPage, offset});
    if ($('ship').value) query.set('ship', $('ship').value);
    let board;
    try {
      board = await getJson(`api/scores?${query}`);
    } catch (error) {
      section.replaceChildren(Object.assign(document.createElement('p'),
        {textContent: `The ${difficulty} board could not be loaded: ${error.message}.`}));
      return;
    }
    const table = $('board-table').content.firstElementChild.cloneNode(true);
    table.caption.textContent = difficulty;
    table.tBodies[0].append(...board.rows.map(row));
    const pages = document.createElement('p');
    pages.className = 'pages';
    const last = offset + board.rows.length;
    const move = to => () => { offsets[difficulty] = to; showTable(difficulty); };
    pages.append(pageButton('Previous', offset > 0, move(Math.max(0, offset - rowsPerPage))),
      pageButton('Next', last < board.total, move(offset + rowsPerPage)),
      board.total ? `Entries ${offset + 1}–${last} of ${board.total}` : 'No entry yet.');
    section.replaceChildren(table, pages);
  }

  function showTables() {
    return Promise.all(difficulties.map(showTable));
  }

  // The stage sets on the board: the game's own first, then the modders'.
  async function showStageSets(wanted) {
    const select = $('stages');
    let boards = [];
    try {
      boards = (await getJson('api/boards')).boards || [];
    } catch (error) {
      // The game's own set is always offered.
    }
    const sets = [...new Set(boards.map(board => board.stages))].filter(set => set && set !== 'builtin').sort();
    if (wanted && wanted !== 'builtin' && !sets.includes(wanted)) sets.push(wanted);
    const options = sets.map(set => Object.assign(document.createElement('option'),
      {value: set, textContent: `modded set ${set}`}));
    select.replaceChildren(select.options[0], ...options);
    select.value = wanted && (wanted === 'builtin' || sets.includes(wanted)) ? wanted : 'builtin';
  }

  // ---- Submitting ------------------------------------------------------------

  function answer(text, accepted) {
    const element = $('answer');
    element.textContent = text;
    element.className = accepted ? 'accepted' : 'refused';
  }

  async function submit(file) {
    const name = $('name').value.trim();
    if (!file) return answer('Choose a replay file or drop one on the box first.', false);
    if (!name) {
      dropped = file;
      $('name').focus();
      return answer(`Enter your name, then submit ${file.name}.`, false);
    }
    if (file.size > config.maxBytes) return answer(`${file.name} is larger than the board takes (${config.maxBytes} bytes).`, false);
    try {
      window.localStorage.setItem(nameKey, name);  // as the game's site keeps it: plain text
    } catch (error) {
      // Asked again next visit.
    }
    const form = new FormData();
    form.append('name', name);
    form.append('replay', file, file.name);
    answer(`Sending ${file.name}…`, true);
    let response, body;
    try {
      response = await fetch('api/replays', {method: 'POST', body: form});
      body = await response.json().catch(() => ({}));
    } catch (error) {
      return answer(`${file.name} could not be sent: ${error.message}.`, false);
    }
    if (response.status !== 201) {
      const retry = response.headers.get('Retry-After');
      return answer(`${file.name} was refused: ${body.error || `${response.status} ${response.statusText}`}` +
        `${retry ? ` (try again in ${retry} s)` : ''}.`, false);
    }
    rememberMine(body.id);
    dropped = null;
    $('replay').value = '';
    answer(`${file.name} is on the board: rank ${body.rank} of ${body.difficulty}` +
      `${body.stages === 'builtin' ? '' : ` (modded set ${body.stages})`}, ${number(body.points)} points, ` +
      `stage ${body.stage}, ${body.ship}.`, true);
    // Shows the board it went on, at the page that holds it.
    await showStageSets(body.stages);
    $('ship').value = '';
    offsets[body.difficulty] = Math.floor((body.rank - 1) / rowsPerPage) * rowsPerPage;
    await showTables();
  }

  function listenForFiles() {
    const zone = $('drop');
    $('submit-form').addEventListener('submit', event => {
      event.preventDefault();
      submit($('replay').files[0] || dropped);
    });
    const carriesFiles = event => event.dataTransfer && [...event.dataTransfer.types].includes('Files');
    for (const type of ['dragenter', 'dragover']) {
      zone.addEventListener(type, event => {
        if (!carriesFiles(event)) return;
        event.preventDefault();
        event.dataTransfer.dropEffect = 'copy';
        zone.classList.add('over');
      });
    }
    zone.addEventListener('dragleave', () => zone.classList.remove('over'));
    zone.addEventListener('drop', event => {
      zone.classList.remove('over');
      if (!carriesFiles(event)) return;
      event.preventDefault();
      submit(event.dataTransfer.files[0]);
    });
    // A file dropped beside the zone does not replace the page.
    window.addEventListener('dragover', event => carriesFiles(event) && event.preventDefault());
    window.addEventListener('drop', event => carriesFiles(event) && event.preventDefault());
  }

  // ---- Start -------------------------------------------------------------------

  async function start() {
    $('status').textContent = 'Loading…';
    try {
      $('name').value = window.localStorage.getItem(nameKey) || '';
    } catch (error) {
      // Asked.
    }
    listenForFiles();
    try {
      Object.assign(config, await getJson('api/config'));
    } catch (error) {
      // Defaults: no site to watch in.
    }
    $('name').maxLength = config.nameMax;
    // ?mine=ID: an entry the game's site submitted for this player.
    const query = new URLSearchParams(location.search);
    for (const id of query.getAll('mine')) if (/^\d+$/.test(id)) rememberMine(Number(id));
    $('tables').replaceChildren(...difficulties.map(difficulty =>
      Object.assign(document.createElement('section'), {id: `board-${difficulty}`})));
    await showStageSets(query.get('stages'));
    for (const select of ['stages', 'ship']) {
      $(select).addEventListener('change', () => {
        for (const difficulty of difficulties) offsets[difficulty] = 0;
        showTables();
      });
    }
    await showTables();
    $('status').textContent = '';
  }

  window.addEventListener('DOMContentLoaded', start);
})();
