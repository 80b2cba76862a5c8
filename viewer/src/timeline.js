// The timeline: a scrub bar with markers for keys, ends of travel and burns.
// Markers closer than a label's width merge into one; an end of travel
// already marked for the same animation and state is not marked again.
import { num } from './rig.js';

const RESOLUTION = 100000;
const ROWS = [
  { colour: '#ffd54f' }, // keys
  { colour: '#4dd0e1' }, // ends of travel
  { colour: '#ff5252' }, // burns
];

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
    // Done with the slider, the keys are the page's again (Space plays).
    this.slider.addEventListener('change', () => this.slider.blur());
    this.slider.addEventListener('pointerup', () => this.slider.blur());
    this.canvas.addEventListener('click', (ev) => {
      const r = this.canvas.getBoundingClientRect();
      const t = replay.start + ((ev.clientX - r.left) / r.width) * span();
      onSeek(this.snap(t, (6 / r.width) * span()));
    });
    this.t = replay.start;
    this.marks = this.markers();
    this.shown = [];
  }

  // A live run's markers and span, afresh.
  rebuild() {
    this.marks = this.markers();
    this.draw();
    this.setTime(this.t);
  }

  // A click near a marker lands on it.
  snap(t, within) {
    let best = t, d = within;
    for (const m of this.shown) {
      if (Math.abs(m.t - t) < d) { d = Math.abs(m.t - t); best = m.t; }
    }
    return best;
  }

  markers() {
    const r = this.replay;
    const seen = new Set();
    const travel = [];
    for (const e of r.travelEnds) {
      const id = `${e.animation} ${e.state}`;
      if (seen.has(id)) continue;
      seen.add(id);
      travel.push({ t: num(e.t), label: e.animation, row: 1 });
    }
    return [
      ...r.keys.map((k) => ({ t: num(k.t), label: k.key, row: 0 })),
      ...travel,
      ...r.burnSpans.map((b) => ({ t: b.from, label: b.group, row: 2 })),
    ].sort((a, b) => a.t - b.t);
  }

  // Per row, markers within `gap` px of the previous one's label joined.
  merged(X, g) {
    const out = [];
    for (let row = 0; row < ROWS.length; ++row) {
      let open = null;
      for (const m of this.marks.filter((x) => x.row === row)) {
        const x = X(m.t);
        if (open && x < open.end) {
          if (!open.labels.includes(m.label)) open.labels.push(m.label);
          open.to = x;
          open.end = x + 3 + g.measureText(open.labels.join(' ')).width + 6;
          continue;
        }
        open = { t: m.t, row, from: x, to: x, labels: [m.label], end: x + 3 + g.measureText(m.label).width + 6 };
        out.push(open);
      }
    }
    return out;
  }

  setTime(t) {
    this.t = t;
    const span = Math.max(1e-9, this.replay.stop - this.replay.start);
    const value = String(Math.round(((t - this.replay.start) / span) * RESOLUTION));
    if (this.slider.value !== value) this.slider.value = value;
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
    this.shown = this.merged(X, g);
    for (const m of this.shown) {
      g.fillStyle = ROWS[m.row].colour;
      g.fillRect(m.from - 0.75, m.row * 12, Math.max(1.5, m.to - m.from + 1.5), 12);
      g.fillText(m.labels.join(' '), m.to + 3, m.row * 12 + 1);
    }
  }

  labels() {
    return this.shown.map((m) => ({ t: m.t, row: m.row, label: m.labels.join(' '), from: m.from, end: m.end }));
  }
}
