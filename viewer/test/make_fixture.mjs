// Writes a plausible krvsim trace (format 1) for developing and testing the
// viewer without krvsim: a KRV in geostationary orbit, G and K pressed,
// booms, wings and cover deploying, both dishes tracking the Earth, and
// optionally a relocation (two burns) over days.
//
//   node test/make_fixture.mjs OUT.jsonl [--until S] [--dt S] [--relocate]
//
// The rig in the header is the module's (vessel/animation_rig.cpp); the dish
// states are solved from the Earth direction through that rig's geometry, so
// a viewer that poses the mesh right shows the Earth-side dish on the Earth.
import { writeFileSync } from 'node:fs';

const HALF_PI = Math.PI / 2;
const f32 = (x) => Math.fround(x);

export const ANIMATIONS = ['ant', 'hga_rot', 'hga_tilt1', 'hga_tilt2', 'solp', 'lid'];

export const COMPONENTS = [
  { animation: 0, groups: [7, 14, 18], ref: [0, 1.161, -2.204], axis: [-1, 0, 0], angle: f32(HALF_PI), parent: null },
  { animation: 0, groups: [6, 12, 21], ref: [0, -1.165, -2.204], axis: [1, 0, 0], angle: f32(HALF_PI), parent: null },
  { animation: 1, groups: [], ref: [0, 1.161, 0], axis: [0, 0, -1], angle: f32(2 * Math.PI), parent: 0 },
  { animation: 1, groups: [], ref: [0, -1.165, 0], axis: [0, 0, 1], angle: f32(2 * Math.PI), parent: 1 },
  { animation: 2, groups: [13, 15, 16, 17], ref: [0, 1.161, -0.065], axis: [1, 0, 0], angle: f32(HALF_PI), parent: 2 },
  { animation: 3, groups: [8, 9, 10, 11], ref: [0, -1.165, -0.065], axis: [-1, 0, 0], angle: f32(HALF_PI), parent: 3 },
  { animation: 4, groups: [19], ref: [-1.095, 0, 0.795], axis: [0, 1, 0], angle: f32(HALF_PI), parent: null },
  { animation: 4, groups: [20], ref: [1.095, 0, 0.795], axis: [0, -1, 0], angle: f32(HALF_PI), parent: null },
  { animation: 5, groups: [4], ref: [0, 1.067, 3.049], axis: [1, 0, 0], angle: f32(Math.PI), parent: null },
].map((c, index) => ({ index, mesh: 0, state0: 0, state1: 1, ...c }));

const THRUSTER_GROUPS = [
  { name: 'main', thrusters: [{ pos: [0, 0, -2.6], dir: [0, 0, 1], max_thrust_n: 500, isp_m_s: 2800 }] },
  ...['pitchup', 'pitchdown', 'yawleft', 'yawright', 'bankleft', 'bankright'].map((name, k) => ({
    name,
    thrusters: [{ pos: [k % 2 ? -0.977 : 0.977, k < 3 ? 0.85 : -0.85, -2.5], dir: [0, k % 2 ? 1 : -1, 0], max_thrust_n: 10, isp_m_s: 2500 }],
  })),
  { name: 'forward', thrusters: [[1, 1], [1, -1], [-1, 1], [-1, -1]].map(([sx, sy]) => ({ pos: [0.977 * sx, 0.85 * sy, -2.5], dir: [0, 0, 1], max_thrust_n: 10, isp_m_s: 2500 })) },
];

const MU = 3.986004418e14;
const EARTH_RATE = 7.292115146706979e-5; // [rad/s]
const R_GEO = Math.cbrt(MU / (EARTH_RATE * EARTH_RATE));
const TARGET_LON = 258;

const norm = (v) => { const n = Math.hypot(...v); return v.map((x) => x / n); };
const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
const angleDeg = (a, b) => Math.atan2(Math.hypot(...cross(a, b)), dot(a, b)) * 180 / Math.PI;

// Boresights of dish 1 and dish 2 with the booms out, from the rig's turns
// (tilt about the dish's own x, then the rotation about the stowed boom,
// then the boom's quarter turn).
export function boresights(rot, tilt1, tilt2) {
  const phi = 2 * Math.PI * rot, t1 = HALF_PI * tilt1, t2 = HALF_PI * tilt2;
  return [
    [Math.cos(t1) * Math.sin(phi), Math.sin(t1), -Math.cos(t1) * Math.cos(phi)],
    [Math.cos(t2) * Math.sin(phi), -Math.sin(t2), -Math.cos(t2) * Math.cos(phi)],
  ];
}

// Dish states that put the dish on side `side` (1: +y, 2: -y) onto e.
function aim(e, side) {
  const rot = ((Math.atan2(e[0], -e[2]) / (2 * Math.PI)) % 1 + 1) % 1;
  const tilt = Math.min(1, Math.max(0, Math.asin(Math.abs(e[1])) / HALF_PI));
  return { rot, tilt1: side === 1 ? tilt : 0, tilt2: side === 2 ? tilt : 0 };
}

function approach(x, target, rate, dt) {
  if (Math.abs(target - x) <= rate * dt) return target;
  return x + Math.sign(target - x) * rate * dt;
}

// The rotation approaches its target the short way round.
function approachTurn(x, target, rate, dt) {
  let d = target - x;
  d -= Math.round(d);
  if (Math.abs(d) <= rate * dt) return target;
  return ((x + Math.sign(d) * rate * dt) % 1 + 1) % 1;
}

function quatFromColumns(xb, yb, zb) {
  const m = [[xb[0], yb[0], zb[0]], [xb[1], yb[1], zb[1]], [xb[2], yb[2], zb[2]]];
  const tr = m[0][0] + m[1][1] + m[2][2];
  let w, x, y, z;
  if (tr > 0) {
    const s = Math.sqrt(tr + 1) * 2;
    w = s / 4; x = (m[2][1] - m[1][2]) / s; y = (m[0][2] - m[2][0]) / s; z = (m[1][0] - m[0][1]) / s;
  } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
    const s = Math.sqrt(1 + m[0][0] - m[1][1] - m[2][2]) * 2;
    w = (m[2][1] - m[1][2]) / s; x = s / 4; y = (m[0][1] + m[1][0]) / s; z = (m[0][2] + m[2][0]) / s;
  } else if (m[1][1] > m[2][2]) {
    const s = Math.sqrt(1 + m[1][1] - m[0][0] - m[2][2]) * 2;
    w = (m[0][2] - m[2][0]) / s; x = (m[0][1] + m[1][0]) / s; y = s / 4; z = (m[1][2] + m[2][1]) / s;
  } else {
    const s = Math.sqrt(1 + m[2][2] - m[0][0] - m[1][1]) * 2;
    w = (m[1][0] - m[0][1]) / s; x = (m[0][2] + m[2][0]) / s; y = (m[1][2] + m[2][1]) / s; z = s / 4;
  }
  return [w, x, y, z];
}

function hudTexts(lon, dv, deployed) {
  const drift = lon - TARGET_LON;
  return [
    { x: 10, y: 151, color: '#66FF66', text: `Longitude ${lon.toFixed(2)}\u00b0 E` },
    { x: 10, y: 167, color: '#66FF66', text: `Remaining dV = ${dv.toFixed(2)} m/s` },
    { x: 10, y: 183, color: deployed ? '#66FF66' : '#FFCC33', text: deployed ? 'HGA and Solar Panels Deployed' : 'HGA and Solar Panels Stowed' },
    { x: 10, y: 199, color: Math.abs(drift) < 0.1 ? '#66FF66' : '#FF6666', text: `Target Longitude 102\u00b0 W  (off by ${drift.toFixed(2)}\u00b0)` },
  ];
}

export function makeTrace({ until = 600, dt = 1, relocate = false, hudEvery = 30 } = {}) {
  const lines = [];
  const burns = relocate ? [
    { group: 'main', start: 3600, end: 3660, level: 1 },
    { group: 'main', start: until - 7200, end: until - 7140, level: 1 },
  ] : [{ group: 'pitchup', start: 300, end: 303, level: 1 }];
  const keys = [{ t: 5, key: 'G' }, { t: 20, key: 'K' }];
  lines.push({
    type: 'header', format: 1, krvsim: '0.3.0', scenario: 'data/Scenarios/krv_geo_stowed.scn',
    options: { dt, until, key: keys.map((k) => `${k.t}:${k.key}`) },
    start: { t: 0, mjd: 60476.0 }, trace_every: 1,
    vessels: [{
      name: 'KRV-1', class: 'KRV', mesh: 'krv/krv',
      animations: ANIMATIONS.map((name, id) => ({ id, name })),
      components: COMPONENTS, thruster_groups: THRUSTER_GROUPS,
      tank: { max_kg: 1450, kg: 1450, efficiency: 1 }, empty_mass_kg: 1650,
    }],
  });
  // The Sun fixed in the global frame (mid June), the attitude holding +z on it.
  const sun = norm([0.08, 0.91, 0.40]);
  const yb = norm(cross([0, 0, 1], sun));
  const xb = cross(yb, sun);
  const q = quatFromColumns(xb, yb, sun);
  const toBody = (v) => [dot(v, xb), dot(v, yb), dot(v, sun)];
  const lonAt = (t) => {
    if (!relocate) return 284.99;
    const a = 3660, b = until - 7140;
    if (t <= a) return 284.99;
    if (t >= b) return TARGET_LON + 0.01;
    return 284.99 + (TARGET_LON + 0.01 - 284.99) * (t - a) / (b - a);
  };
  const anim = { ant: 0, hga_rot: 0, hga_tilt1: 0, hga_tilt2: 0, solp: 0, lid: 0 };
  const opening = { ant: false, solp: false, lid: false };
  const rates = { ant: 0.1, solp: 0.5, lid: 1 };
  let propellant = 1450;
  const steps = Math.round(until / dt);
  let nextHud = hudEvery;
  for (let n = 1; n <= steps; ++n) {
    const t = n * dt, tPrev = t - dt;
    for (const k of keys) {
      if (k.t > tPrev && k.t <= t) {
        lines.push({ type: 'key', t: k.t, key: k.key, used: { 'KRV-1': true } });
        if (k.key === 'G') opening.ant = opening.solp = true;
        if (k.key === 'K') opening.lid = true;
      }
    }
    const thrust = Object.fromEntries(THRUSTER_GROUPS.map((g) => [g.name, 0]));
    for (const b of burns) {
      if (b.start > tPrev && b.start <= t) lines.push({ type: 'burn', t: b.start, vessel: 'KRV-1', group: b.group, phase: 'start', level: b.level });
      if (b.end > tPrev && b.end <= t) lines.push({ type: 'burn', t: b.end, vessel: 'KRV-1', group: b.group, phase: 'end', level: 0 });
      if (t > b.start && t <= b.end) { thrust[b.group] = b.level; propellant -= 0.18 * dt * b.level; }
    }
    const set = [];
    for (const name of ['ant', 'solp', 'lid']) {
      if (opening[name] && anim[name] < 1) {
        anim[name] = Math.min(1, anim[name] + rates[name] * dt);
        set.push(name);
        if (anim[name] === 1) lines.push({ type: 'travel_end', t, vessel: 'KRV-1', animation: name, state: 1 });
      }
    }
    const lon = lonAt(t);
    const theta = (lon * Math.PI / 180) + EARTH_RATE * t;
    const pos = [R_GEO * Math.cos(theta), R_GEO * Math.sin(theta), 0];
    const vel = [-R_GEO * EARTH_RATE * Math.sin(theta), R_GEO * EARTH_RATE * Math.cos(theta), 0];
    const earthDir = toBody(norm(pos.map((x) => -x)));
    const side = earthDir[1] >= 0 ? 1 : 2;
    if (anim.ant === 1) {
      const goal = aim(earthDir, side);
      anim.hga_rot = approachTurn(anim.hga_rot, goal.rot, 0.01, dt);
      anim.hga_tilt1 = approach(anim.hga_tilt1, goal.tilt1, 0.04, dt);
      anim.hga_tilt2 = approach(anim.hga_tilt2, goal.tilt2, 0.04, dt);
      set.push('hga_rot', 'hga_tilt1', 'hga_tilt2');
    }
    const bs = anim.ant === 1 ? boresights(anim.hga_rot, anim.hga_tilt1, anim.hga_tilt2) : [[0, 1, 0], [0, -1, 0]];
    lines.push({
      type: 'step', n, t, mjd: 60476 + t / 86400, dt,
      vessels: [{
        name: 'KRV-1', pos_m: pos, vel_m_s: vel, q, omega_rad_s: [0, 0, 0],
        earth_dir: earthDir, earth_dist_m: R_GEO, sun_dir: [0, 0, 1],
        lon_deg: lon,
        host: { earth_found: true },
        anim: { ...anim }, set, propellant_kg: propellant, thrust,
        pointing_error_deg: bs.map((b) => angleDeg(b, earthDir)),
        earth_dish: anim.ant === 1 ? side : null,
      }],
    });
    if (t >= nextHud) {
      lines.push({ type: 'hud', t, vessel: 'KRV-1', width: 1024, height: 768, texts: hudTexts(lon, propellant * 1.2178, anim.ant === 1) });
      nextHud += hudEvery;
    }
  }
  lines.push({ type: 'end', t: steps * dt, steps, reason: 'until' });
  return lines;
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const args = process.argv.slice(2);
  const out = args[0];
  if (!out) { console.error('usage: make_fixture.mjs OUT.jsonl [--until S] [--dt S] [--relocate]'); process.exit(2); }
  const opt = { until: 600, dt: 1, relocate: false, hudEvery: 30 };
  for (let i = 1; i < args.length; ++i) {
    if (args[i] === '--until') opt.until = Number(args[++i]);
    else if (args[i] === '--dt') opt.dt = Number(args[++i]);
    else if (args[i] === '--hud-every') opt.hudEvery = Number(args[++i]);
    else if (args[i] === '--relocate') opt.relocate = true;
    else { console.error(`make_fixture.mjs: unknown option ${args[i]}`); process.exit(2); }
  }
  writeFileSync(out, makeTrace(opt).map((r) => JSON.stringify(r)).join('\n') + '\n');
}
