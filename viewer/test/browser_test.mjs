// The replay page of real runs in a real browser (Debian's headless
// Chromium, WebGL through SwiftShader), driven by puppeteer-core:
//   node test/browser_test.mjs --build BUILD_DIR --out OUT_DIR
// BUILD_DIR holds krvsim (built by the default preset). The test runs
// scripts/run's default flight with its outputs in OUT_DIR, and a 30-day
// run at 60 s steps, and checks their pages against the traces and against
// krvsim's own posing (--poses). Writes screenshots and measurements.json
// into OUT_DIR; exits 1 on a failed check, 2 on bad usage or a missing
// browser.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

const args = process.argv.slice(2);
const opt = (name, fallback) => {
  const i = args.indexOf(name);
  return i >= 0 && i + 1 < args.length ? args[i + 1] : fallback;
};
const build = resolve(opt('--build', 'build/default'));
const out = resolve(opt('--out', 'build/viewer-test'));
const root = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');
const krvsim = join(build, 'standin', 'krvsim');
const browserPath = process.env.KRV_CHROMIUM ?? ['/usr/bin/chromium-headless-shell', '/usr/bin/chromium'].find(existsSync);
for (const [what, file] of [['krvsim', krvsim], ['a Chromium', browserPath]]) {
  if (!file || !existsSync(file)) {
    console.error(`browser_test: ${what} not found${file ? ` at ${file}` : ''}`);
    process.exit(2);
  }
}
mkdirSync(out, { recursive: true });

const failures = [];
const check = (ok, what) => {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
};

// scripts/run's own krvsim arguments for its default flight (its
// `options=( ... )` array), its outputs moved from out/ into `dir`.
function defaultRunArgs(dir) {
  const text = readFileSync(join(root, 'scripts', 'run'), 'utf8');
  const found = /^options=\(\n([\s\S]*?)^\)/m.exec(text);
  if (!found) throw new Error('scripts/run: no default krvsim options found');
  const words = found[1]
    .split('\n')
    .map((l) => l.replace(/#.*$/, ''))
    .join(' ')
    .trim()
    .split(/\s+/);
  return words.map((a) => (a === 'out' ? dir : a.replace(/^out\//, `${dir}/`)));
}

function runKrvsim(args) {
  const started = Date.now();
  try {
    execFileSync(krvsim, ['--no-progress', ...args], { cwd: root, stdio: ['ignore', 'ignore', 'pipe'], maxBuffer: 1 << 26 });
  } catch (err) {
    console.error(`browser_test: krvsim ${args.join(' ')} failed:\n${err.stderr ?? err}`);
    process.exit(1);
  }
  return Date.now() - started;
}

const readTrace = (file) => readFileSync(file, 'utf8').split('\n').filter((l) => l).map((l) => JSON.parse(l));

const angleDeg = (a, b) => {
  const c = [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
  return (Math.atan2(Math.hypot(...c), a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) * 180) / Math.PI;
};

const runArgs = defaultRunArgs(out);
const traceArg = runArgs[runArgs.indexOf('--trace') + 1];
const defaultHtml = runArgs[runArgs.indexOf('--replay') + 1];
if (!runArgs.includes('--trace') || !runArgs.includes('--replay')) {
  console.error('browser_test: scripts/run\'s default flight writes no trace or no replay');
  process.exit(2);
}
console.log(`default run: krvsim ${runArgs.join(' ')}`);
runKrvsim(runArgs);
const defaultTrace = readTrace(traceArg);
// 30 days at 60 s steps, the page from krvsim's own thinned trace.
const largeHtml = join(out, 'replay_30d.html');
const tracking = readFileSync(join(root, 'data', 'Scenarios', 'krv_tracking.scn'), 'utf8');
const trackingStart = Number(/^TIME\s+(\S+)/m.exec(tracking)[1]);
const largeRunMs = runKrvsim([join(root, 'data', 'Scenarios', 'krv_tracking.scn'), '--until', String(trackingStart + 30 * 86400),
  '--dt', '60', '--hud-every', '3600', '--replay', largeHtml]);

const profile = mkdtempSync(join(tmpdir(), 'krv-chromium-'));
const browser = await puppeteer.launch({
  executablePath: browserPath,
  headless: 'shell',
  userDataDir: profile,
  args: [
    '--enable-unsafe-swiftshader', '--use-angle=swiftshader', '--no-sandbox',
    '--disable-background-networking', '--disable-component-update', '--no-first-run',
    '--disable-extensions', '--disable-sync', '--mute-audio',
  ],
  defaultViewport: { width: 1366, height: 768 },
});

async function open(html) {
  const page = await browser.newPage();
  const problems = [];
  const url = pathToFileURL(html).href;
  page.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') problems.push(`console ${m.type()}: ${m.text()}`); });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('request', (r) => {
    const u = r.url();
    if (u !== url && !u.startsWith('data:') && !u.startsWith('blob:')) problems.push(`request: ${u}`);
  });
  const started = Date.now();
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => window.krvReplay && (window.krvReplay.ready || window.krvReplay.error), { timeout: 60000 });
  const wallMs = Date.now() - started;
  const error = await page.evaluate(() => window.krvReplay.error);
  if (error) throw new Error(`${html}: ${error}`);
  return { page, problems, wallMs };
}

const measurements = {};
try {
  // --- the default run ---
  const { page, problems } = await open(defaultHtml);
  measurements.replay_html_bytes = statSync(defaultHtml).size;
  check(measurements.replay_html_bytes <= 5 * 1024 * 1024, `replay.html is ${measurements.replay_html_bytes} bytes (at most 5 MB)`);
  const coverage = await page.evaluate(() => window.krvReplay.coverage());
  check(coverage > 0.03, `a WebGL frame shows the vessel (${(coverage * 100).toFixed(1)} % of the view's middle is not background)`);

  // Poses against the stand-in's own engine.
  const header = defaultTrace[0].vessels[0];
  const ids = [...header.animations].sort((a, b) => a.id - b.id).map((a) => a.name);
  const steps = defaultTrace.filter((r) => r.type === 'step');
  const start = steps[0].t, end = steps[steps.length - 1].t;
  // Stowed, each mechanism on its way (a few seconds after each key), out, and across the run.
  const keyTimes = defaultTrace.filter((r) => r.type === 'key').map((r) => r.t);
  // The page holds the steps it plays: pose at those exact times, each the
  // page's step nearest the wanted time, its states the trace's.
  const pageTimes = await page.evaluate(() => window.krvReplay.stepTimes());
  const nearestPageTime = (t) => pageTimes.reduce((best, x) => (Math.abs(x - t) < Math.abs(best - t) ? x : best), pageTimes[0]);
  const times = [...new Set([start, ...keyTimes.flatMap((k) => [k + 3, k + 6, k + 11]),
    ...[0.1, 0.25, 0.5, 0.75].map((f) => start + f * (end - start)), end]
    .filter((t) => t >= start && t <= end).map(nearestPageTime))].sort((a, b) => a - b);
  const traceAt = new Map(steps.map((s) => [s.t, s]));
  const viewer = [];
  for (const t of times) {
    viewer.push(await page.evaluate((t) => {
      const r = window.krvReplay;
      r.seek(t);
      const groups = {};
      for (const g of r.groupNumbers()) groups[g] = r.groupWorldVertices(g);
      return { states: r.states(), groups };
    }, t));
  }
  const statesDiffer = times.filter((t, k) => !traceAt.has(t) || ids.some((n) => viewer[k].states[n] !== traceAt.get(t).vessels[0].anim[n]));
  check(statesDiffer.length === 0, `the page's states at its steps are the trace's (${statesDiffer.length ? `differ at ${statesDiffer.join(', ')} s` : 'all equal'})`);
  const deploying = pageTimes.filter((t) => t >= keyTimes[0] && t <= (keyTimes[keyTimes.length - 1] ?? start) + 1).length;
  const deploySteps = steps.filter((s) => s.t >= keyTimes[0] && s.t <= (keyTimes[keyTimes.length - 1] ?? start) + 1).length;
  check(deploying === deploySteps, `the page keeps every deployment step from the first key to a second after the last (${deploying} of ${deploySteps})`);
  const statesText = viewer.map((v) => ids.map((n) => v.states[n]).join(' ')).join('\n') + '\n';
  const host = JSON.parse(execFileSync(krvsim, ['--no-progress', '--poses', '-'], { input: statesText, maxBuffer: 1 << 28 }).toString());
  let worst = 0, groupsChecked = 0, hostGroups = 0, countsDiffer = [];
  host.sets.forEach((set, k) => {
    for (const [g, verts] of Object.entries(set.groups)) {
      ++hostGroups;
      const mine = viewer[k].groups[g];
      if (!mine || mine.length !== verts.length) { countsDiffer.push(`t=${times[k]} group ${g}`); continue; }
      ++groupsChecked;
      verts.forEach((v, i) => { for (let a = 0; a < 3; ++a) worst = Math.max(worst, Math.abs(v[a] - mine[i][a])); });
    }
  });
  check(host.sets.length === times.length && hostGroups >= times.length * 20 && countsDiffer.length === 0 && groupsChecked === hostGroups,
    `every group of the mesh posed at ${times.length} times, ${times.join(', ')} s (${groupsChecked} group poses; ${countsDiffer.join(', ') || 'no vertex count differs'})`);
  check(worst <= 1e-6, `the viewer's poses equal the stand-in's within 1e-6 m (worst ${worst.toExponential(2)} m)`);

  // The Earth-side dish on the Earth, once booms are open and dishes settled.
  const inPage = new Set(pageTimes);
  const settled = defaultTrace.filter((r) => r.type === 'step' && inPage.has(r.t) && r.vessels[0].anim.ant === 1 && r.vessels[0].earth_dish &&
    r.vessels[0].pointing_error_deg[r.vessels[0].earth_dish - 1] < 0.05);
  check(settled.length > 10, `the page has settled tracking steps (${settled.length})`);
  let worstAim = 0;
  for (const s of settled.filter((_, i) => i % Math.max(1, Math.floor(settled.length / 12)) === 0)) {
    const { bore, earth } = await page.evaluate((t, dish) => {
      window.krvReplay.seek(t);
      return { bore: window.krvReplay.boresight(dish), earth: window.krvReplay.earthDir() };
    }, s.t, s.vessels[0].earth_dish);
    worstAim = Math.max(worstAim, angleDeg(bore, earth));
  }
  check(worstAim <= 0.5, `the Earth-side dish's boresight in the scene is within 0.5° of the Earth (worst ${worstAim.toFixed(4)}°)`);

  // HUD texts at a HUD frame.
  const huds = defaultTrace.filter((r) => r.type === 'hud');
  const hud = huds[Math.min(4, huds.length - 1)];
  const shown = await page.evaluate((t) => {
    window.krvReplay.seek(t);
    return { api: window.krvReplay.hudTexts(), dom: [...document.querySelectorAll('#hud g text')].map((e) => ({ x: Number(e.getAttribute('x')), y: Number(e.getAttribute('y')), color: e.getAttribute('fill'), text: e.textContent })) };
  }, hud.t);
  check(JSON.stringify(shown.api.texts) === JSON.stringify(hud.texts) && JSON.stringify(shown.dom) === JSON.stringify(hud.texts),
    `the HUD overlay at t=${hud.t} s shows the trace's ${hud.texts.length} texts at their places and colours`);

  // Screenshots, once the Earth's map is drawn.
  await page.waitForFunction(() => window.krvReplay.earthDrawn, { timeout: 30000 });
  const out1 = (s) => ['ant', 'solp', 'lid'].every((n) => s.vessels[0].anim[n] === 1);
  const deployedAt = (steps.find(out1) ?? steps[steps.length - 1]).t;
  // Mid-relocation: between the trace's burn edges; a run without burns has none, so late in it.
  const burns = defaultTrace.filter((r) => r.type === 'burn');
  const midAt = burns.length ? (burns[0].t + burns[burns.length - 1].t) / 2 : start + 0.9 * (end - start);
  console.log(burns.length ? `mid-relocation screenshot at t=${midAt} s, between the run's burns`
    : `the default run has no burns: the "mid_relocation" screenshot is taken late in the run, t=${midAt} s`);
  const shots = [['stowed', start], ['deploying', (keyTimes[0] ?? start) + 7], ['deployed', Math.min(end, deployedAt + 60)], ['mid_relocation', midAt]];
  for (const [name, t] of shots) {
    await page.evaluate((t) => window.krvReplay.seek(t), t);
    await page.screenshot({ path: join(out, `${name}.png`) });
  }
  check(problems.length === 0, `no console error and no network request (${problems.join('; ') || 'none'})`);
  await page.close();

  // --- 30 days at 60 s steps: load, first frame, playback ---
  const large = await open(largeHtml);
  const stats = await large.page.evaluate(() => window.krvReplay.stats);
  measurements.large_html_bytes = statSync(largeHtml).size;
  measurements.large_krvsim_run_ms = largeRunMs;
  measurements.large_steps = stats.steps;
  measurements.large_load_to_first_frame_ms = Math.round(stats.firstFrameMs);
  measurements.large_wall_open_to_ready_ms = large.wallMs;
  check(stats.firstFrameMs <= 2000, `30 days at 60 s steps (${stats.steps} steps): first frame ${Math.round(stats.firstFrameMs)} ms after navigation (at most 2 s)`);
  await large.page.waitForFunction(() => window.krvReplay.earthDrawn, { timeout: 30000 });
  await large.page.evaluate(() => window.krvReplay.seek(window.krvReplay.start + 15 * 86400));
  await large.page.screenshot({ path: join(out, 'day15_30d.png') });
  const frames = await large.page.evaluate(async () => {
    const r = window.krvReplay;
    r.seek(r.start + 86400);
    r.setSpeed(21600);
    r.play();
    const stamps = [];
    await new Promise((done) => {
      const tick = (ts) => { stamps.push(ts); if (stamps.length < 121) requestAnimationFrame(tick); else done(); };
      requestAnimationFrame(tick);
    });
    r.pause();
    const work = r.frameTimes();
    const gaps = stamps.slice(1).map((s, i) => s - stamps[i]);
    const mean = (a) => a.reduce((x, y) => x + y, 0) / Math.max(1, a.length);
    const sorted = [...work].sort((a, b) => a - b);
    return { frames: gaps.length, mean_interval_ms: mean(gaps), mean_work_ms: mean(work), p95_work_ms: sorted[Math.floor(sorted.length * 0.95)] ?? 0 };
  });
  measurements.playback = frames;
  console.log(`playback: ${frames.frames} frames, mean rAF interval ${frames.mean_interval_ms.toFixed(1)} ms, update+render ${frames.mean_work_ms.toFixed(2)} ms mean, ${frames.p95_work_ms.toFixed(2)} ms p95`);
  check(large.problems.length === 0, `30-day replay: no console error and no network request (${large.problems.join('; ') || 'none'})`);
  await large.page.close();
} catch (err) {
  failures.push(String(err.stack ?? err));
  console.error(err);
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}

writeFileSync(join(out, 'measurements.json'), JSON.stringify(measurements, null, 2) + '\n');
console.log(`measurements: ${JSON.stringify(measurements)}`);
console.log(`screenshots: ${['stowed', 'deploying', 'deployed', 'mid_relocation', 'day15_30d'].map((n) => join(out, `${n}.png`)).join(' ')}`);
if (failures.length) {
  console.error(`browser_test: ${failures.length} check(s) failed`);
  process.exit(1);
}
console.log('browser_test: all checks passed');
