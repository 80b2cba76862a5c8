// How fast a live page answers, at 1×, measured in the page itself:
//   node test/live_bench.mjs --build BUILD_DIR [--presses N]
// from a key sent by the page to the first frame drawn from the snapshot
// that carries the key back (its HUD frame drawn after the key acted), the
// median, 95th percentile and worst over N presses (G first, then digits,
// which the module ignores); and the snapshots a page receives per second.
// Figures only: nothing is checked against a bound.
import { spawn } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const args = process.argv.slice(2);
const opt = (name, fallback) => {
  const i = args.indexOf(name);
  return i >= 0 && i + 1 < args.length ? args[i + 1] : fallback;
};
const build = resolve(opt('--build', 'build/default'));
const presses = Number(opt('--presses', '50'));
const root = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');
const krvsim = join(build, 'standin', 'krvsim');
const browserPath = process.env.KRV_CHROMIUM ?? ['/usr/bin/chromium-headless-shell', '/usr/bin/chromium'].find(existsSync);
if (!existsSync(krvsim) || !browserPath) {
  console.error(`live_bench: ${existsSync(krvsim) ? 'no Chromium found' : `krvsim not found at ${krvsim}`}`);
  process.exit(2);
}

const child = spawn(krvsim, ['--no-progress', '--live', '127.0.0.1:0'], { cwd: root, stdio: ['ignore', 'pipe', 'pipe'] });
const url = await new Promise((done, failed) => {
  let text = '';
  const look = (chunk) => {
    text += chunk;
    const m = /http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+/.exec(text);
    if (m) done(m[0]);
  };
  child.stdout.on('data', look);
  child.stderr.on('data', look);
  child.on('exit', (code) => failed(new Error(`krvsim --live exited (${code}):\n${text}`)));
});

const profile = mkdtempSync(join(tmpdir(), 'krv-chromium-'));
const browser = await puppeteer.launch({
  executablePath: browserPath,
  headless: 'shell',
  userDataDir: profile,
  args: ['--enable-unsafe-swiftshader', '--use-angle=swiftshader', '--no-sandbox', '--no-first-run', '--disable-extensions', '--mute-audio'],
  defaultViewport: { width: 1366, height: 768 },
});
const quantile = (sorted, q) => sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
try {
  const page = await browser.newPage();
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => window.krvReplay?.ready || window.krvReplay?.error, { timeout: 60000 });
  await page.click('#view');
  const keys = ['KeyG', ...Array.from({ length: presses - 1 }, (_, i) => `Digit${i % 10}`)];
  let deployed = false;
  // A snapshot a slow page misses takes its records with it: a press never
  // seen back is counted as lost, not timed.
  let lost = 0;
  for (const [i, key] of keys.entries()) {
    const before = await page.evaluate(() => window.krvReplay.latencies.length);
    await page.keyboard.press(key);
    const back = await page.waitForFunction((n) => window.krvReplay.latencies.length > n, { timeout: 3000, polling: 5 }, before)
      .then(() => true, () => false);
    if (!back) ++lost;
    if (i === 0) deployed = await page.evaluate(() => (window.krvReplay.hudTexts()?.texts ?? []).some((x) => x.text === 'HGA and Solar Panels Deployed'));
    // Off the snapshots' beat, so that the presses sample all of it.
    await new Promise((done) => setTimeout(done, 80 + Math.random() * 120));
  }
  const got = await page.evaluate(() => window.krvReplay.latencies);
  const ms = got.map((l) => l.ms).sort((a, b) => a - b);
  const received = got.map((l) => l.receivedMs).sort((a, b) => a - b);
  const n0 = await page.evaluate(() => window.krvReplay.snapshots), w0 = Date.now();
  await new Promise((done) => setTimeout(done, 10000));
  const perS = ((await page.evaluate(() => window.krvReplay.snapshots)) - n0) / ((Date.now() - w0) / 1000);
  console.log(`live page at 1×, ${keys.length} key presses (G first${deployed ? ', its first frame back reads "HGA and Solar Panels Deployed"' : ''}), ${ms.length} seen back, ${lost} lost with a missed snapshot:`);
  console.log(`  key sent -> frame shown: median ${quantile(ms, 0.5).toFixed(1)} ms, p95 ${quantile(ms, 0.95).toFixed(1)} ms, worst ${ms[ms.length - 1].toFixed(1)} ms`);
  console.log(`  key sent -> its snapshot received in the page: median ${quantile(received, 0.5).toFixed(1)} ms, p95 ${quantile(received, 0.95).toFixed(1)} ms`);
  console.log(`  snapshots received: ${perS.toFixed(1)} per second`);
} finally {
  await browser.close();
  child.kill('SIGTERM');
  rmSync(profile, { recursive: true, force: true });
}
