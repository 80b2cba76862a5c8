// Two small plots linked to the timeline: the sub-satellite longitude with
// the trace's target longitudes, and the Earth-side dish's pointing error.
// Each is drawn once per size; moving the cursor redraws only the cursor.
import { num } from './rig.js';
import { formatLon } from './panel.js';

const TARGET_COLOURS = { module: '#66ff66', relocation: '#ff8a65' };

class Plot {
  constructor(parent, title, onSeek) {
    const box = document.createElement('div');
    box.className = 'plot';
    const h = document.createElement('div');
    h.className = 'plot-title';
    h.textContent = title;
    this.title = h;
    this.canvas = document.createElement('canvas');
    box.append(h, this.canvas);
    parent.appendChild(box);
    this.canvas.addEventListener('click', (ev) => {
      const r = this.canvas.getBoundingClientRect();
      onSeek(this.t0 + ((ev.clientX - r.left - this.pad.l) / (r.width - this.pad.l - this.pad.r)) * (this.t1 - this.t0));
    });
    this.pad = { l: 44, r: 8, t: 8, b: 18 };
    this.base = null;
    this.cursor = 0;
    this.cursorX = null;
  }

  setData(times, lines, guides, lo, hi) {
    this.times = times;
    this.t0 = times[0];
    this.t1 = times[times.length - 1] > times[0] ? times[times.length - 1] : times[0] + 1;
    this.lines = lines;
    this.guides = guides;
    this.lo = lo;
    this.hi = hi > lo ? hi : lo + 1;
  }

  x(t) {
    const w = this.canvas.clientWidth;
    return this.pad.l + ((t - this.t0) / (this.t1 - this.t0)) * (w - this.pad.l - this.pad.r);
  }

  // The plot without its cursor, into an image kept for the cursor's moves.
  draw() {
    const c = this.canvas, dpr = window.devicePixelRatio || 1;
    const w = c.clientWidth, h = c.clientHeight;
    if (w === 0 || h === 0) return;
    c.width = Math.round(w * dpr);
    c.height = Math.round(h * dpr);
    const g = c.getContext('2d');
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    g.clearRect(0, 0, w, h);
    const p = this.pad, pw = w - p.l - p.r, ph = h - p.t - p.b;
    const X = (t) => this.x(t);
    const Y = (v) => p.t + (1 - (v - this.lo) / (this.hi - this.lo)) * ph;
    g.strokeStyle = '#2a3340';
    g.strokeRect(p.l, p.t, pw, ph);
    g.fillStyle = '#8b97a8';
    g.font = '10px sans-serif';
    g.textAlign = 'right';
    g.textBaseline = 'middle';
    for (const v of [this.lo, (this.lo + this.hi) / 2, this.hi]) g.fillText(v.toFixed(1), p.l - 4, Y(v));
    let labelY = -Infinity;
    for (const gd of [...this.guides].sort((a, b) => b.value - a.value)) {
      g.strokeStyle = gd.colour;
      g.setLineDash([4, 3]);
      g.beginPath();
      g.moveTo(p.l, Y(gd.value));
      g.lineTo(p.l + pw, Y(gd.value));
      g.stroke();
      g.setLineDash([]);
      g.fillStyle = gd.colour;
      g.textAlign = 'left';
      // Labels of nearby guides stacked, not overprinted.
      const y = Math.max(Y(gd.value) - 7, labelY + 11);
      g.fillText(gd.label, p.l + 4, y);
      labelY = y;
    }
    // At most about two points per pixel column, each column's extremes kept.
    for (const line of this.lines) {
      g.strokeStyle = line.colour;
      g.lineWidth = 1.3;
      g.beginPath();
      let started = false;
      const step = Math.max(1, Math.floor(this.times.length / (pw * 2)));
      for (let i = 0; i < this.times.length; i += step) {
        let v = line.values[i];
        for (let k = i + 1; k < Math.min(i + step, this.times.length); ++k) {
          const u = line.values[k];
          if (Number.isFinite(u) && (!Number.isFinite(v) || Math.abs(u - this.lo) > Math.abs(v - this.lo))) v = u;
        }
        if (!Number.isFinite(v)) { started = false; continue; }
        const y = Y(Math.min(this.hi, Math.max(this.lo, v)));
        if (started) g.lineTo(X(this.times[i]), y);
        else g.moveTo(X(this.times[i]), y);
        started = true;
      }
      g.stroke();
    }
    this.base = g.getImageData(0, 0, c.width, c.height);
    this.cursorX = null;
    this.setCursor(this.cursor);
  }

  setCursor(t) {
    this.cursor = t;
    const x = Math.round(this.x(t) * 2) / 2;
    if (!this.base || x === this.cursorX) return;
    this.cursorX = x;
    const c = this.canvas, dpr = window.devicePixelRatio || 1, g = c.getContext('2d');
    g.putImageData(this.base, 0, 0);
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    g.strokeStyle = '#ffffff';
    g.globalAlpha = 0.7;
    g.beginPath();
    g.moveTo(x, this.pad.t);
    g.lineTo(x, c.clientHeight - this.pad.b);
    g.stroke();
    g.globalAlpha = 1;
  }
}

export class Plots {
  constructor(parent, replay, onSeek) {
    this.parent = parent;
    this.replay = replay;
    this.onSeek = onSeek;
    this.build();
  }

  // Afresh from the replay's steps now (a live run's grow).
  rebuild() {
    this.build();
    this.draw();
  }

  // The plots made once, their data from the replay's steps now.
  build() {
    const { parent, replay, onSeek } = this;
    const times = Array.from(replay.times);
    const targets = replay.targets();
    // One guide per longitude: the module's target and a relocation's
    // merge when they are the same.
    const guides = [];
    for (const tg of targets) {
      const same = guides.find((g) => Math.abs(g.value - tg.lonDeg) < 1e-6);
      if (same) same.label = `module's and relocation's target ${formatLon(tg.lonDeg)}`;
      else guides.push({ value: tg.lonDeg, colour: TARGET_COLOURS[tg.what], label: `${tg.what === 'module' ? "module's" : "relocation's"} target ${formatLon(tg.lonDeg)}` });
    }
    const lon = replay.steps.map((s) => num(s.v.lon_deg));
    const finite = lon.filter(Number.isFinite);
    const all = [...finite, ...guides.map((g) => g.value)];
    const lo = all.reduce((a, b) => Math.min(a, b), Infinity), hi = all.reduce((a, b) => Math.max(a, b), -Infinity);
    const margin = Math.max(0.05, (hi - lo) * 0.12);
    this.guides = guides;
    const title = guides.length ? 'Longitude [° E] and the target longitudes' : 'Longitude [° E]';
    if (!this.lon) {
      this.lon = new Plot(parent, title, onSeek);
      this.plots = [this.lon];
    } else this.lon.title.textContent = title;
    this.lon.setData(times, [{ values: lon, colour: '#e0e6ee' }], guides, lo - margin, hi + margin);

    // The dish on the Earth's side is the one that serves: its error is the
    // pointing that matters.
    if ((replay.profile?.dishes ?? []).length > 0) {
      const err = replay.steps.map((s) => {
        const d = s.v.earth_dish;
        return d ? num((s.v.pointing_error_deg ?? [])[d - 1]) : NaN;
      });
      // Scaled to the tracking, not to the slews onto the Earth: those run
      // off the top.
      const sorted = err.filter(Number.isFinite).sort((a, b) => a - b);
      const top = Math.min(180, Math.max(2, 1.2 * (sorted[Math.floor(sorted.length * 0.98)] ?? 0)));
      if (!this.err) {
        this.err = new Plot(parent, "Earth-side dish's pointing error [°]", onSeek);
        this.plots.push(this.err);
      }
      this.err.setData(times, [{ values: err, colour: '#4fc3f7' }], [{ value: 0.5, colour: '#66ff66', label: '0.5°' }], 0, top);
    }
  }

  setTime(t) {
    for (const p of this.plots) p.setCursor(t);
  }

  titles() {
    return [...document.querySelectorAll('.plot-title')].map((e) => e.textContent);
  }

  draw() {
    for (const p of this.plots) p.draw();
  }
}
