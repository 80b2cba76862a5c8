// A live flight: the socket to krvsim --live and the bar's and panel's
// controls that fly it. The messages are described in docs/live.md.

export const WARPS = [1, 10, 100, 1000, 10000, 100000];
const GROUPS = ['main', 'pitchup', 'pitchdown', 'yawleft', 'yawright', 'bankleft', 'bankright', 'forward'];
const MODES = ['sun', 'prograde', 'retrograde', 'hold'];
// Orders sent and not yet answered or seen back, kept for the replies.
const SENT_KEPT = 200;

// A key the page sends to the module: a letter or digit by its place on the
// keyboard (Shift+1 is "1"), or Return.
function moduleKey(ev) {
  const m = /^(?:Key([A-Z])|Digit([0-9])|Numpad([0-9]))$/.exec(ev.code);
  if (m) return m[1] ?? m[2] ?? m[3];
  if (ev.code === 'Enter' || ev.code === 'NumpadEnter') return 'RETURN';
  return null;
}

const typing = (el) => el instanceof HTMLTextAreaElement || el instanceof HTMLSelectElement ||
  (el instanceof HTMLInputElement && el.type !== 'range' && el.type !== 'checkbox');

export class LiveLink {
  // on.snapshot(message), on.reply(error, order), on.state(state)
  constructor(on) {
    this.on = on;
    this.state = 'connecting';
    this.nextId = 1;
    this.sent = new Map();
    this.closeCode = null;
    this.lastEvent = 0;
    const token = new URLSearchParams(location.search).get('token') ?? '';
    const scheme = location.protocol === 'https:' ? 'wss' : 'ws';
    try {
      this.ws = new WebSocket(`${scheme}://${location.host}/ws?token=${encodeURIComponent(token)}`);
    } catch (err) {
      this.ws = null;
      this.closeCode = String(err.message ?? err);
      queueMicrotask(() => this.setState('disconnected'));
      return;
    }
    this.ws.addEventListener('open', () => this.setState('connected'));
    this.ws.addEventListener('close', (ev) => {
      this.closeCode = ev.code;
      this.setState('disconnected');
    });
    this.ws.addEventListener('message', (ev) => {
      let msg;
      try {
        msg = JSON.parse(ev.data);
      } catch {
        return;
      }
      if (msg?.type === 'snapshot') {
        // Each snapshot repeats the last events, so that a dropped one's are
        // not lost: each is taken once, by its number.
        const fresh = (msg.records ?? []).filter((r) => !(r.seq <= this.lastEvent));
        for (const r of fresh) if (r.seq > this.lastEvent) this.lastEvent = r.seq;
        on.snapshot({ ...msg, records: fresh });
      }
      else if (msg?.type === 'error') on.reply(msg, this.sent.get(msg.id) ?? null);
    });
  }

  setState(s) {
    this.state = s;
    this.on.state(s);
  }

  // The order sent with an id of its own; false when the socket is not open.
  send(order) {
    if (!this.ws || this.ws.readyState !== WebSocket.OPEN) return false;
    const msg = { ...order, id: this.nextId++ };
    this.sent.set(msg.id, { ...msg, at: performance.now() });
    if (this.sent.size > SENT_KEPT) this.sent.delete(this.sent.keys().next().value);
    this.ws.send(JSON.stringify(msg));
    return msg.id;
  }
}

function el(tag, props = {}, ...children) {
  const e = document.createElement(tag);
  Object.assign(e, props);
  e.append(...children);
  return e;
}

function select(values, label) {
  const s = el('select', { ariaLabel: label });
  for (const v of values) s.append(el('option', { value: String(v), textContent: String(v) }));
  return s;
}

// An order as the replies list shows it, e.g. "key Shift+G", "warp factor 100".
function describe(o) {
  if (!o) return 'a message';
  if (o.type === 'key') return `key ${[...(o.mods ?? []), o.key].join('+')}`;
  return [o.type, ...Object.entries(o).filter(([k]) => !['type', 'id', 'at'].includes(k)).map(([k, v]) => `${k} ${v}`)].join(' ');
}

// The bar's pause button and warp list, the status, the orders' form in the
// side panel, the replies, and the keys.
export class LiveControls {
  constructor(link, side) {
    this.link = link;
    this.warp = 1;
    this.paused = false;
    this.lines = [];
    this.button = document.getElementById('play');
    this.select = document.getElementById('speed');
    this.select.setAttribute('aria-label', 'time warp');
    for (const w of WARPS) this.select.append(el('option', { value: String(w), textContent: `${w.toLocaleString('en')}×` }));
    this.select.addEventListener('change', () => {
      link.send({ type: 'warp', factor: Number(this.select.value) });
      this.select.blur();
    });
    this.button.addEventListener('click', () => {
      this.togglePause();
      this.button.blur();
    });
    this.status = document.getElementById('live-status');
    this.form(side);
    this.keys();
    this.show();
  }

  togglePause() {
    this.link.send({ type: this.paused ? 'resume' : 'pause' });
  }

  // The next warp up or down the list from the warp now.
  stepWarp(dir) {
    const next = dir > 0 ? WARPS.find((w) => w > this.warp) : [...WARPS].reverse().find((w) => w < this.warp);
    if (next !== undefined) this.link.send({ type: 'warp', factor: next });
  }

  form(side) {
    const box = el('form', { id: 'orders', autocomplete: 'off' });
    box.addEventListener('submit', (ev) => ev.preventDefault());
    const num = (value, props) => el('input', { type: 'number', value, ...props });
    const row = (label, fields, send) => {
      const b = el('button', { type: 'button', textContent: label });
      b.addEventListener('click', () => {
        const order = send();
        if (order) this.link.send(order);
        b.blur();
      });
      box.append(el('div', { className: 'order' }, ...fields, b));
    };
    const group = select(GROUPS, 'thruster group');
    const seconds = num('10', { min: 0.001, step: 'any', ariaLabel: 'seconds', title: 'seconds of simulation time' });
    row('Burn', [group, seconds, el('span', { textContent: 's' })], () => ({ type: 'burn', group: group.value, seconds: Number(seconds.value) }));
    const mode = select(MODES, 'attitude mode');
    row('Attitude', [mode], () => ({ type: 'attitude', mode: mode.value }));
    const lon = el('input', { type: 'text', value: '102W', size: 6, ariaLabel: 'target longitude', title: 'e.g. 102W or 75.5E' });
    const orbits = num('27', { min: 1, step: 1, ariaLabel: 'drift orbits' });
    row('Relocate', [lon, orbits, el('span', { textContent: 'orbits' })], () => ({ type: 'relocate', lon: lon.value.trim(), orbits: Number(orbits.value) }));
    const keepLon = el('input', { type: 'text', value: '102W', size: 6, ariaLabel: 'station longitude' });
    const half = num('0.05', { min: 0.001, max: 10, step: 'any', ariaLabel: 'half width [deg]', title: "the box's half width [°]" });
    row('Keep', [keepLon, half, el('span', { textContent: '°' })], () => ({ type: 'keep', lon: keepLon.value.trim(), halfwidth: Number(half.value) }));
    this.log = el('ul', { id: 'replies' });
    // Under the figures, above the plots: in view without scrolling.
    for (const e of [el('h2', { textContent: 'Orders' }), box, this.log]) side.insertBefore(e, document.getElementById('plots'));
    this.formBox = box;
  }

  keys() {
    const shifts = new Set();
    document.addEventListener('keyup', (ev) => {
      if (ev.code === 'ShiftLeft' || ev.code === 'ShiftRight') shifts.delete(ev.code);
      // A focused button would click on Space's release as well.
      if (ev.code === 'Space' && ev.target instanceof HTMLButtonElement) ev.preventDefault();
    });
    window.addEventListener('blur', () => shifts.clear());
    document.addEventListener('keydown', (ev) => {
      if (ev.code === 'ShiftLeft' || ev.code === 'ShiftRight') shifts.add(ev.code);
      if (typing(ev.target) || ev.repeat || ev.metaKey) return;
      if (!ev.ctrlKey && !ev.altKey) {
        if (ev.code === 'Space') { ev.preventDefault(); this.togglePause(); return; }
        if (ev.code === 'Comma' || ev.code === 'Period') { ev.preventDefault(); this.stepWarp(ev.code === 'Comma' ? -1 : 1); return; }
      }
      const key = moduleKey(ev);
      // Return on a focused button presses it.
      if (!key || (key === 'RETURN' && ev.target instanceof HTMLButtonElement)) return;
      ev.preventDefault();
      const mods = [];
      // Shift held but not seen going down (held before the page had focus) counts as the left one.
      if (shifts.has('ShiftLeft') || (ev.shiftKey && !shifts.has('ShiftRight'))) mods.push('Shift');
      if (shifts.has('ShiftRight') && ev.shiftKey) mods.push('RShift');
      if (ev.ctrlKey) mods.push('Ctrl');
      if (ev.altKey) mods.push('Alt');
      this.link.send(mods.length ? { type: 'key', key, mods } : { type: 'key', key });
    });
  }

  snapshot(msg) {
    if (Number.isFinite(msg.warp)) this.warp = msg.warp;
    this.paused = msg.paused === true;
    this.show();
  }

  reply(msg, order) {
    this.note(`refused: ${describe(order)}: ${msg.error}${msg.detail ? ` (${msg.detail})` : ''}`, 'error');
  }

  command(r) {
    this.note(`t = ${Number(r.t).toFixed(1)} s, viewer ${r.client}: ${describe(r.order)}`, 'taken');
  }

  note(text, kind) {
    const li = el('li', { className: kind, textContent: text });
    this.log.prepend(li);
    while (this.log.children.length > 8) this.log.lastChild.remove();
  }

  show() {
    const up = this.link.state === 'connected';
    const text = this.paused ? '▶ Resume' : '❚❚ Pause';
    if (this.button.textContent !== text) this.button.textContent = text;
    const w = String(this.warp);
    if (this.select.value !== w && ![...this.select.options].some((o) => o.value === w)) this.select.append(el('option', { value: w, textContent: `${this.warp}×` }));
    if (this.select.value !== w && document.activeElement !== this.select) this.select.value = w;
    // Written only when changed: this runs for every snapshot.
    if (this.up !== up) {
      this.up = up;
      for (const c of [this.button, this.select, ...this.formBox.querySelectorAll('button')]) c.disabled = !up;
    }
    const state = up ? `live · ${this.warp.toLocaleString('en')}× · ${this.paused ? 'paused' : 'running'}` : this.link.state;
    if (this.status.textContent !== state) this.status.textContent = state;
    if (this.status.className !== this.link.state) this.status.className = this.link.state;
  }
}
