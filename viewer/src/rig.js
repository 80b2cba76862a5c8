// The host's posing of mesh groups from animation states, in double
// precision and in the same order of operations as the stand-in host's
// engine: a component turns its groups about its axis through its reference
// point by angle x progress; its own turn comes first, then its parent's,
// grandparent's and so on; a group named by several components takes each
// one's placement in the order the components were added.

// A rigid motion {r: 3x3 rows, t: [x, y, z]}: p' = r p + t.
export const identity = () => ({ r: [[1, 0, 0], [0, 1, 0], [0, 0, 1]], t: [0, 0, 0] });

export function direction(m, d) {
  const r = m.r;
  return [
    r[0][0] * d[0] + r[0][1] * d[1] + r[0][2] * d[2],
    r[1][0] * d[0] + r[1][1] * d[1] + r[1][2] * d[2],
    r[2][0] * d[0] + r[2][1] * d[1] + r[2][2] * d[2],
  ];
}

export function point(m, p) {
  const q = direction(m, p);
  return [q[0] + m.t[0], q[1] + m.t[1], q[2] + m.t[2]];
}

export function rotationAbout(through, axis, angle) {
  const m = identity();
  const n = Math.sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  if (!(n > 0) || angle === 0) return m;
  const ux = axis[0] / n, uy = axis[1] / n, uz = axis[2] / n;
  const c = Math.cos(angle), s = Math.sin(angle), k = 1 - c;
  m.r = [
    [c + ux * ux * k, ux * uy * k - uz * s, ux * uz * k + uy * s],
    [uy * ux * k + uz * s, c + uy * uy * k, uy * uz * k - ux * s],
    [uz * ux * k - uy * s, uz * uy * k + ux * s, c + uz * uz * k],
  ];
  const moved = direction(m, through);
  m.t = [through[0] - moved[0], through[1] - moved[1], through[2] - moved[2]];
  return m;
}

// First inner, then outer.
export function compose(outer, inner) {
  const r = [[0, 0, 0], [0, 0, 0], [0, 0, 0]];
  for (let i = 0; i < 3; ++i)
    for (let j = 0; j < 3; ++j)
      r[i][j] = outer.r[i][0] * inner.r[0][j] + outer.r[i][1] * inner.r[1][j] + outer.r[i][2] * inner.r[2][j];
  return { r, t: point(outer, inner.t) };
}

export function progress(c, state) {
  if (Number.isNaN(state)) return 0;
  if (c.state1 === c.state0) return state >= c.state1 ? 1 : 0;
  const f = (state - c.state0) / (c.state1 - c.state0);
  return f < 0 ? 0 : f > 1 ? 1 : f;
}

// states: array indexed by animation id (missing ids count as 0).
export function ownMotion(c, states) {
  const state = c.animation < states.length ? states[c.animation] : 0;
  return rotationAbout(c.ref, c.axis, c.angle * progress(c, state));
}

// Parents are named by their "index"; a chain that loops or names no
// component ends there.
export function placement(components, c, states) {
  const byIndex = (i) => components.find((x) => x.index === i) ?? null;
  let m = ownMotion(c, states);
  const seen = new Set([c]);
  for (let up = c.parent == null ? null : byIndex(c.parent); up && !seen.has(up); up = up.parent == null ? null : byIndex(up.parent)) {
    seen.add(up);
    m = compose(ownMotion(up, states), m);
  }
  return m;
}

// The motion of every group of mesh `mesh` that some component names.
export function groupMotions(components, states, mesh = 0) {
  const out = new Map();
  for (const c of components) {
    if ((c.mesh ?? 0) !== mesh || !c.groups || c.groups.length === 0) continue;
    const m = placement(components, c, states);
    for (const g of new Set(c.groups)) out.set(g, compose(m, out.get(g) ?? identity()));
  }
  return out;
}

// Values that the trace writes as strings ("nan", "inf", "-inf").
export function num(x) {
  if (typeof x === 'number') return x;
  if (x === 'nan') return NaN;
  if (x === 'inf') return Infinity;
  if (x === '-inf') return -Infinity;
  return Number(x);
}
