// The mesh groups' vertices in double precision, as the stand-in host reads
// them: per "g group_NN_label", the vertices its faces name, in the order
// the faces first name them. The scene's float geometry is for drawing; the
// test interface poses these.
export function groupNumberOf(name) {
  const m = /^group_(\d{1,9})(?:_|$)/.exec(name);
  return m ? Number(m[1]) : null;
}

export function parseObjGroups(text) {
  const verts = [];
  const groups = new Map();
  let current = null;
  for (const raw of text.split('\n')) {
    const line = raw.trim();
    if (line.startsWith('v ')) {
      const p = line.split(/\s+/);
      verts.push([Number(p[1]), Number(p[2]), Number(p[3])]);
    } else if (line.startsWith('g ') || line.startsWith('o ')) {
      const name = line.slice(2).trim();
      const number = groupNumberOf(name);
      current = { name, number, order: [], seen: new Set() };
      if (number !== null) groups.set(number, current);
    } else if (line.startsWith('f ') && current) {
      for (const corner of line.split(/\s+/).slice(1)) {
        let i = parseInt(corner.split('/')[0], 10);
        i = i < 0 ? verts.length + i : i - 1;
        if (!current.seen.has(i)) {
          current.seen.add(i);
          current.order.push(i);
        }
      }
    }
  }
  const out = new Map();
  for (const [number, g] of groups) out.set(number, { name: g.name, vertices: g.order.map((i) => verts[i]) });
  return out;
}
