// The live page in a real browser against krvsim --live:
//   node test/live_test.mjs --build BUILD_DIR --out OUT_DIR [--shot PNG]
// Flies the default scenario from the page: G deploys, warp and pause move
// the run's clock as asked, two pages see one run, a page leaving stops
// nothing, a raw socket's bad messages are refused while a page flies, and
// --record's run file reproduces the flight. Writes live.png into OUT_DIR
// (--shot: also there); exits 1 on a failed check, 2 on bad usage or a
// missing browser.
import { execFileSync, spawn } from 'node:child_process';
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';
import WebSocket from 'ws';

const args = process.argv.slice(2);
const opt = (name, fallback) => {
  const i = args.indexOf(name);
  return i >= 0 && i + 1 < args.length ? args[i + 1] : fallback;
};
const build = resolve(opt('--build', 'build/default'));
const out = resolve(opt('--out', 'build/viewer-test'));
const shot = opt('--shot', null);
const root = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');
const krvsim = join(build, 'standin', 'krvsim');
const template = join(build, 'viewer', 'replay_template.html');
const browserPath = process.env.KRV_CHROMIUM ?? ['/usr/bin/chromium-headless-shell', '/usr/bin/chromium'].find(existsSync);
for (const [what, file] of [['krvsim', krvsim], ['the page template', template], ['a Chromium', browserPath]]) {
  if (!file || !existsSync(file)) {
    console.error(`live_test: ${what} not found${file ? ` at ${file}` : ''}`);
    process.exit(2);
  }
}
mkdirSync(out, { recursive: true });

const failures = [];
const check = (ok, what) => {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
};
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const readTrace = (file) => readFileSync(file, 'utf8').split('\n').filter((l) => l).map((l) => JSON.parse(l));
// Generous: only a hang fails it.
const HANG_MS = 60000;

const children = [];

// krvsim --live on a port of the system's choosing; resolves with the URL
// it prints.
function startLive(extra) {
  const child = spawn(krvsim, ['--no-progress', '--live', '127.0.0.1:0', ...extra], { cwd: root, stdio: ['ignore', 'pipe', 'pipe'] });
  children.push(child);
  let text = '';
  return new Promise((done, failed) => {
    const look = (chunk) => {
      text += chunk;
      const m = /http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+/.exec(text);
      if (m) done({ child, url: m[0], log: () => text });
    };
    child.stdout.on('data', look);
    child.stderr.on('data', look);
    child.on('exit', (code) => failed(new Error(`krvsim --live exited (${code}) before printing its URL:\n${text}`)));
    setTimeout(() => failed(new Error(`krvsim --live printed no URL in ${HANG_MS} ms:\n${text}`)), HANG_MS);
  });
}

function stop(child) {
  if (child.exitCode !== null) return Promise.resolve(child.exitCode);
  return new Promise((done) => {
    child.on('exit', (code, signal) => done(code ?? signal));
    child.kill('SIGTERM');
    setTimeout(() => child.kill('SIGKILL'), HANG_MS);
  });
}

const server = await startLive(['--trace', join(out, 'live_trace.jsonl'), '--record', join(out, 'live_record.run')]);
console.log(`live_test: krvsim --live at ${server.url.replace(/token=.*/, 'token=…')}`);

const profile = mkdtempSync(join(tmpdir(), 'krv-chromium-'));
const browser = await puppeteer.launch({
  executablePath: browserPath,
  headless: 'shell',
  userDataDir: profile,
  args: [
    '--enable-unsafe-swiftshader', '--use-angle=swiftshader', '--no-sandbox',
    '--disable-background-networking', '--disable-component-update', '--no-first-run',
    '--disable-extensions', '--disable-sync', '--mute-audio',
    // Two pages flying at once, neither throttled as a background tab.
    '--disable-background-timer-throttling', '--disable-renderer-backgrounding', '--disable-backgrounding-occluded-windows',
  ],
  defaultViewport: { width: 1366, height: 768 },
});

async function open() {
  const page = await browser.newPage();
  const problems = [];
  page.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  await page.goto(server.url, { waitUntil: 'load' });
  await page.waitForFunction(() => window.krvReplay && (window.krvReplay.ready || window.krvReplay.error), { timeout: HANG_MS });
  const error = await page.evaluate(() => window.krvReplay.error);
  if (error) throw new Error(`the live page: ${error}`);
  return { page, problems };
}
const simTime = (page) => page.evaluate(() => window.krvReplay.simTime());
// Waits until fn(page state) holds; the state last seen either way.
async function until(page, fn, what, ms = HANG_MS) {
  try {
    await page.waitForFunction(fn, { timeout: ms, polling: 50 });
    return true;
  } catch {
    console.log(`  (gave up waiting for ${what})`);
    return false;
  }
}
// Simulated seconds per wall second over `ms`, read off the page.
async function rate(page, ms) {
  const a = await simTime(page), w0 = Date.now();
  await sleep(ms);
  return (await simTime(page) - a) / ((Date.now() - w0) / 1000);
}

try {
  const one = await open();
  const p = one.page;
  check(await p.evaluate(() => window.krvReplay.live === true && window.krvReplay.connection === 'connected'),
    'the page connects to the run and shows its first snapshot');

  // G pressed in the page: the booms go out and the HUD says so.
  await p.click('#view');
  await p.keyboard.press('KeyG');
  const booms = await until(p, () => window.krvReplay.states().ant === 1, 'the booms at 1');
  const hud = await p.evaluate(() => (window.krvReplay.hudTexts()?.texts ?? []).map((x) => x.text));
  check(booms && hud.includes('HGA and Solar Panels Deployed'), `G in the page: booms at 1, HUD "${hud.find((x) => /HGA/.test(x))}"`);

  // Keys with modifiers: Shift+K is not the module's K (the covers stay
  // shut); what was sent is read back from the trace at the end.
  for (const [mod, key] of [['ShiftLeft', 'KeyK'], ['ShiftRight', 'Digit7'], ['Control', 'Digit5'], ['Alt', 'KeyQ']]) {
    await p.keyboard.down(mod);
    await p.keyboard.press(key);
    await p.keyboard.up(mod);
  }

  // Warp and pause, from the bar and the keys.
  await p.select('#speed', '100');
  await until(p, () => window.krvReplay.warp() === 100, 'warp 100');
  const at100 = await rate(p, 3000);
  // Loose: a busy machine falls behind the clock at a high warp.
  check(at100 > 20 && at100 < 300, `at warp 100 the run's time goes ${at100.toFixed(0)}× wall time`);
  await p.keyboard.press('Comma');
  await until(p, () => window.krvReplay.warp() === 10, '"," to warp 10');
  check(await p.evaluate(() => window.krvReplay.warp()) === 10, '"," steps the warp down to 10×');
  await p.keyboard.press('Space');
  await until(p, () => window.krvReplay.paused(), 'paused');
  await sleep(300);
  const paused = await rate(p, 1500);
  check(paused === 0 && (await p.$eval('#live-status', (e) => e.textContent)).includes('paused'), `paused: the run's time stands (${paused} s/s) and the bar says so`);
  await p.click('#play');
  await until(p, () => !window.krvReplay.paused(), 'resumed');
  check(await rate(p, 1500) > 0, 'resumed from the button: the run goes on');

  // Two pages, one run; the second leaving stops nothing.
  const two = await open();
  // Paused, the two must read the very same time.
  await p.keyboard.press('Space');
  const bothPaused = () => window.krvReplay.paused() && window.krvReplay.connection === 'connected';
  await Promise.all([until(p, bothPaused, 'paused'), until(two.page, bothPaused, 'paused in the second page')]);
  await sleep(300);
  const [ta, tb] = await Promise.all([simTime(p), simTime(two.page)]);
  check(ta === tb, `two pages show one run's time (${ta} s and ${tb} s, paused)`);
  await p.keyboard.press('Space');
  await until(p, () => !window.krvReplay.paused(), 'resumed');
  await two.page.close();
  check(await rate(p, 1500) > 0, 'a page closed mid-flight leaves the run going');

  // A raw client's bad messages, and sockets without the token or from
  // another origin, while the page flies.
  const base = server.url.replace(/^http/, 'ws').replace('/?token=', '/ws?token=');
  const origin = new URL(server.url).origin;
  const raw = new WebSocket(base, { origin });
  const replies = [];
  raw.on('message', (m) => { const x = JSON.parse(m.toString()); if (x.type === 'error') replies.push(x); });
  await new Promise((done, failed) => { raw.once('open', done); raw.once('error', failed); });
  const bad = [['not JSON', 'garbage{', 'malformed'], ['no type', '{"id":1}', 'malformed'], ['oversized', JSON.stringify({ type: 'key', key: 'G', pad: 'x'.repeat(5000) }), 'too_big'],
    ['unknown', '{"type":"selfdestruct","id":7}', 'unknown'], ['out of range', '{"type":"warp","factor":1e9,"id":8}', 'invalid']];
  for (const [, text] of bad) raw.send(text);
  const t0 = await simTime(p);
  for (let i = 0; i < 100 && replies.length < bad.length; ++i) await sleep(50);
  const codes = replies.map((r) => r.error);
  check(bad.every(([, , code], i) => codes[i] === code), `bad messages answered ${codes.join(', ')} (${bad.map((b) => b[0]).join(', ')})`);
  const refused = async (url, o) => new Promise((done) => {
    const w = new WebSocket(url, { origin: o });
    w.on('open', () => { w.close(); done(false); });
    w.on('error', () => done(true));
    w.on('unexpected-response', (_, res) => done(res.statusCode === 403));
  });
  const wrongToken = await refused(base.replace(/token=[0-9a-f]+/, 'token=0123456789abcdef0123456789abcdef'), origin);
  const wrongOrigin = await refused(base, 'http://evil.example');
  check(wrongToken && wrongOrigin, `a socket with a wrong token ${wrongToken ? 'is' : 'is NOT'} refused, from another origin ${wrongOrigin ? 'is' : 'is NOT'}`);
  raw.close();
  await sleep(1000);
  check(await simTime(p) > t0 && await p.evaluate(() => window.krvReplay.connection === 'connected'), 'the page flies on meanwhile');

  // An error reply shows in the page, not only the console.
  await p.evaluate(() => window.krvReplay.send({ type: 'relocate', lon: 'nowhere', orbits: 3 }));
  check(await until(p, () => document.querySelector('#replies .error')?.textContent.includes('relocate'), 'a refusal shown'),
    `a refused order is shown in the page: "${await p.$eval('#replies', (e) => e.querySelector('.error')?.textContent ?? '')}"`);

  // The README's picture, then the run ends under the page.
  await p.select('#speed', '1');
  await sleep(1500);
  await p.screenshot({ path: join(out, 'live.png') });
  if (shot) copyFileSync(join(out, 'live.png'), shot);
  const code = await stop(server.child);
  check(code === 143, `krvsim --live ends on SIGTERM with exit ${code} (143)`);
  check(await until(p, () => window.krvReplay.connection === 'disconnected' && document.getElementById('live-status').textContent === 'disconnected', 'disconnected'),
    'the run gone, the page says "disconnected" and keeps its last state');
  const taken = await p.$$eval('#replies .taken', (e) => e.length);
  check(taken > 0, `the orders taken are listed in the page (${taken} of the last 8 lines)`);
  check(one.problems.length === 0, `no page error (${one.problems.join('; ') || 'none'})`);

  {
    const keys = readTrace(join(out, 'live_trace.jsonl')).filter((r) => r.type === 'command' && r.order.type === 'key')
      .map((r) => [...(r.order.mods ?? []), r.order.key].join('+'));
    const lid = await p.evaluate(() => window.krvReplay.states().lid);
    check(['G', 'Shift+K', 'RShift+7', 'Ctrl+5', 'Alt+Q'].every((k) => keys.includes(k)) && lid === 0,
      `keys from the page in the trace: ${keys.join(', ')}; the covers ${lid === 0 ? 'still shut' : 'OPENED'} after Shift+K`);

    // The recorded orders replayed as a run file give the same flight.
    const again = join(out, 'live_again.jsonl');
    execFileSync(krvsim, ['--no-progress', '--config', join(out, 'live_record.run'), '--trace', again], { cwd: root, stdio: ['ignore', 'ignore', 'inherit'] });
    const steps = (f) => readTrace(f).filter((r) => r.type === 'step');
    const a = steps(join(out, 'live_trace.jsonl')), b = steps(again);
    const differ = a.findIndex((s, i) => JSON.stringify(s) !== JSON.stringify(b[i]));
    check(a.length > 10 && a.length === b.length && differ < 0,
      `--record then --config: ${b.length} steps against the live flight's ${a.length}${differ >= 0 ? `, first different at t=${a[differ].t} s` : ', all equal'}`);
  }
} catch (err) {
  failures.push(String(err.stack ?? err));
  console.error(err);
} finally {
  await browser.close();
  for (const c of children) if (c.exitCode === null) c.kill('SIGKILL');
  rmSync(profile, { recursive: true, force: true });
}

if (failures.length) {
  console.error(`live_test: ${failures.length} check(s) failed`);
  process.exit(1);
}
console.log('live_test: all checks passed');
