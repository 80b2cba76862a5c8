// The KRV replay page: reads the data block the runner filled in, builds the
// scene, the panel, the plots and the controls, and plays the trace; or,
// when the block says the run is live, flies it over krvsim's socket.
import { Replay } from './replay_data.js';
import { Scene } from './scene.js';
import { Panel } from './panel.js';
import { HudOverlay } from './hud.js';
import { Plots } from './plots.js';
import { Timeline } from './timeline.js';
import { Playback } from './playback.js';
import { Controls } from './controls.js';
import { num } from './rig.js';
import { LiveControls, LiveLink } from './live.js';

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

// Steps and events of a live run are redrawn in the plots and the timeline
// at most this often [ms].
const LIVE_REDRAW_MS = 1000;

function main() {
  const data = readData();
  if (data.live === true) live(data);
  else show(data, new Replay(data), null);
}

// The page is built on the first snapshot: the run's state comes only from
// the socket. Until then, and after the socket closes, the bar says so.
function live(data) {
  const status = document.createElement('span');
  status.id = 'live-status';
  status.textContent = 'connecting';
  document.getElementById('bar').append(status);
  document.getElementById('play').textContent = '❚❚ Pause';
  document.getElementById('help').textContent = 'Drag to orbit, wheel to zoom, right-drag to pan. Letters, digits and Return go to the '
    + 'vessel (G deploys, K opens the covers), with Shift, Ctrl and Alt. Space pauses and resumes; "," and "." warp slower and faster.';
  api.live = true;
  let page = null;
  const early = [];
  const link = new LiveLink({
    snapshot: (msg) => {
      if (!page) {
        page = show({ ...data, records: [...data.records, ...(msg.records ?? [])] }, null, link);
        page.snapshot(msg, false);
      } else page.snapshot(msg, true);
      for (const [m, o] of early.splice(0)) page.controls.reply(m, o);
    },
    reply: (msg, order) => {
      api.replies.push({ ...msg, order });
      if (page) page.controls.reply(msg, order);
      else early.push([msg, order]);
    },
    state: (s) => {
      api.connection = s;
      if (page) page.controls.show();
      else if (s === 'disconnected') fail(new Error(`the live run's connection closed (${link.closeCode}) before its first snapshot`));
      else status.textContent = s;
    },
  });
  Object.assign(api, { connection: 'connecting', replies: [], snapshots: 0, send: (order) => link.send(order) });
}

function show(data, given, link) {
  const t0 = performance.now();
  const replay = given ?? new Replay(data);
  const scene = new Scene(document.getElementById('view'), data, replay);
  scene.legend(document.getElementById('legend'));
  const panel = new Panel(document.getElementById('readout'), replay);
  const hud = new HudOverlay(document.getElementById('hud'), document.getElementById('hud-show'));
  // A live page shows the run now: nothing to seek.
  const seek = (t) => (link ? replay.stop : playback.seek(t));
  const plots = new Plots(document.getElementById('plots'), replay, seek);
  const timeline = new Timeline(document.getElementById('timeline'), replay, seek);
  let snap = null;

  // What is shown at the displayed time, then drawn.
  function frame() {
    snap = replay.at(link ? replay.stop : playback.now);
    scene.update(snap);
    hud.show(snap.hud);
    panel.update(snap);
    plots.setTime(snap.t);
    timeline.setTime(snap.t);
    controls.show();
    scene.render();
  }
  const playback = link ? null : new Playback(replay, frame);
  const controls = link ? new LiveControls(link, document.getElementById('side'))
    : new Controls(playback, () => { playback.setPlaying(!playback.playing); controls.show(); });

  function resize() {
    scene.resize();
    plots.draw();
    timeline.draw();
    frame();
  }
  scene.controls.addEventListener('change', () => scene.render());
  window.addEventListener('resize', resize);
  let dirty = false, redrawn = 0;
  const liveWork = [];
  // Orders seen back in a snapshot, waiting for the frame that shows it.
  const seen = [];
  function tick(ts) {
    if (playback) playback.tick(ts);
    else if (dirty) {
      const started = performance.now();
      dirty = false;
      if (ts - redrawn >= LIVE_REDRAW_MS) {
        redrawn = ts;
        plots.rebuild();
        timeline.rebuild();
      }
      frame();
      const shown = performance.now();
      for (const o of seen.splice(0)) api.latencies.push({ type: o.type, key: o.key, ms: shown - o.at, receivedMs: o.received - o.at });
      liveWork.push(shown - started);
      if (liveWork.length > 600) liveWork.shift();
    }
    requestAnimationFrame(tick);
  }

  scene.resize();
  scene.frameVessel(replay.at(replay.start));
  resize();
  api.stats = { loadMs: performance.now() - t0, firstFrameMs: performance.now(), steps: replay.steps.length, records: data.records.length };
  const title = [replay.vessel.name, fileName(replay.header.scenario)].filter((x) => x).join(' · ');
  document.getElementById('title').textContent = title;
  document.title = `${title} · KRV ${link ? 'live' : 'replay'}`;
  requestAnimationFrame(tick);
  scene.drawEarthMap(() => {
    scene.render();
    api.earthDrawn = true;
  });

  if (link) {
    timeline.slider.disabled = true;
    Object.assign(api, {
      simTime: () => replay.stop,
      warp: () => controls.warp,
      paused: () => controls.paused,
      latencies: [],
    });
  }

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
    frameTimes: () => (playback ? playback.workMs : liveWork).slice(),
    view: (position, target) => {
      scene.view3(position, target);
      scene.render();
    },
  });
  api.ready = true;
  if (!link) return null;
  return {
    controls,
    snapshot(msg, add) {
      if (add) replay.append(msg.records ?? []);
      api.snapshots += 1;
      api.stop = replay.stop;
      for (const r of msg.records ?? []) {
        if (r.type !== 'command') continue;
        controls.command(r);
        const mine = link.sent.get(r.order?.id);
        if (mine && r.order.type === mine.type) {
          mine.received = performance.now();
          seen.push(mine);
          link.sent.delete(mine.id);
        }
      }
      controls.snapshot(msg);
      dirty = true;
    },
  };
}

try {
  main();
} catch (err) {
  fail(err);
}
