// The KRV replay page: reads the data block the runner filled in, builds the
// scene and the controls, and plays the trace.
import * as THREE from 'three';
import { OBJLoader } from 'three/examples/jsm/loaders/OBJLoader.js';
import { MTLLoader } from 'three/examples/jsm/loaders/MTLLoader.js';
import { OrbitControls } from 'three/examples/jsm/controls/OrbitControls.js';
import * as rig from './rig.js';
import { parseObjGroups, groupNumberOf } from './obj_groups.js';
import { Replay } from './replay_data.js';
import { Plots } from './plots.js';
import { Timeline } from './timeline.js';
import { drawEarth } from './earth_texture.js';

const EARTH_RADIUS_M = 6.371e6;
// Where the Earth and the Sun are drawn [scene m]; their apparent sizes are
// kept true as seen from the vessel.
const EARTH_DRAW_DIST = 120;
const SUN_DRAW_DIST = 900;
const SUN_ANGULAR_RADIUS = 0.00465; // [rad]
const BACKGROUND = 0x04060b;
const DISHES = { 1: { reflector: 13, feed: 15, colour: 0x4fc3f7 }, 2: { reflector: 8, feed: 9, colour: 0xffa060 } };
const SPEEDS = [1, 10, 60, 600, 3600, 21600, 86400];

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

function mimeOf(name) {
  const n = name.toLowerCase();
  if (n.endsWith('.png')) return 'image/png';
  if (n.endsWith('.jpg') || n.endsWith('.jpeg')) return 'image/jpeg';
  if (n.endsWith('.dds')) return 'image/vnd-ms.dds';
  return 'application/octet-stream';
}

function loadVessel(data) {
  const textures = data.textures ?? {};
  const manager = new THREE.LoadingManager();
  // Textures come from the data block; nothing is ever fetched.
  manager.setURLModifier((url) => {
    const name = url.split(/[\\/]/).pop();
    if (textures[name] !== undefined) return `data:${mimeOf(name)};base64,${textures[name]}`;
    return 'data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8/5+hHgAHggJ/PchI7wAAAABJRU5ErkJggg==';
  });
  const mtl = new MTLLoader(manager);
  mtl.setMaterialOptions({ side: THREE.DoubleSide });
  const materials = mtl.parse(data.mtl ?? '', '');
  materials.preload();
  for (const m of Object.values(materials.materials)) {
    m.side = THREE.DoubleSide;
    if (m.shininess !== undefined) m.shininess = Math.max(m.shininess, 5);
  }
  const loader = new OBJLoader(manager);
  loader.setMaterials(materials);
  return loader.parse(data.obj ?? '');
}

// Drawn once the first frame is up, so that it never delays it.
function earthTexture(material, done) {
  setTimeout(() => {
    const c = document.createElement('canvas');
    c.width = 384;
    c.height = 192;
    drawEarth(c);
    const t = new THREE.CanvasTexture(c);
    t.colorSpace = THREE.SRGBColorSpace;
    material.map = t;
    material.color.set(0xffffff);
    material.needsUpdate = true;
    done();
  }, 0);
}

function glowTexture() {
  const c = document.createElement('canvas');
  c.width = c.height = 128;
  const g = c.getContext('2d');
  const grad = g.createRadialGradient(64, 64, 0, 64, 64, 64);
  grad.addColorStop(0, 'rgba(255,255,240,1)');
  grad.addColorStop(0.15, 'rgba(255,240,180,0.95)');
  grad.addColorStop(0.4, 'rgba(255,200,80,0.25)');
  grad.addColorStop(1, 'rgba(255,160,40,0)');
  g.fillStyle = grad;
  g.fillRect(0, 0, 128, 128);
  return new THREE.CanvasTexture(c);
}

function stars() {
  const n = 1500;
  const pos = new Float32Array(n * 3);
  let seed = 11;
  const rnd = () => ((seed = (seed * 48271) % 2147483647) / 2147483647);
  for (let i = 0; i < n; ++i) {
    const z = 2 * rnd() - 1, a = 2 * Math.PI * rnd(), r = Math.sqrt(1 - z * z);
    pos.set([2000 * r * Math.cos(a), 2000 * r * Math.sin(a), 2000 * z], 3 * i);
  }
  const geo = new THREE.BufferGeometry();
  geo.setAttribute('position', new THREE.BufferAttribute(pos, 3));
  return new THREE.Points(geo, new THREE.PointsMaterial({ color: 0x8890a0, size: 1.5, sizeAttenuation: false }));
}

// A flame cone with its tip at the nozzle, growing along `out`.
function plume(colour) {
  const geo = new THREE.ConeGeometry(1, 1, 20, 1, true);
  geo.translate(0, -0.5, 0); // tip at the origin, base toward -y
  const mat = new THREE.MeshBasicMaterial({ color: colour, transparent: true, opacity: 0.55, blending: THREE.AdditiveBlending, depthWrite: false, side: THREE.DoubleSide });
  return new THREE.Mesh(geo, mat);
}

function vec(a) {
  return new THREE.Vector3(a[0], a[1], a[2]);
}

function formatTime(s) {
  const d = Math.floor(s / 86400);
  const rest = s - d * 86400;
  const h = Math.floor(rest / 3600), m = Math.floor((rest % 3600) / 60), sec = rest % 60;
  const hms = `${String(h).padStart(2, '0')}:${String(m).padStart(2, '0')}:${sec.toFixed(1).padStart(4, '0')}`;
  return d > 0 ? `${d} d ${hms}` : hms;
}

function formatDate(mjd) {
  if (!Number.isFinite(mjd)) return '';
  return new Date((mjd - 40587) * 86400000).toISOString().replace('T', ' ').slice(0, 19) + ' UTC';
}

function main() {
  const t0 = performance.now();
  const data = readData();
  const replay = new Replay(data);
  const groups = parseObjGroups(data.obj ?? '');

  const view = document.getElementById('view');
  const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
  renderer.setPixelRatio(Math.min(window.devicePixelRatio || 1, 2));
  renderer.setClearColor(BACKGROUND);
  renderer.outputColorSpace = THREE.SRGBColorSpace;
  view.appendChild(renderer.domElement);

  const scene = new THREE.Scene();
  const camera = new THREE.PerspectiveCamera(38, 1, 0.05, 5000);
  camera.up.set(0, 0, 1);
  camera.position.set(10.5, -8.5, 5.5);
  const controls = new OrbitControls(camera, renderer.domElement);
  controls.target.set(0, 0, 0.2);
  controls.enableDamping = false;
  controls.minDistance = 2;
  controls.maxDistance = 400;
  controls.update();

  scene.add(stars());
  scene.add(new THREE.AmbientLight(0xffffff, 0.55));
  scene.add(new THREE.HemisphereLight(0x9db8ff, 0x202028, 0.5));
  const sunLight = new THREE.DirectionalLight(0xfff4e0, 2.6);
  scene.add(sunLight);
  scene.add(sunLight.target);
  const earthLight = new THREE.DirectionalLight(0x6fa0ff, 0.35);
  scene.add(earthLight);
  // A soft light from the viewer so that faces away from the Sun still read.
  const fill = new THREE.PointLight(0xffffff, 0.9, 0, 0);
  camera.add(fill);
  scene.add(camera);

  const vessel = loadVessel(data);
  const meshes = new Map();
  vessel.traverse((o) => {
    if (!o.isMesh) return;
    const n = groupNumberOf(o.name);
    if (n === null) return;
    o.matrixAutoUpdate = false;
    meshes.set(n, o);
  });
  scene.add(vessel);

  const earth = new THREE.Mesh(new THREE.SphereGeometry(1, 64, 32), new THREE.MeshPhongMaterial({ color: 0x2a5ea8, shininess: 8 }));
  scene.add(earth);
  const sun = new THREE.Sprite(new THREE.SpriteMaterial({ map: glowTexture(), blending: THREE.AdditiveBlending, depthWrite: false }));
  scene.add(sun);
  const sunRay = new THREE.Line(new THREE.BufferGeometry().setFromPoints([new THREE.Vector3(), new THREE.Vector3()]),
    new THREE.LineDashedMaterial({ color: 0xffd54f, dashSize: 0.3, gapSize: 0.2 }));
  scene.add(sunRay);

  const rays = {};
  for (const [dish, d] of Object.entries(DISHES)) {
    const line = new THREE.Line(new THREE.BufferGeometry().setFromPoints([new THREE.Vector3(), new THREE.Vector3()]),
      new THREE.LineBasicMaterial({ color: d.colour }));
    scene.add(line);
    rays[dish] = line;
  }

  const plumes = [];
  for (const g of replay.vessel.thruster_groups ?? []) {
    for (const th of g.thrusters ?? []) {
      const main = g.name === 'main';
      const p = plume(main ? 0x9fc4ff : 0xffe0b0);
      const out = vec(th.dir.map(rig.num)).normalize().negate();
      p.position.copy(vec(th.pos.map(rig.num)));
      p.quaternion.setFromUnitVectors(new THREE.Vector3(0, -1, 0), out);
      p.userData = { group: g.name, length: main ? 3.2 : 0.7, width: main ? 0.3 : 0.06 };
      p.visible = false;
      scene.add(p);
      plumes.push(p);
    }
  }

  // HUD overlay: the module's texts on the HUD's own pixel grid.
  const hudSvg = document.getElementById('hud');
  const hudShow = document.getElementById('hud-show');
  let hudShown = null;
  function drawHud(frame) {
    if (frame === hudShown) return;
    hudShown = frame;
    hudSvg.replaceChildren();
    if (!frame) return;
    hudSvg.setAttribute('viewBox', `0 0 ${frame.width} ${frame.height}`);
    const ns = 'http://www.w3.org/2000/svg';
    const g = document.createElementNS(ns, 'g');
    g.setAttribute('font-family', 'DejaVu Sans Mono, monospace');
    g.setAttribute('font-size', String(Math.max(8, Math.round(frame.height / 48))));
    g.setAttribute('dominant-baseline', 'hanging');
    for (const tx of frame.texts ?? []) {
      const e = document.createElementNS(ns, 'text');
      e.setAttribute('x', tx.x);
      e.setAttribute('y', tx.y);
      e.setAttribute('fill', tx.color);
      e.setAttribute('xml:space', 'preserve');
      e.textContent = tx.text;
      g.appendChild(e);
    }
    const stamp = document.createElementNS(ns, 'text');
    stamp.setAttribute('x', frame.width - 8);
    stamp.setAttribute('y', frame.height - 8);
    stamp.setAttribute('fill', '#5A6570');
    stamp.setAttribute('font-family', 'sans-serif');
    stamp.setAttribute('font-size', '12');
    stamp.setAttribute('text-anchor', 'end');
    stamp.textContent = `HUD frame t = ${rig.num(frame.t).toFixed(1)} s`;
    hudSvg.append(g, stamp);
  }
  hudShow.addEventListener('change', () => { hudSvg.style.display = hudShow.checked ? 'block' : 'none'; });

  const readout = document.getElementById('readout');
  const plots = new Plots(document.getElementById('plots'), replay, (t) => seek(t));
  const timeline = new Timeline(document.getElementById('timeline'), replay, (t) => seek(t));

  let now = replay.start;
  let playing = false;
  let speed = SPEEDS.find((s) => (replay.stop - replay.start) / s <= 90) ?? SPEEDS[SPEEDS.length - 1];
  let currentStates = [];
  let currentEarth = [0, 0, -1];
  let dirty = true;

  function motionMatrix(m) {
    const r = m.r;
    return new THREE.Matrix4().set(r[0][0], r[0][1], r[0][2], m.t[0], r[1][0], r[1][1], r[1][2], m.t[1], r[2][0], r[2][1], r[2][2], m.t[2], 0, 0, 0, 1);
  }

  // Posed vertices of a group in the scene, in double precision.
  function posedVertices(n) {
    const mesh = meshes.get(n), g = groups.get(n);
    if (!mesh || !g) return [];
    mesh.updateMatrixWorld(true);
    const e = mesh.matrixWorld.elements;
    return g.vertices.map(([x, y, z]) => [
      e[0] * x + e[4] * y + e[8] * z + e[12],
      e[1] * x + e[5] * y + e[9] * z + e[13],
      e[2] * x + e[6] * y + e[10] * z + e[14],
    ]);
  }

  function centroid(n) {
    const v = posedVertices(n);
    const s = [0, 0, 0];
    for (const p of v) { s[0] += p[0]; s[1] += p[1]; s[2] += p[2]; }
    const k = v.length || 1;
    return [s[0] / k, s[1] / k, s[2] / k];
  }

  function boresight(dish) {
    const d = DISHES[dish];
    if (!d) return [0, 0, 0];
    const a = centroid(d.reflector), b = centroid(d.feed);
    const v = [b[0] - a[0], b[1] - a[1], b[2] - a[2]];
    const n = Math.hypot(...v);
    return n > 0 ? v.map((x) => x / n) : [0, 0, 0];
  }

  function update() {
    currentStates = replay.states(now);
    const motions = rig.groupMotions(replay.components, currentStates, 0);
    for (const [n, mesh] of meshes) {
      const m = motions.get(n);
      mesh.matrix.copy(m ? motionMatrix(m) : new THREE.Matrix4());
      mesh.matrixWorldNeedsUpdate = true;
    }
    vessel.updateMatrixWorld(true);

    currentEarth = replay.vector(now, 'earth_dir');
    const dist = replay.scalar(now, 'earth_dist_m');
    const e = vec(currentEarth);
    earth.position.copy(e.clone().multiplyScalar(EARTH_DRAW_DIST));
    const radius = Number.isFinite(dist) && dist > EARTH_RADIUS_M ? EARTH_DRAW_DIST * EARTH_RADIUS_M / dist : 8;
    earth.scale.setScalar(radius);
    // The Earth's north pole (global +z) seen in the vessel frame.
    const q = replay.step(now).v.q?.map(rig.num);
    if (q && q.length === 4) {
      const toGlobal = new THREE.Quaternion(q[1], q[2], q[3], q[0]);
      const north = new THREE.Vector3(0, 0, 1).applyQuaternion(toGlobal.clone().invert());
      earth.quaternion.setFromUnitVectors(new THREE.Vector3(0, 1, 0), north);
    }
    earthLight.position.copy(e);

    const s = vec(replay.vector(now, 'sun_dir'));
    sunLight.position.copy(s.clone().multiplyScalar(50));
    sun.position.copy(s.clone().multiplyScalar(SUN_DRAW_DIST));
    sun.scale.setScalar(SUN_DRAW_DIST * SUN_ANGULAR_RADIUS * 14);
    sunRay.geometry.setFromPoints([s.clone().multiplyScalar(3.4), s.clone().multiplyScalar(9)]);
    sunRay.computeLineDistances();

    const antOut = currentStates[replay.animNames.indexOf('ant')] ?? 0;
    for (const dish of Object.keys(DISHES)) {
      const from = vec(centroid(DISHES[dish].feed));
      const dir = vec(boresight(Number(dish)));
      rays[dish].geometry.setFromPoints([from, from.clone().add(dir.multiplyScalar(EARTH_DRAW_DIST))]);
      rays[dish].visible = antOut > 0;
    }

    const thrust = replay.step(now).v.thrust ?? {};
    for (const p of plumes) {
      const level = rig.num(thrust[p.userData.group] ?? 0);
      p.visible = level > 0;
      if (p.visible) p.scale.set(p.userData.width * (0.6 + 0.4 * level), p.userData.length * level, p.userData.width * (0.6 + 0.4 * level));
    }

    drawHud(replay.hud(now));
    const st = replay.step(now);
    const v = st.v;
    const err = (v.pointing_error_deg ?? []).map(rig.num);
    readout.innerHTML = '';
    const rows = [
      ['time', `${formatTime(now - replay.start)}`],
      ['date', formatDate(st.mjd)],
      ['longitude', `${rig.num(v.lon_deg).toFixed(3)}° E`],
      ['propellant', `${rig.num(v.propellant_kg).toFixed(2)} kg`],
      ['Earth dish', v.earth_dish ?? '—'],
      ['pointing error', err.length ? err.map((x, i) => `${i + 1}: ${x.toFixed(2)}°`).join('  ') : '—'],
      ...replay.animNames.map((name, i) => [name, (currentStates[i] ?? 0).toFixed(3)]),
    ];
    for (const [k, val] of rows) {
      const dt = document.createElement('dt');
      dt.textContent = k;
      const dd = document.createElement('dd');
      dd.textContent = val;
      readout.append(dt, dd);
    }
    timeline.setTime(now);
    plots.setTime(now);
    dirty = false;
  }

  function resize() {
    const w = view.clientWidth, h = view.clientHeight;
    renderer.setSize(w, h, false);
    renderer.domElement.style.width = `${w}px`;
    renderer.domElement.style.height = `${h}px`;
    camera.aspect = w / Math.max(1, h);
    camera.updateProjectionMatrix();
    plots.draw();
    timeline.draw();
    render();
  }

  function render() {
    if (dirty) update();
    renderer.render(scene, camera);
  }

  function seek(t) {
    now = Math.min(replay.stop, Math.max(replay.start, rig.num(t)));
    dirty = true;
    render();
    return now;
  }

  // Controls.
  const playBtn = document.getElementById('play');
  const speedSel = document.getElementById('speed');
  for (const s of SPEEDS) {
    const o = document.createElement('option');
    o.value = String(s);
    o.textContent = `${s}×`;
    speedSel.appendChild(o);
  }
  speedSel.value = String(speed);
  speedSel.addEventListener('change', () => { speed = Number(speedSel.value); });
  function setPlaying(p) {
    playing = p;
    playBtn.textContent = playing ? '❚❚ Pause' : '▶ Play';
    last = null;
  }
  playBtn.addEventListener('click', () => {
    if (!playing && now >= replay.stop) seek(replay.start);
    setPlaying(!playing);
  });
  window.addEventListener('keydown', (ev) => {
    if (ev.code === 'Space' && ev.target === document.body) {
      ev.preventDefault();
      playBtn.click();
    }
  });
  controls.addEventListener('change', render);
  window.addEventListener('resize', resize);

  const frameMs = [];
  let last = null;
  function tick(ts) {
    if (playing) {
      if (last !== null) {
        const started = performance.now();
        now = Math.min(replay.stop, now + ((ts - last) / 1000) * speed);
        dirty = true;
        render();
        frameMs.push(performance.now() - started);
        if (frameMs.length > 600) frameMs.shift();
        if (now >= replay.stop) setPlaying(false);
      }
      last = ts;
    }
    requestAnimationFrame(tick);
  }

  // Start behind the vessel and off to one side, the Earth beyond it.
  {
    const e = vec(replay.vector(replay.start, 'earth_dir'));
    const side = new THREE.Vector3(0, 0, 1).cross(e);
    if (side.lengthSq() < 1e-6) side.set(1, 0, 0);
    side.normalize();
    const lift = e.clone().cross(side).normalize();
    camera.position.copy(e.clone().multiplyScalar(-17).add(side.multiplyScalar(9)).add(lift.multiplyScalar(6)));
    controls.target.copy(e.clone().multiplyScalar(3));
    controls.update();
  }
  resize();
  api.stats = { loadMs: performance.now() - t0, firstFrameMs: performance.now(), steps: replay.steps.length, records: data.records.length };
  document.getElementById('title').textContent = `${replay.vessel.name} · ${replay.header.scenario ?? ''}`;
  requestAnimationFrame(tick);
  earthTexture(earth.material, () => {
    render();
    api.earthDrawn = true;
  });

  Object.assign(api, {
    start: replay.start,
    stop: replay.stop,
    seek,
    time: () => now,
    play: () => setPlaying(true),
    pause: () => setPlaying(false),
    setSpeed: (s) => { speed = s; },
    stepTimes: () => Array.from(replay.times),
    states: () => Object.fromEntries(replay.animNames.map((n, i) => [n, currentStates[i]])),
    groupNumbers: () => [...meshes.keys()].sort((a, b) => a - b),
    groupWorldVertices: posedVertices,
    boresight,
    earthDir: () => currentEarth.slice(),
    hudTexts: () => {
      const f = replay.hud(now);
      return f ? { t: rig.num(f.t), texts: f.texts } : null;
    },
    // Share of pixels in the middle of the view that differ from the background.
    coverage: () => {
      render();
      const gl = renderer.getContext();
      const w = gl.drawingBufferWidth, h = gl.drawingBufferHeight;
      const x0 = Math.floor(w * 0.3), y0 = Math.floor(h * 0.3), cw = Math.floor(w * 0.4), ch = Math.floor(h * 0.4);
      const px = new Uint8Array(cw * ch * 4);
      gl.readPixels(x0, y0, cw, ch, gl.RGBA, gl.UNSIGNED_BYTE, px);
      const bg = new THREE.Color(BACKGROUND);
      const br = Math.round(bg.r * 255), bgc = Math.round(bg.g * 255), bb = Math.round(bg.b * 255);
      let differ = 0;
      for (let i = 0; i < px.length; i += 4)
        if (Math.abs(px[i] - br) + Math.abs(px[i + 1] - bgc) + Math.abs(px[i + 2] - bb) > 30) ++differ;
      return differ / (cw * ch);
    },
    frameTimes: () => frameMs.slice(),
    view: (position, target) => {
      camera.position.set(...position);
      controls.target.set(...target);
      controls.update();
      render();
    },
  });
  api.ready = true;
}

try {
  main();
} catch (err) {
  fail(err);
}
