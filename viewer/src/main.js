// The KRV replay page: reads the data block the runner filled in, builds the
// scene, the panel, the plots and the controls, and plays the trace.
import { Replay } from './replay_data.js';
import { Scene } from './scene.js';
import { Panel } from './panel.js';
import { HudOverlay } from './hud.js';
import { Plots } from './plots.js';
import { Timeline } from './timeline.js';
import { Playback } from './playback.js';
import { Controls } from './controls.js';
import { num } from './rig.js';

const api = { ready: false, error: null, stats: {} };
window.krvReplay = api;

function fail(err) {
  api.error = String(err && err.message ? err.message : err);
  const box = document.getElementById('error');
  box.textContent = `This replay cannot be shown: ${api.error}`;
  box.style.display = 'block';
  console.error(err);
}

function readData() {
  const node = document.getElementById('krv-replay-data');
  if (!node) throw new Error('the page holds no replay data');
  const text = node.textContent;
  if (text.trim().startsWith('__')) throw new Error('the page is the bare template: its data was never filled in');
  return JSON.parse(text);
}

// The scenario's file name, without the folders it was named with.
const fileName = (path) => String(path ?? '').split(/[\\/]/).pop();

function main() {
  const t0 = performance.now();
  const data = readData();
  const replay = new Replay(data);
  const scene = new Scene(document.getElementById('view'), data, replay);
  scene.legend(document.getElementById('legend'));
  const panel = new Panel(document.getElementById('readout'), replay);
  const hud = new HudOverlay(document.getElementById('hud'), document.getElementById('hud-show'));
  const seek = (t) => playback.seek(t);
  const plots = new Plots(document.getElementById('plots'), replay, seek);
  const timeline = new Timeline(document.getElementById('timeline'), replay, seek);
  let snap = null;

  // What is shown at the displayed time, then drawn.
  function frame() {
    snap = replay.at(playback.now);
    scene.update(snap);
    hud.show(snap.hud);
    panel.update(snap);
    plots.setTime(snap.t);
    timeline.setTime(snap.t);
    controls.show();
    scene.render();
  }
  const playback = new Playback(replay, frame);
  const controls = new Controls(playback, () => { playback.setPlaying(!playback.playing); controls.show(); });

  function resize() {
    scene.resize();
    plots.draw();
    timeline.draw();
    frame();
  }
  scene.controls.addEventListener('change', () => scene.render());
  window.addEventListener('resize', resize);
  function tick(ts) {
    playback.tick(ts);
    requestAnimationFrame(tick);
  }

  scene.resize();
  scene.frameVessel(replay.at(replay.start));
  resize();
  api.stats = { loadMs: performance.now() - t0, firstFrameMs: performance.now(), steps: replay.steps.length, records: data.records.length };
  const title = [replay.vessel.name, fileName(replay.header.scenario)].filter((x) => x).join(' · ');
  document.getElementById('title').textContent = title;
  document.title = `${title} · KRV replay`;
  requestAnimationFrame(tick);
  scene.drawEarthMap(() => {
    scene.render();
    api.earthDrawn = true;
  });

  Object.assign(api, {
    start: replay.start,
    stop: replay.stop,
    seek,
    time: () => playback.now,
    play: () => { playback.setPlaying(true); controls.show(); },
    pause: () => { playback.setPlaying(false); controls.show(); },
    playing: () => playback.playing,
    setSpeed: (s) => playback.setSpeed(s),
    speed: () => playback.speed(),
    deploymentEnd: () => playback.deployedAt,
    stepTimes: () => Array.from(replay.times),
    states: () => Object.fromEntries(replay.animNames.map((n, i) => [n, snap.states[i]])),
    groupNumbers: () => [...scene.meshes.keys()].sort((a, b) => a - b),
    groupWorldVertices: (n) => scene.posedVertices(n),
    boresight: (dish) => scene.boresight(dish),
    earthDir: () => snap.earthDir.slice(),
    sunDir: () => snap.sunDir.slice(),
    plumes: () => scene.plumesShown(),
    panel: () => panel.values(),
    markers: () => timeline.labels(),
    targets: () => replay.targets(),
    plotGuides: () => plots.guides.map((g) => ({ lonDeg: g.value, label: g.label })),
    plotTitles: () => plots.titles(),
    // The view: the camera's place and look, and points [vessel frame] in
    // normalized device coordinates.
    camera: () => scene.cameraLook(),
    project: (points) => scene.project(points),
    hudTexts: () => (snap.hud ? { t: num(snap.hud.t), texts: snap.hud.texts } : null),
    coverage: () => scene.coverage(),
    earthOnScreen: () => scene.earthOnScreen(),
    frameTimes: () => playback.workMs.slice(),
    view: (position, target) => {
      scene.view3(position, target);
      scene.render();
    },
  });
  api.ready = true;
}

try {
  main();
} catch (err) {
  fail(err);
}
