// The timeline: a scrub bar with markers for keys, ends of travel and burns.
import { num } from './rig.js';

const RESOLUTION = 100000;

export class Timeline {
  constructor(parent, replay, onSeek) {
    this.replay = replay;
    this.canvas = document.createElement('canvas');
    this.canvas.className = 'markers';
    this.slider = document.createElement('input');
    this.slider.type = 'range';
    this.slider.min = '0';
    this.slider.max = String(RESOLUTION);
    this.slider.step = '1';
    this.slider.value = '0';
    this.slider.setAttribute('aria-label', 'time');
    parent.append(this.canvas, this.slider);
    const span = () => Math.max(1e-9, replay.stop - replay.start);
    this.slider.addEventListener('input', () => onSeek(replay.start + (Number(this.slider.value) / RESOLUTION) * span()));
    this.canvas.addEventListener('click', (ev) => {
      const r = this.canvas.getBoundingClientRect();
      const t = replay.start + ((ev.clientX - r.left) / r.width) * span();
      onSeek(this.snap(t, (6 / r.width) * span()));
    });
    this.t = replay.start;
  }

  // A click near a marker lands on it.
  snap(t, within) {
    let best = t, d = within;
    for (const m of this.markers()) {
      if (Math.abs(m.t - t) < d) { d = Math.abs(m.t - t); best = m.t; }
    }
    return best;
  }

  markers() {
    const r = this.replay;
    return [
      ...r.keys.map((k) => ({ t: num(k.t), colour: '#ffd54f', label: k.key, row: 0 })),
      ...r.travelEnds.map((e) => ({ t: num(e.t), colour: '#4dd0e1', label: e.animation, row: 1 })),
      ...r.burnSpans.map((b) => ({ t: b.from, colour: '#ff5252', label: b.group, row: 2 })),
    ];
  }

  setTime(t) {
    this.t = t;
    const span = Math.max(1e-9, this.replay.stop - this.replay.start);
    this.slider.value = String(Math.round(((t - this.replay.start) / span) * RESOLUTION));
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
    const r = this.replay, span = Math.max(1e-9, r.stop - r.start);
    const X = (t) => ((t - r.start) / span) * w;
    g.font = '10px sans-serif';
    g.textBaseline = 'top';
    for (const b of r.burnSpans) {
      g.fillStyle = 'rgba(255,82,82,0.35)';
      g.fillRect(X(b.from), 24, Math.max(2, X(b.to) - X(b.from)), 10);
    }
    let lastLabelEnd = [-1e9, -1e9, -1e9];
    for (const m of this.markers()) {
      const x = X(m.t);
      g.fillStyle = m.colour;
      g.fillRect(x - 0.75, m.row * 12, 1.5, 12);
      const label = m.label ?? '';
      const lw = g.measureText(label).width;
      if (x + 3 > lastLabelEnd[m.row]) {
        g.fillText(label, x + 3, m.row * 12 + 1);
        lastLabelEnd[m.row] = x + 3 + lw + 4;
      }
    }
  }
}
