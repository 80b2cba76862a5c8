// The displayed time and how it moves: seeking, playing, the speed. The
// default speed plays the deployment as it happened (1×), the dishes
// settling on the Earth included, and the rest of the run in about a minute
// and a half; a speed the user picks holds throughout.
import { num } from './rig.js';

export const SPEEDS = [1, 10, 60, 600, 3600, 21600, 86400];
const REST_PLAYS_IN_S = 90;
// Events this close together belong to one deployment [s].
const DEPLOYMENT_GAP_S = 300;

// Faster than this a state is a mechanism travelling or a dish slewing onto
// the Earth, not tracking it.
const TRAVEL_PER_S = 1e-3;

// The end of the first stretch of keys, mechanisms' ends of travel and
// fast turns (the dishes' tracking not counted), or the start when the run
// has none.
export function deploymentEnd(replay) {
  const a = replay.profile?.animations ?? {};
  const tracking = new Set([a.rotation, a.tilt1, a.tilt2].filter(Boolean));
  const times = [...replay.keys.map((k) => num(k.t)),
    ...replay.travelEnds.filter((e) => !tracking.has(e.animation)).map((e) => num(e.t))];
  const steps = replay.steps;
  for (let i = 1; i < steps.length; ++i) {
    const dt = steps[i].t - steps[i - 1].t;
    const moved = replay.animNames.some((name, id) => {
      let d = Math.abs(num(steps[i].v.anim?.[name] ?? 0) - num(steps[i - 1].v.anim?.[name] ?? 0));
      if (replay.wraps[id]) d = Math.min(d, 1 - d);
      return d > TRAVEL_PER_S * dt;
    });
    if (dt > 0 && moved) times.push(steps[i].t);
  }
  if (times.length === 0) return replay.start;
  times.sort((x, y) => x - y);
  let end = times[0];
  for (const t of times) {
    if (t - end > DEPLOYMENT_GAP_S) break;
    end = t;
  }
  return Math.min(replay.stop, end + 5);
}

export class Playback {
  constructor(replay, onChange) {
    this.replay = replay;
    this.onChange = onChange;
    this.now = replay.start;
    this.playing = false;
    this.deployedAt = deploymentEnd(replay);
    this.fast = SPEEDS.find((s) => (replay.stop - this.deployedAt) / s <= REST_PLAYS_IN_S) ?? SPEEDS[SPEEDS.length - 1];
    this.choice = 'auto';
    this.last = null;
    this.workMs = [];
  }

  speed() {
    if (this.choice !== 'auto') return this.choice;
    return this.now < this.deployedAt ? 1 : this.fast;
  }

  setSpeed(s) {
    this.choice = s === 'auto' ? 'auto' : Number(s);
  }

  seek(t) {
    this.now = Math.min(this.replay.stop, Math.max(this.replay.start, num(t)));
    this.onChange();
    return this.now;
  }

  setPlaying(p) {
    if (p && !this.playing && this.now >= this.replay.stop) this.now = this.replay.start;
    this.playing = p;
    this.last = null;
  }

  // One animation frame: the time moves by the frame's interval at the
  // speed; crossing the deployment's end at 1× lands on it first.
  tick(ts) {
    if (!this.playing) return;
    if (this.last !== null) {
      const started = performance.now();
      let next = this.now + ((ts - this.last) / 1000) * this.speed();
      if (this.now < this.deployedAt && next > this.deployedAt && this.choice === 'auto') next = this.deployedAt;
      this.now = Math.min(this.replay.stop, next);
      this.onChange();
      this.workMs.push(performance.now() - started);
      if (this.workMs.length > 600) this.workMs.shift();
      if (this.now >= this.replay.stop) this.playing = false;
    }
    this.last = ts;
  }
}
