// The page of pixmend serve. Every action is a line of a session script sent to the server
// (POST api/step), which plays it in the host and records it; answers to boxes and dialogs go
// to api/answer. The view is a PNG picture of view 1 for the part of the design shown here.
// Events (progress, journal, "changed") come pushed from api/events.
'use strict';

const token = new URLSearchParams(location.search).get('token') || '';
const $ = (id) => document.getElementById(id);
const api = (path) => path + (path.includes('?') ? '&' : '?') + 'token=' + encodeURIComponent(token);

let state = null;          // the session's state as last fetched
let area = null;           // [x0, y0, x1, y1] of view coordinates shown; null: fitted
let shown = null;          // the area and size of the picture on screen
let pictureSeq = 0;        // the newest picture asked for
let hand = false;
const history = [];
let historyAt = 0;

// ---- talking to the server ----------------------------------------------------------------------

async function request(path, body) {
  const init = body === undefined ? {} : {
    method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(body)};
  const response = await fetch(api(path), init);
  let reply = null;
  try { reply = await response.json(); } catch (e) { reply = {error: response.statusText}; }
  if (!response.ok) throw new Error(reply.error || response.statusText);
  return reply;
}

function notice(text) {
  const n = $('notice');
  n.textContent = text;
  n.hidden = false;
  clearTimeout(notice.timer);
  notice.timer = setTimeout(() => { n.hidden = true; }, 5000);
}

let busy = 0;
function setBusy(delta) {
  busy += delta;
  $('busy').hidden = busy <= 0;
}

// Steps leave the page one at a time, in the order the user made them. Sent together they would
// travel on separate connections and could be played in any order: an angle typed into the tool
// settings and the click that accepts it, both sent by that one click, must be played in that
// order. Answers to a question do not queue here (the step that asked waits for them).
let stepsSent = Promise.resolve();
function sendStep(line) {
  const reply = stepsSent.then(() => request('api/step', {line}));
  stepsSent = reply.catch(() => {});
  return reply;
}

// Plays one line in the session; the reply is the new state (or says the step was skipped).
async function play(line) {
  setBusy(1);
  try {
    const reply = await sendStep(line);
    if (!reply.skipped) show(reply);
    return reply;
  } catch (e) {
    notice(e.message);
    return null;
  } finally {
    setBusy(-1);
  }
}

async function giveAnswers(answers) {
  setBusy(1);
  try {
    show(await request('api/answer', {answers}));
  } catch (e) {
    notice(e.message);
  } finally {
    setBusy(-1);
  }
}

async function refresh() {
  try { show(await request('api/state')); } catch (e) { notice(e.message); }
}

// ---- the state ------------------------------------------------------------------------------------

function show(next) {
  if (!next || next.version === undefined) return;
  state = next;
  for (const name of ['command', 'prompt', 'error', 'status', 'message']) {
    $('field-' + name).textContent = state.fields[name] || '';
  }
  $('load').hidden = state.loaded;
  showMenus();
  showCommands();
  showDialogs();
  showQuestion();
  showProgress(state.progress);
  if (state.ended) $('ended').hidden = false;
  requestPicture();
}

function plain(label) { return (label || '').replace(/[~&]/g, ''); }

function showMenus() {
  const key = JSON.stringify(state.menus);
  if (showMenus.key === key) return;
  showMenus.key = key;
  const nav = $('menus');
  nav.textContent = '';
  for (const menu of state.menus) {
    const holder = document.createElement('div');
    holder.className = 'menu';
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = plain(menu.label);
    button.addEventListener('click', (event) => {
      event.stopPropagation();
      const open = holder.classList.contains('open');
      closeMenus();
      if (!open) holder.classList.add('open');
    });
    holder.append(button, entryList(menu.entries, [menu.label]));
    nav.append(holder);
  }
}

function entryList(entries, path) {
  const list = document.createElement('ul');
  for (const entry of entries) {
    const li = document.createElement('li');
    if (entry.separator) {
      li.className = 'separator';
    } else {
      const span = document.createElement('span');
      span.textContent = plain(entry.label);
      li.append(span);
      const here = path.concat([entry.label]);
      if (entry.entries) {
        li.className = 'submenu';
        li.append(entryList(entry.entries, here));
        span.addEventListener('click', (event) => {
          event.stopPropagation();
          li.classList.toggle('open');
        });
      } else {
        span.addEventListener('click', () => {
          closeMenus();
          play('menu ' + here.join(' > '));
        });
      }
    }
    list.append(li);
  }
  return list;
}

function closeMenus() {
  for (const m of document.querySelectorAll('.menu.open')) m.classList.remove('open');
}

function showCommands() {
  const key = JSON.stringify(state.commands);
  if (showCommands.key === key) return;
  showCommands.key = key;
  const list = $('commandList');
  list.textContent = '';
  for (const command of state.commands) {
    const li = document.createElement('li');
    li.textContent = command.keyin.replace(/^vxraster /, '');
    li.title = command.keyin;
    li.addEventListener('click', () => keyin(command.keyin));
    list.append(li);
  }
}

// ---- dialogs: drawn from the items the host read from the dialog resources ------------------------

// Builds a dialog's items. `change(item, value)` is called when the user changes an item,
// `press(item)` when a button is pressed.
function dialogItems(dialog, change, press) {
  const box = document.createElement('div');
  box.className = 'items';
  box.style.width = dialog.width + 'px';
  box.style.height = dialog.height + 'px';
  for (const item of dialog.items) {
    if (!item.visible) continue;
    const [x0, y0, x1, y1] = item.rect;
    const el = document.createElement('div');
    el.className = 'item ' + item.type + (item.enabled ? '' : ' disabled');
    Object.assign(el.style, {left: x0 + 'px', top: y0 + 'px', width: (x1 - x0) + 'px', height: Math.max(y1 - y0, 18) + 'px'});
    if (item.balloon) el.title = item.balloon;
    const labelLeft = () => {
      if (!item.label) return;
      const label = document.createElement('span');
      label.className = 'itemLabel';
      label.textContent = plain(item.label);
      Object.assign(label.style, {right: (dialog.width - x0) + 'px', top: y0 + 'px', lineHeight: Math.max(y1 - y0, 18) + 'px'});
      box.append(label);
    };
    const id = `d${dialog.id}i${item.id}`;
    switch (item.type) {
      case 'label':
        el.textContent = plain(item.label);
        break;
      case 'group': {
        const title = document.createElement('span');
        title.textContent = plain(item.label);
        el.append(title);
        break;
      }
      case 'text': {
        labelLeft();
        const input = document.createElement('input');
        input.type = 'text';
        input.id = id;
        input.value = item.value;
        if (item.maxLength) input.maxLength = item.maxLength;
        input.disabled = !item.enabled;
        input.addEventListener('change', () => change(item, input.value));
        el.append(input);
        break;
      }
      case 'option': {
        labelLeft();
        const select = document.createElement('select');
        select.id = id;
        select.disabled = !item.enabled;
        for (const option of item.options || []) {
          const o = document.createElement('option');
          o.value = String(option.value);
          o.textContent = plain(option.label);
          o.disabled = !option.enabled;
          o.selected = option.value === item.value;
          select.append(o);
        }
        select.addEventListener('change', () => change(item, select.value));
        el.append(select);
        break;
      }
      case 'toggle': {
        const label = document.createElement('label');
        const input = document.createElement('input');
        input.type = 'checkbox';
        input.id = id;
        input.checked = item.value !== 0;
        input.disabled = !item.enabled;
        input.addEventListener('change', () => change(item, input.checked ? 'on' : 'off'));
        label.append(input, document.createTextNode(plain(item.label)));
        el.append(label);
        break;
      }
      case 'button': {
        const button = document.createElement('button');
        button.type = 'button';
        button.id = id;
        button.textContent = plain(item.label);
        button.disabled = !item.enabled;
        button.addEventListener('click', () => press(item));
        el.append(button);
        break;
      }
      case 'listbox': {
        const select = document.createElement('select');
        select.id = id;
        select.size = Math.max(2, Math.floor((y1 - y0) / 18));
        (item.rows || []).forEach((row, i) => {
          const o = document.createElement('option');
          o.value = String(i);
          o.textContent = row;
          o.selected = i === item.value;
          select.append(o);
        });
        select.addEventListener('change', () => change(item, select.value));
        el.append(select);
        break;
      }
      default:
        el.title = 'drawn by the application';
    }
    box.append(el);
  }
  return box;
}

function showDialogs() {
  const modeless = state.dialogs.filter((d) => !d.modal);
  const key = JSON.stringify(modeless);
  if (showDialogs.key === key) return;
  showDialogs.key = key;
  const side = $('dialogs');
  side.textContent = '';
  for (const dialog of modeless) {
    const panel = document.createElement('section');
    panel.className = 'dialog';
    panel.id = 'dialog-' + dialog.id;
    const title = document.createElement('h3');
    title.textContent = dialog.title;
    panel.append(title, dialogItems(dialog,
      (item, value) => play(`item ${dialog.id} ${item.id} ${value}`),
      (item) => play(`press ${dialog.id} ${item.id}`)));
    side.append(panel);
  }
}

// ---- questions: boxes, modal dialogs, file dialogs ------------------------------------------------

function showQuestion() {
  const q = state.question;
  const key = JSON.stringify([q, q && q.kind === 'dialog' ? state.dialogs.find((d) => d.id === q.dialog) : null]);
  if (showQuestion.key === key) return;
  showQuestion.key = key;
  $('modal').hidden = !q;
  if (!q) return;
  const body = $('modalBody');
  const buttons = $('modalButtons');
  body.textContent = '';
  buttons.textContent = '';
  const addButton = (label, answers, name) => {
    const b = document.createElement('button');
    b.type = 'button';
    b.textContent = label;
    b.dataset.answer = name || label.toLowerCase();
    b.addEventListener('click', () => giveAnswers(answers()));
    buttons.append(b);
    return b;
  };
  if (q.kind === 'box') {
    $('modalTitle').textContent = 'VXRaster';
    const text = document.createElement('div');
    text.className = 'text';
    text.textContent = q.text;
    body.append(text);
    q.buttons.forEach((word, i) => {
      const b = addButton(word.charAt(0).toUpperCase() + word.slice(1), () => [word], word);
      if (i === 0) setTimeout(() => b.focus(), 0);
    });
  } else if (q.kind === 'dialog') {
    const dialog = state.dialogs.find((d) => d.id === q.dialog);
    $('modalTitle').textContent = dialog ? dialog.title : q.title;
    if (!dialog) return;
    const changed = new Map();
    body.append(dialogItems(dialog,
      (item, value) => changed.set(item.id, value),
      (item) => {
        const answers = [...changed].map(([id, value]) => `item ${id} ${value}`);
        const label = plain(item.label);
        answers.push(/^\s*-?\d+\s*$/.test(label) || !label ? String(item.action) : label);
        giveAnswers(answers);
      }));
  } else if (q.kind === 'file') {
    fileQuestion(q, body, addButton);
  }
}

function fileQuestion(q, body, addButton) {
  $('modalTitle').textContent = q.title || (q.create ? 'Save as' : 'Open');
  const where = document.createElement('div');
  const list = document.createElement('div');
  list.className = 'files';
  const name = document.createElement('input');
  name.className = 'fileName';
  name.id = 'fileName';
  name.value = (q.suggested || '').split('/').pop();
  const allFiles = document.createElement('label');
  const all = document.createElement('input');
  all.type = 'checkbox';
  allFiles.append(all, document.createTextNode(' all files'));
  body.append(where, list, name, allFiles);
  const patterns = (q.filter || '').split(/[;,]/).map((p) => p.trim()).filter((p) => p && p !== '*.*' && p !== '*');
  const matches = (file) => all.checked || !patterns.length ||
    patterns.some((p) => new RegExp('^' + p.replace(/[.+^${}()|[\]\\]/g, '\\$&').replace(/\*/g, '.*').replace(/\?/g, '.') + '$', 'i').test(file));
  let folder = '.';
  const open = async (f) => {
    try {
      const listing = await request('api/files?folder=' + encodeURIComponent(f));
      folder = listing.folder;
      where.textContent = 'Folder: ' + listing.folder;
      list.textContent = '';
      const entries = listing.parent ? [{name: '..', path: listing.parent, folder: true}].concat(listing.entries) : listing.entries;
      for (const entry of entries) {
        if (!entry.folder && !matches(entry.name)) continue;
        const row = document.createElement('div');
        row.textContent = entry.name;
        row.className = entry.folder ? 'folder' : 'file';
        row.addEventListener('click', () => {
          if (entry.folder) { open(entry.path); return; }
          name.value = entry.name;
          for (const r of list.children) r.classList.remove('chosen');
          row.classList.add('chosen');
        });
        row.addEventListener('dblclick', () => { if (!entry.folder) choose(); });
        list.append(row);
      }
    } catch (e) {
      notice(e.message);
    }
  };
  all.addEventListener('change', () => open(folder));
  const path = () => (folder === '.' ? '' : folder + '/') + name.value.trim();
  const choose = () => { if (name.value.trim()) giveAnswers([path()]); };
  addButton('OK', () => [path()], 'ok').addEventListener('click', (e) => { if (!name.value.trim()) e.stopImmediatePropagation(); });
  addButton('Cancel', () => ['cancel'], 'cancel');
  open('.');
}

function showProgress(progress) {
  $('progress').hidden = !progress;
  if (!progress) return;
  $('progressText').textContent = progress.message;
  $('progressBar').value = progress.percent;
}

// ---- the view -------------------------------------------------------------------------------------

function viewSize() {
  const v = $('view');
  return [Math.max(1, Math.floor(v.clientWidth)), Math.max(1, Math.floor(v.clientHeight))];
}

// The area shown: the set one, or the rasters' extent grown to the view's shape.
function currentArea() {
  if (area) return area;
  if (!state || !state.view.fit) return null;
  const [w, h] = viewSize();
  let [x0, y0, x1, y1] = state.view.fit;
  const margin = 0.02 * Math.max(x1 - x0, y1 - y0);
  x0 -= margin; y0 -= margin; x1 += margin; y1 += margin;
  const scale = Math.max((x1 - x0) / w, (y1 - y0) / h);
  const cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  return [cx - scale * w / 2, cy - scale * h / 2, cx + scale * w / 2, cy + scale * h / 2];
}

let pictureTimer = null;
let pictureLoading = 0;    // pictures asked for and not yet shown or given up
function requestPicture() {
  clearTimeout(pictureTimer);
  if (!pictureTimer) pictureLoading++;
  pictureTimer = setTimeout(() => { pictureTimer = null; pictureLoading--; loadPicture(); }, 0);
}

// Nothing under way: no request, no picture coming (the newest asked for is shown).
function idle() {
  return busy === 0 && !cursorBusy && !cursorPending && pictureLoading === 0 &&
    $('picture').dataset.seq === String(pictureSeq);
}

async function loadPicture() {
  const a = currentArea();
  if (!a) return;
  const [w, h] = viewSize();
  const seq = ++pictureSeq;
  pictureLoading++;
  const url = `api/view.png?x0=${a[0]}&y0=${a[1]}&x1=${a[2]}&y1=${a[3]}&w=${w}&h=${h}`;
  try {
    const response = await fetch(api(url));
    if (!response.ok) throw new Error((await response.json()).error);
    const blob = await response.blob();
    if (seq !== pictureSeq) return;  // a newer one is on its way
    const img = $('picture');
    const old = img.src;
    img.src = URL.createObjectURL(blob);
    img.style.transform = '';
    shown = {area: a, w, h};
    img.dataset.seq = String(seq);
    if (old.startsWith('blob:')) URL.revokeObjectURL(old);
  } catch (e) {
    if (seq === pictureSeq) {
      notice('The picture: ' + e.message);
      $('picture').dataset.seq = String(seq);  // nothing more is coming
    }
  } finally {
    pictureLoading--;
  }
}

// Shows the old picture where it belongs in the new area until the new one arrives.
function previewArea(next) {
  if (!shown) return;
  const [w, h] = viewSize();
  const [a0, b0, a1, b1] = shown.area;
  const sx = (a1 - a0) / (next[2] - next[0]) * (w / shown.w);
  const sy = (b1 - b0) / (next[3] - next[1]) * (h / shown.h);
  const dx = (a0 - next[0]) / (next[2] - next[0]) * w;
  const dy = (next[3] - b1) / (next[3] - next[1]) * h;
  $('picture').style.transform = `translate(${dx}px, ${dy}px) scale(${sx}, ${sy})`;
}

function setArea(next) {
  area = next;
  previewArea(next);
  requestPicture();
}

// The design point under the mouse, rounded to a tenth of what a picture pixel covers.
function designPoint(event) {
  const a = currentArea();
  if (!a) return null;
  const rect = $('view').getBoundingClientRect();
  const [w, h] = viewSize();
  const px = event.clientX - rect.left, py = event.clientY - rect.top;
  const vx = a[0] + (px / w) * (a[2] - a[0]);
  const vy = a[3] - (py / h) * (a[3] - a[1]);
  const [m0, m1, m2, m3] = state.view.toDesign;
  const step = (a[2] - a[0]) / w / 10;
  const digits = Math.max(0, Math.min(10, -Math.floor(Math.log10(step))));
  const round = (v) => Number(v.toFixed(digits));
  return [round(m0 * vx + m1 * vy), round(m2 * vx + m3 * vy)];
}

let panning = null;
let cursorPending = null;
let cursorBusy = false;
let cursorLast = 0;

async function sendCursor() {
  if (cursorBusy || !cursorPending) return;
  const wait = 40 - (performance.now() - cursorLast);
  if (wait > 0) { setTimeout(sendCursor, wait); return; }
  const [x, y] = cursorPending;
  cursorPending = null;
  cursorBusy = true;
  cursorLast = performance.now();
  try {
    const reply = await sendStep(`cursor ${x} ${y}`);
    if (!reply.skipped) show(reply);
  } catch (e) {
    // A cursor move refused (a box waits) is no news to the user.
  } finally {
    cursorBusy = false;
    if (cursorPending) sendCursor();
  }
}

function setupView() {
  const view = $('view');
  view.addEventListener('contextmenu', (e) => e.preventDefault());
  view.addEventListener('mousedown', (e) => {
    view.focus();
    closeMenus();
    if (e.button === 1 || (e.button === 0 && hand)) {
      e.preventDefault();
      panning = {x: e.clientX, y: e.clientY, area: currentArea()};
      view.classList.add('panning');
      return;
    }
    const p = designPoint(e);
    if (!p) return;
    if (e.button === 0) play(`point ${p[0]} ${p[1]}`);
    if (e.button === 2) play('reset');
  });
  window.addEventListener('mouseup', () => {
    if (!panning) return;
    panning = null;
    view.classList.remove('panning');
  });
  view.addEventListener('mousemove', (e) => {
    const p = designPoint(e);
    if (p) $('coordinates').textContent = `${p[0]}, ${p[1]}`;
    if (panning) {
      const [w, h] = viewSize();
      const a = panning.area;
      const dx = (e.clientX - panning.x) / w * (a[2] - a[0]);
      const dy = (e.clientY - panning.y) / h * (a[3] - a[1]);
      setArea([a[0] - dx, a[1] + dy, a[2] - dx, a[3] + dy]);
      return;
    }
    if (p && $('modal').hidden) {
      cursorPending = p;
      sendCursor();
    }
  });
  view.addEventListener('wheel', (e) => {
    e.preventDefault();
    const a = currentArea();
    if (!a) return;
    const rect = view.getBoundingClientRect();
    const [w, h] = viewSize();
    const fx = (e.clientX - rect.left) / w, fy = (e.clientY - rect.top) / h;
    const factor = Math.pow(1.0015, e.deltaY * (e.deltaMode === 1 ? 33 : 1));
    const cx = a[0] + fx * (a[2] - a[0]), cy = a[3] - fy * (a[3] - a[1]);
    const nw = (a[2] - a[0]) * factor, nh = (a[3] - a[1]) * factor;
    setArea([cx - fx * nw, cy - (1 - fy) * nh, cx + (1 - fx) * nw, cy + fy * nh]);
  }, {passive: false});
  window.addEventListener('resize', () => { if (area) { area = null; } requestPicture(); });
}

// ---- key-ins, buttons, keys -----------------------------------------------------------------------

function keyin(text) {
  text = text.trim();
  if (!text) return;
  if (history[history.length - 1] !== text) history.push(text);
  historyAt = history.length;
  play('keyin ' + text);
}

function setupControls() {
  $('keyinForm').addEventListener('submit', (e) => {
    e.preventDefault();
    keyin($('keyin').value);
    $('keyin').value = '';
  });
  $('keyin').addEventListener('keydown', (e) => {
    if (e.key === 'ArrowUp' && historyAt > 0) {
      $('keyin').value = history[--historyAt];
      e.preventDefault();
    } else if (e.key === 'ArrowDown') {
      historyAt = Math.min(history.length, historyAt + 1);
      $('keyin').value = history[historyAt] || '';
      e.preventDefault();
    }
  });
  $('fit').addEventListener('click', () => { area = null; $('picture').style.transform = ''; requestPicture(); });
  $('hand').addEventListener('click', () => {
    hand = !hand;
    $('hand').setAttribute('aria-pressed', String(hand));
    $('view').classList.toggle('hand', hand);
  });
  $('load').addEventListener('click', () => play('load VXRaster'));
  $('quit').addEventListener('click', async () => {
    if (!confirm('End the session? VXRaster is unloaded as when the host exits, and the server stops.')) return;
    try { show(await request('api/quit', {})); } catch (e) { notice(e.message); }
    $('ended').hidden = false;
  });
  $('journalToggle').addEventListener('click', () => {
    const j = $('journal');
    j.hidden = !j.hidden;
    $('journalToggle').setAttribute('aria-expanded', String(!j.hidden));
    j.scrollTop = j.scrollHeight;
  });
  document.addEventListener('click', closeMenus);
  $('view').addEventListener('keydown', (e) => {
    if (e.key === 'Escape') play('reset');
    else if (e.key === 'f' || e.key === 'F') $('fit').click();
    else if (e.key === 'h' || e.key === 'H') $('hand').click();
    else if (e.key.length === 1 && !e.ctrlKey && !e.metaKey) $('keyin').focus();
  });
}

function listen() {
  const events = new EventSource(api('api/events'));
  events.addEventListener('changed', (e) => {
    const version = JSON.parse(e.data).version;
    if (!state || version > state.version) {
      clearTimeout(listen.timer);
      listen.timer = setTimeout(refresh, 30);
    }
  });
  events.addEventListener('progress', (e) => {
    const p = JSON.parse(e.data);
    showProgress(p.closed ? null : p);
  });
  events.addEventListener('journal', (e) => {
    const j = $('journal');
    const atEnd = j.scrollTop + j.clientHeight >= j.scrollHeight - 4;
    j.textContent += JSON.parse(e.data).join('\n') + '\n';
    if (j.textContent.length > 200000) j.textContent = j.textContent.slice(-150000);
    if (atEnd) j.scrollTop = j.scrollHeight;
  });
  events.addEventListener('ended', () => { $('ended').hidden = false; events.close(); });
}

setupView();
setupControls();
listen();
refresh();
