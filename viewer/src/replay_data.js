// The replay's records sorted into what the page plays: the header's rig,
// the steps of one vessel, and the events.
import { num } from './rig.js';

function upperBound(times, t) {
  let lo = 0, hi = times.length;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (times[mid] <= t) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

export class Replay {
  constructor(data) {
    const records = data.records ?? [];
    this.header = records.find((r) => r.type === 'header');
    if (!this.header || !this.header.vessels || this.header.vessels.length === 0)
      throw new Error('the replay holds no trace header with a vessel');
    this.vessel = this.header.vessels[0];
    const name = this.vessel.name;
    this.animNames = [];
    for (const a of this.vessel.animations ?? []) this.animNames[a.id] = a.name;
    this.components = this.vessel.components ?? [];
    this.steps = [];
    this.keys = [];
    this.burns = [];
    this.huds = [];
    this.travelEnds = [];
    this.end = null;
    for (const r of records) {
      if (r.type === 'step') {
        const v = (r.vessels ?? []).find((x) => x.name === name);
        if (v) this.steps.push({ t: num(r.t), mjd: num(r.mjd), v });
      } else if (r.type === 'key') this.keys.push(r);
      else if (r.type === 'burn' && r.vessel === name) this.burns.push(r);
      else if (r.type === 'hud' && r.vessel === name) this.huds.push(r);
      else if (r.type === 'travel_end' && r.vessel === name) this.travelEnds.push(r);
      else if (r.type === 'end') this.end = r;
    }
    if (this.steps.length === 0) throw new Error('the replay holds no steps');
    this.steps.sort((a, b) => a.t - b.t);
    this.huds.sort((a, b) => a.t - b.t);
    this.times = Float64Array.from(this.steps, (s) => s.t);
    this.hudTimes = Float64Array.from(this.huds, (h) => num(h.t));
    this.start = Math.min(num(this.header.start?.t ?? this.times[0]), this.times[0]);
    this.stop = this.times[this.times.length - 1];
    // Burn spans per group, for the timeline.
    this.burnSpans = [];
    const open = new Map();
    for (const b of this.burns) {
      if (b.phase === 'start') open.set(b.group, b);
      else if (b.phase === 'end' && open.has(b.group)) {
        this.burnSpans.push({ group: b.group, from: num(open.get(b.group).t), to: num(b.t) });
        open.delete(b.group);
      }
    }
    for (const [group, b] of open) this.burnSpans.push({ group, from: num(b.t), to: this.stop });
  }

  // The step at or before t and the fraction of the way to the next.
  bracket(t) {
    const i = Math.max(0, upperBound(this.times, t) - 1);
    if (i + 1 >= this.steps.length || t <= this.times[i]) return { a: this.steps[i], b: this.steps[i], f: 0 };
    const f = (t - this.times[i]) / (this.times[i + 1] - this.times[i]);
    return { a: this.steps[i], b: this.steps[i + 1], f };
  }

  // Animation states by id at time t, linear between steps; the dish
  // rotation, a full turn over [0, 1], goes the short way round.
  states(t) {
    const { a, b, f } = this.bracket(t);
    return this.animNames.map((name) => {
      const x = num(a.v.anim?.[name] ?? 0);
      if (f === 0) return x;
      const y = num(b.v.anim?.[name] ?? 0);
      let d = y - x;
      if (name === 'hga_rot' && Math.abs(d) > 0.5) d -= Math.sign(d);
      let s = x + d * f;
      if (name === 'hga_rot' && (s < 0 || s > 1)) s -= Math.floor(s);
      return s;
    });
  }

  vector(t, key) {
    const { a, b, f } = this.bracket(t);
    const x = (a.v[key] ?? [0, 0, 0]).map(num);
    if (f === 0) return x;
    const y = (b.v[key] ?? [0, 0, 0]).map(num);
    const m = x.map((xi, i) => xi + (y[i] - xi) * f);
    const n = Math.hypot(...m);
    return n > 0 ? m.map((v) => v / n) : x;
  }

  scalar(t, key) {
    const { a, b, f } = this.bracket(t);
    const x = num(a.v[key]);
    return f === 0 ? x : x + (num(b.v[key]) - x) * f;
  }

  step(t) {
    const { a, b, f } = this.bracket(t);
    return f < 0.5 ? a : b;
  }

  // The HUD frame nearest in time to t, or null.
  hud(t) {
    if (this.huds.length === 0) return null;
    const i = upperBound(this.hudTimes, t);
    if (i === 0) return this.huds[0];
    if (i >= this.huds.length) return this.huds[this.huds.length - 1];
    return t - this.hudTimes[i - 1] <= this.hudTimes[i] - t ? this.huds[i - 1] : this.huds[i];
  }
}
