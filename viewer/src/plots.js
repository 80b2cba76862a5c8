// Two small plots linked to the timeline: the sub-satellite longitude
// against the station's target, and each dish's pointing error.
import { num } from './rig.js';

const TARGET_LON_DEG = 258; // 102 deg west
const DISH_COLOURS = ['#4fc3f7', '#ffa060'];

function series(replay, pick) {
  return replay.steps.map((s) => pick(s.v));
}

class Plot {
  constructor(parent, title, onSeek) {
    const box = document.createElement('div');
    box.className = 'plot';
    const h = document.createElement('div');
    h.className = 'plot-title';
    h.textContent = title;
    this.canvas = document.createElement('canvas');
    box.append(h, this.canvas);
    parent.appendChild(box);
    this.canvas.addEventListener('click', (ev) => {
      const r = this.canvas.getBoundingClientRect();
      onSeek(this.t0 + ((ev.clientX - r.left - this.pad.l) / (r.width - this.pad.l - this.pad.r)) * (this.t1 - this.t0));
    });
    this.pad = { l: 44, r: 8, t: 8, b: 18 };
    this.lines = [];
    this.guides = [];
    this.cursor = 0;
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
    const X = (t) => p.l + ((t - this.t0) / (this.t1 - this.t0)) * pw;
    const Y = (v) => p.t + (1 - (v - this.lo) / (this.hi - this.lo)) * ph;
    g.strokeStyle = '#2a3340';
    g.strokeRect(p.l, p.t, pw, ph);
    g.fillStyle = '#8b97a8';
    g.font = '10px sans-serif';
    g.textAlign = 'right';
    g.textBaseline = 'middle';
    for (const v of [this.lo, (this.lo + this.hi) / 2, this.hi]) g.fillText(v.toFixed(1), p.l - 4, Y(v));
    for (const gd of this.guides) {
      g.strokeStyle = gd.colour;
      g.setLineDash([4, 3]);
      g.beginPath();
      g.moveTo(p.l, Y(gd.value));
      g.lineTo(p.l + pw, Y(gd.value));
      g.stroke();
      g.setLineDash([]);
      g.fillStyle = gd.colour;
      g.textAlign = 'left';
      g.fillText(gd.label, p.l + 4, Y(gd.value) - 7);
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
          if (Number.isFinite(u) && Math.abs(u - this.lo) > Math.abs(v - this.lo)) v = u;
        }
        if (!Number.isFinite(v)) { started = false; continue; }
        const y = Y(Math.min(this.hi, Math.max(this.lo, v)));
        if (started) g.lineTo(X(this.times[i]), y);
        else g.moveTo(X(this.times[i]), y);
        started = true;
      }
      g.stroke();
    }
    g.strokeStyle = '#ffffff';
    g.globalAlpha = 0.7;
    g.beginPath();
    g.moveTo(X(this.cursor), p.t);
    g.lineTo(X(this.cursor), p.t + ph);
    g.stroke();
    g.globalAlpha = 1;
  }
}

export class Plots {
  constructor(parent, replay, onSeek) {
    const times = Array.from(replay.times);
    this.lon = new Plot(parent, 'Longitude [° E] and the 102° W target', onSeek);
    const lon = series(replay, (v) => num(v.lon_deg));
    const finite = lon.filter(Number.isFinite);
    const lo = Math.min(TARGET_LON_DEG, ...finite.slice(0, 1), finite.reduce((a, b) => Math.min(a, b), Infinity));
    const hi = Math.max(TARGET_LON_DEG, finite.reduce((a, b) => Math.max(a, b), -Infinity));
    const margin = Math.max(0.05, (hi - lo) * 0.1);
    this.lon.setData(times, [{ values: lon, colour: '#e0e6ee' }], [{ value: TARGET_LON_DEG, colour: '#66ff66', label: '102° W' }], lo - margin, hi + margin);

    this.err = new Plot(parent, 'Dish pointing error [°] (dish 1 blue, dish 2 orange)', onSeek);
    const errs = [0, 1].map((i) => series(replay, (v) => num((v.pointing_error_deg ?? [])[i])));
    const top = Math.min(180, Math.max(5, ...errs.flat().filter(Number.isFinite).map((x) => Math.min(x, 180))));
    this.err.setData(times, errs.map((values, i) => ({ values, colour: DISH_COLOURS[i] })), [{ value: 0.5, colour: '#66ff66', label: '0.5°' }], 0, top);
  }

  setTime(t) {
    this.lon.cursor = this.err.cursor = t;
    this.draw();
  }

  draw() {
    this.lon.draw();
    this.err.draw();
  }
}
