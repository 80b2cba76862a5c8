// The replay's records sorted into what the page plays (the header's rig and
// profile, the steps of one vessel, the events), and what the run looked
// like at any displayed time between its kept steps.
import { num } from './rig.js';
import { nlerp, rotate, rotateBack, slerp, slerpUnit } from './vec.js';

// Used when the trace's header carries no `world` (an older trace).
const EARTH_RADIUS_FALLBACK_M = 6378137;
// A live page's history: steps and command records held at most.
const LIVE_MAX_STEPS = 6000;
const LIVE_MAX_COMMANDS = 200;

function upperBound(times, t) {
  let lo = 0, hi = times.length;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (times[mid] <= t) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

const vec3 = (a) => (Array.isArray(a) && a.length === 3 ? a.map(num) : null);
const east = (lon) => ((lon % 360) + 360) % 360;

// The last of `times` at or before t, or -1.
function atOrBefore(times, t) {
  return upperBound(times, t) - 1;
}

export class Replay {
  constructor(data) {
    const records = data.records ?? [];
    this.header = records.find((r) => r.type === 'header');
    if (!this.header || !this.header.vessels || this.header.vessels.length === 0)
      throw new Error('the replay holds no trace header with a vessel');
    this.vessel = this.header.vessels[0];
    this.profile = this.vessel.profile ?? null;
    const world = this.header.world ?? {};
    this.earthRadius = num(world.earth_radius_m ?? EARTH_RADIUS_FALLBACK_M);
    this.animNames = [];
    for (const a of this.vessel.animations ?? []) this.animNames[a.id] = a.name;
    this.components = this.vessel.components ?? [];
    // An animation that turns its groups a whole turn over its travel reads
    // the same at 0 and 1: between steps it goes the short way round.
    this.wraps = this.animNames.map((_, id) => this.components.some((c) => c.animation === id &&
      num(c.state0) === 0 && num(c.state1) === 1 && Math.abs(Math.abs(num(c.angle)) - 2 * Math.PI) < 1e-5));
    this.steps = [];
    this.keys = [];
    this.burns = [];
    this.huds = [];
    this.travelEnds = [];
    this.plans = [];
    this.commands = [];
    this.end = null;
    // A live run's history of steps, kept at least this far apart but the
    // latest [s]; doubled whenever it grows past LIVE_MAX_STEPS.
    this.live = data.live === true;
    this.spacing = 0;
    this.take(records);
    if (this.steps.length === 0) throw new Error('the replay holds no steps');
    this.steps.sort((a, b) => a.t - b.t);
    this.huds.sort((a, b) => num(a.t) - num(b.t));
    this.index();
  }

  take(records) {
    const name = this.vessel.name;
    for (const r of records) {
      if (r.type === 'step') {
        const v = (r.vessels ?? []).find((x) => x.name === name);
        if (v) this.addStep({ t: num(r.t), dt: num(r.dt ?? 0), mjd: num(r.mjd), v });
      } else if (r.type === 'key') this.keys.push(r);
      else if (r.type === 'end') this.end = r;
      else if (r.type === 'command') this.commands.push(r);
      else if (r.vessel === name) {
        if (r.type === 'burn') this.burns.push(r);
        else if (r.type === 'hud') this.huds.push(r);
        else if (r.type === 'travel_end') this.travelEnds.push(r);
        else if (r.type === 'plan') this.plans.push(r);
      }
    }
  }

  addStep(s) {
    const steps = this.steps;
    if (!this.live) {
      steps.push(s);
      return;
    }
    // Snapshots come in time order; one from before the latest (a
    // restarted run) starts the history afresh, one at the same time (the
    // clock paused) replaces it.
    const last = steps[steps.length - 1];
    if (last && s.t < last.t) steps.length = 0;
    else if (last && (s.t === last.t || (steps.length >= 2 && last.t - steps[steps.length - 2].t < this.spacing))) steps.pop();
    steps.push(s);
    if (steps.length > LIVE_MAX_STEPS) {
      this.spacing = Math.max(2 * this.spacing, (s.t - steps[0].t) / (LIVE_MAX_STEPS / 2));
      let prev = -Infinity;
      this.steps = steps.filter((x, i) => {
        if (i !== steps.length - 1 && x.t - prev < this.spacing) return false;
        prev = x.t;
        return true;
      });
    }
  }

  // A live run's snapshot: its events and its step added, the latest HUD
  // frame the only one kept.
  append(records) {
    this.take(records);
    if (this.huds.length > 1) this.huds = [this.huds[this.huds.length - 1]];
    if (this.commands.length > LIVE_MAX_COMMANDS) this.commands.splice(0, this.commands.length - LIVE_MAX_COMMANDS);
    this.index();
  }

  index() {
    this.times = Float64Array.from(this.steps, (s) => s.t);
    this.hudTimes = Float64Array.from(this.huds, (h) => num(h.t));
    this.start = Math.min(num(this.header.start?.t ?? this.times[0]), this.times[0]);
    this.stop = this.times[this.times.length - 1];
    this.burnSpans = burnSpans(this.burns, this.stop);
    this.burnGroups = new Set(this.burnSpans.map((b) => b.group));
  }

  // Target longitudes [deg east]: the module's own (from the vessel's
  // profile) and a relocation's (the run's option, or its plans).
  targets() {
    const out = [];
    const own = this.profile?.target_lon_deg;
    if (own !== undefined && own !== null) out.push({ lonDeg: east(num(own)), what: 'module' });
    const relocate = this.header.options?.relocate;
    const plan = this.plans[this.plans.length - 1];
    let moved = relocate ? num(relocate.lon_deg) : NaN;
    if (!Number.isFinite(moved) && plan) moved = num(plan.start_lon_deg) + num(plan.gap_deg);
    if (Number.isFinite(moved)) out.push({ lonDeg: east(moved), what: 'relocation' });
    return out;
  }

  // The step at or before t and the fraction of the way to the next.
  bracket(t) {
    const i = Math.max(0, upperBound(this.times, t) - 1);
    if (i + 1 >= this.steps.length || t <= this.times[i]) return { a: this.steps[i], b: this.steps[i], f: 0 };
    const f = (t - this.times[i]) / (this.times[i + 1] - this.times[i]);
    return { a: this.steps[i], b: this.steps[i + 1], f };
  }

  // Animation states by id at time t, linear between steps.
  states(t) {
    return this.statesIn(this.bracket(t));
  }

  statesIn({ a, b, f }) {
    return this.animNames.map((name, id) => {
      const x = num(a.v.anim?.[name] ?? 0);
      if (f === 0) return x;
      let d = num(b.v.anim?.[name] ?? 0) - x;
      if (!this.wraps[id]) return x + d * f;
      if (Math.abs(d) > 0.5) d -= Math.sign(d);
      const s = x + d * f;
      return s < 0 || s > 1 ? s - Math.floor(s) : s;
    });
  }

  // The HUD frame last drawn at or before t, or null.
  hud(t) {
    const i = atOrBefore(this.hudTimes, t);
    return i < 0 ? null : this.huds[i];
  }

  // Each thruster group's level at t: a group with commanded burns fires
  // exactly on their intervals; another at the level of the step whose
  // interval holds t.
  thrust(t) {
    const out = {};
    const i = Math.min(this.steps.length - 1, upperBound(this.times, t - 1e-9));
    const s = this.steps[i];
    const inside = t > s.t - s.dt && t <= s.t;
    for (const [g, level] of Object.entries(s.v.thrust ?? {})) out[g] = inside ? num(level) : 0;
    for (const g of this.burnGroups) out[g] = 0;
    for (const b of this.burnSpans) if (t >= b.from && t < b.to) out[b.group] = b.level;
    return out;
  }

  // What the run looked like at t: the vessel's attitude slerped and its
  // position swept round the Earth between kept steps, the Earth's and the
  // Sun's directions taken from them into the vessel frame, the other
  // figures linear.
  at(t) {
    const k = this.bracket(t);
    const { a, b, f } = k;
    const lin = (x, y) => (f === 0 ? num(x) : num(x) + (num(y) - num(x)) * f);
    const qa = a.v.q?.map(num), qb = b.v.q?.map(num);
    const ea = vec3(a.v.earth_dir), eb = vec3(b.v.earth_dir);
    const sa = vec3(a.v.sun_dir), sb = vec3(b.v.sun_dir);
    let q = qa ?? null, earthDir = ea ?? [0, 0, -1], sunDir = sa ?? [1, 0, 0];
    if (f > 0) {
      if (qa?.length === 4 && qb?.length === 4 && ea && eb && sa && sb) {
        q = slerp(qa, qb, f);
        earthDir = rotateBack(q, slerpUnit(rotate(qa, ea), rotate(qb, eb), f));
        sunDir = rotateBack(q, nlerp(rotate(qa, sa), rotate(qb, sb), f));
      } else {
        earthDir = ea && eb ? nlerp(ea, eb, f) : earthDir;
        sunDir = sa && sb ? nlerp(sa, sb, f) : sunDir;
      }
    }
    let lonDeg = num(a.v.lon_deg);
    if (f > 0) {
      let d = num(b.v.lon_deg) - lonDeg;
      if (d > 180) d -= 360;
      if (d < -180) d += 360;
      lonDeg = east(lonDeg + d * f);
    }
    const errA = (a.v.pointing_error_deg ?? []).map(num), errB = (b.v.pointing_error_deg ?? []).map(num);
    return {
      t,
      mjd: lin(a.mjd, b.mjd),
      states: this.statesIn(k),
      q,
      earthDir,
      earthDistM: lin(a.v.earth_dist_m, b.v.earth_dist_m),
      sunDir,
      lonDeg,
      propellantKg: lin(a.v.propellant_kg, b.v.propellant_kg),
      pointingErrorDeg: errA.map((x, i) => (f === 0 || errB.length !== errA.length ? x : x + (errB[i] - x) * f)),
      earthDish: (f < 1 ? a : b).v.earth_dish ?? null,
      thrust: this.thrust(t),
      hud: this.hud(t),
    };
  }
}

function burnSpans(burns, stop) {
  const spans = [];
  const open = new Map();
  for (const b of burns) {
    if (b.phase === 'start') open.set(b.group, b);
    else if (b.phase === 'end' && open.has(b.group)) {
      const s = open.get(b.group);
      spans.push({ group: b.group, from: num(s.t), to: num(b.t), level: num(s.level ?? 1) });
      open.delete(b.group);
    }
  }
  for (const [group, b] of open) spans.push({ group, from: num(b.t), to: stop, level: num(b.level ?? 1) });
  return spans.sort((x, y) => x.from - y.from);
}
