// A stand-in for krvsim --live that speaks the same messages (docs/live.md)
// from a finished run's replay data block (its header, mesh, steps, HUD): its clock runs at the warp asked for, each
// snapshot carries the trace's step at or before that time (its time
// rewritten) and the last HUD frame by then, with the orders taken since
// the last one. Nothing acts on the vessel. The live test uses it when the
// krvsim it is given has no --live.
import { randomBytes } from 'node:crypto';
import { createServer } from 'node:http';
import { WebSocketServer } from 'ws';

const TYPES = new Set(['key', 'warp', 'pause', 'resume', 'burn', 'attitude', 'relocate', 'keep']);

export async function startMock(template, data) {
  const token = randomBytes(16).toString('hex');
  const trace = data.records;
  const header = trace[0];
  const steps = trace.filter((r) => r.type === 'step');
  const huds = trace.filter((r) => r.type === 'hud');
  const page = template.replace('__KRV_REPLAY_DATA__', () => JSON.stringify({ live: true, records: [header], mesh: data.mesh, obj: data.obj, mtl: data.mtl, textures: data.textures }).replace(/</g, '\\u003c'));
  let t = steps[0].t, warp = 1, paused = false, wall = Date.now(), client = 0;
  let pending = [];
  const http = createServer((req, res) => {
    const url = new URL(req.url, 'http://x');
    if (url.pathname !== '/' || url.searchParams.get('token') !== token) { res.writeHead(403).end(); return; }
    res.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8', 'Cache-Control': 'no-store' }).end(page);
  });
  const wss = new WebSocketServer({ noServer: true, maxPayload: 64 * 1024 });
  http.on('upgrade', (req, socket, head) => {
    const url = new URL(req.url, 'http://x');
    if (url.pathname !== '/ws' || url.searchParams.get('token') !== token || req.headers.origin !== `http://${req.headers.host}`) {
      socket.end('HTTP/1.1 403 Forbidden\r\n\r\n');
      return;
    }
    wss.handleUpgrade(req, socket, head, (ws) => {
      const me = ++client;
      if (latest) ws.send(latest);
      ws.on('message', (data, binary) => {
        const reply = (error, detail, id) => ws.send(JSON.stringify({ type: 'error', error, detail, ...(id !== undefined ? { id } : {}) }));
        if (binary) return reply('malformed', 'not text');
        if (data.length > 4096) return reply('too_big', 'over 4096 bytes');
        let m;
        try { m = JSON.parse(data.toString()); } catch { return reply('malformed', 'not JSON'); }
        if (!m || typeof m !== 'object' || typeof m.type !== 'string') return reply('malformed', 'no type', m?.id);
        if (!TYPES.has(m.type)) return reply('unknown', m.type, m.id);
        if (m.type === 'warp') {
          if (!(m.factor >= 1 && m.factor <= 100000)) return reply('invalid', 'factor', m.id);
          warp = m.factor;
        } else if (m.type === 'relocate' && !/^\d+(\.\d+)?[EW]$/.test(m.lon)) return reply('invalid', 'lon', m.id);
        else if (m.type === 'pause') paused = true;
        else if (m.type === 'resume') paused = false;
        pending.push({ type: 'command', t, client: me, order: m });
      });
    });
  });
  let latest = null;
  const timer = setInterval(() => {
    const now = Date.now();
    if (!paused) t += ((now - wall) / 1000) * warp;
    wall = now;
    const step = steps.findLast((s) => s.t <= t) ?? steps[0];
    const hud = huds.findLast((h) => h.t <= t) ?? huds[0];
    const records = [...pending, { ...step, t }, ...(hud ? [{ ...hud, t }] : [])];
    pending = [];
    latest = JSON.stringify({ type: 'snapshot', t, mjd: step.mjd, warp, paused, records });
    for (const ws of wss.clients) ws.send(latest);
  }, 1000 / 30);
  await new Promise((done) => http.listen(0, '127.0.0.1', done));
  return {
    url: `http://127.0.0.1:${http.address().port}/?token=${token}`,
    close: () => { clearInterval(timer); for (const ws of wss.clients) ws.terminate(); http.close(); },
  };
}
