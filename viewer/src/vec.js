// Small vector and quaternion helpers in double precision. Quaternions are
// [w, x, y, z], as the trace writes them.

export const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];

export function unit(v) {
  const n = Math.hypot(...v);
  return n > 0 ? v.map((x) => x / n) : v.slice();
}

export function nlerp(a, b, f) {
  return unit(a.map((x, i) => x + (b[i] - x) * f));
}

// The vector q turns v into.
export function rotate(q, v) {
  const [w, x, y, z] = q;
  // t = 2 (q.xyz × v); v' = v + w t + q.xyz × t
  const tx = 2 * (y * v[2] - z * v[1]), ty = 2 * (z * v[0] - x * v[2]), tz = 2 * (x * v[1] - y * v[0]);
  return [v[0] + w * tx + (y * tz - z * ty), v[1] + w * ty + (z * tx - x * tz), v[2] + w * tz + (x * ty - y * tx)];
}

export function rotateBack(q, v) {
  return rotate([q[0], -q[1], -q[2], -q[3]], v);
}

// Along the great circle from unit a to unit b, a fraction f of the way.
export function slerpUnit(a, b, f) {
  const c = Math.min(1, Math.max(-1, dot(a, b)));
  const angle = Math.acos(c);
  if (angle < 1e-9 || Math.PI - angle < 1e-9) return nlerp(a, b, f);
  const s = Math.sin(angle);
  const ka = Math.sin((1 - f) * angle) / s, kb = Math.sin(f * angle) / s;
  return unit(a.map((x, i) => ka * x + kb * b[i]));
}

// The attitude a fraction f of the way from qa to qb, the short way.
export function slerp(qa, qb, f) {
  let c = qa[0] * qb[0] + qa[1] * qb[1] + qa[2] * qb[2] + qa[3] * qb[3];
  const b = c < 0 ? qb.map((x) => -x) : qb;
  c = Math.min(1, Math.abs(c));
  const angle = Math.acos(c);
  let ka = 1 - f, kb = f;
  if (angle > 1e-9) {
    const s = Math.sin(angle);
    ka = Math.sin((1 - f) * angle) / s;
    kb = Math.sin(f * angle) / s;
  }
  const q = qa.map((x, i) => ka * x + kb * b[i]);
  const n = Math.hypot(...q);
  return q.map((x) => x / n);
}
