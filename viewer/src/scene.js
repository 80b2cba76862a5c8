// The 3-D scene in the vessel's frame: the mesh posed through its rig, the
// Earth and the Sun at their true directions and apparent sizes, each dish's
// boresight and the thrusters' plumes.
import * as THREE from 'three';
import { OBJLoader } from 'three/examples/jsm/loaders/OBJLoader.js';
import { MTLLoader } from 'three/examples/jsm/loaders/MTLLoader.js';
import { OrbitControls } from 'three/examples/jsm/controls/OrbitControls.js';
import * as rig from './rig.js';
import { parseObjGroups, groupNumberOf } from './obj_groups.js';
import { drawEarth } from './earth_texture.js';

// Where the Earth and the Sun are drawn [scene m]; their apparent sizes are
// kept true as seen from the vessel.
const EARTH_DRAW_DIST = 120;
const SUN_DRAW_DIST = 900;
const SUN_ANGULAR_RADIUS = 0.00465; // [rad]
export const BACKGROUND = 0x04060b;
export const DISH_COLOURS = ['#4fc3f7', '#ffa060'];

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

// A flame cone with its tip at the nozzle, growing along `out`; its size
// goes with the thruster's share of the strongest one's thrust.
function plume(share) {
  const geo = new THREE.ConeGeometry(1, 1, 20, 1, true);
  geo.translate(0, -0.5, 0); // tip at the origin, base toward -y
  const colour = new THREE.Color(0xffe0b0).lerp(new THREE.Color(0x9fc4ff), share);
  const mat = new THREE.MeshBasicMaterial({ color: colour, transparent: true, opacity: 0.55, blending: THREE.AdditiveBlending, depthWrite: false, side: THREE.DoubleSide });
  return new THREE.Mesh(geo, mat);
}

const vec = (a) => new THREE.Vector3(a[0], a[1], a[2]);
const line = (material) => new THREE.Line(new THREE.BufferGeometry().setFromPoints([new THREE.Vector3(), new THREE.Vector3()]), material);

function motionMatrix(m) {
  const r = m.r;
  return new THREE.Matrix4().set(r[0][0], r[0][1], r[0][2], m.t[0], r[1][0], r[1][1], r[1][2], m.t[1], r[2][0], r[2][1], r[2][2], m.t[2], 0, 0, 0, 1);
}

export class Scene {
  constructor(view, data, replay) {
    this.replay = replay;
    this.view = view;
    this.groups = parseObjGroups(data.obj ?? '');
    this.dishes = (replay.profile?.dishes ?? []).map((d) => ({ reflector: d.reflector ?? [], feed: d.feed ?? [] }));
    this.boomsId = replay.animNames.indexOf(replay.profile?.animations?.booms);

    const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
    renderer.setPixelRatio(Math.min(window.devicePixelRatio || 1, 2));
    renderer.setClearColor(BACKGROUND);
    renderer.outputColorSpace = THREE.SRGBColorSpace;
    view.appendChild(renderer.domElement);
    this.renderer = renderer;

    const scene = new THREE.Scene();
    this.scene = scene;
    this.camera = new THREE.PerspectiveCamera(38, 1, 0.05, 5000);
    this.camera.up.set(0, 0, 1);
    this.controls = new OrbitControls(this.camera, renderer.domElement);
    this.controls.enableDamping = false;
    this.controls.minDistance = 2;
    this.controls.maxDistance = 400;

    scene.add(stars());
    scene.add(new THREE.AmbientLight(0xffffff, 0.55));
    scene.add(new THREE.HemisphereLight(0x9db8ff, 0x202028, 0.5));
    this.sunLight = new THREE.DirectionalLight(0xfff4e0, 2.6);
    scene.add(this.sunLight, this.sunLight.target);
    this.earthLight = new THREE.DirectionalLight(0x6fa0ff, 0.35);
    scene.add(this.earthLight);
    // A soft light from the viewer so that faces away from the Sun still read.
    this.camera.add(new THREE.PointLight(0xffffff, 0.9, 0, 0));
    scene.add(this.camera);

    this.vessel = loadVessel(data);
    this.meshes = new Map();
    this.vessel.traverse((o) => {
      if (!o.isMesh) return;
      const n = groupNumberOf(o.name);
      if (n === null) return;
      o.matrixAutoUpdate = false;
      this.meshes.set(n, o);
    });
    scene.add(this.vessel);

    this.earth = new THREE.Mesh(new THREE.SphereGeometry(1, 64, 32), new THREE.MeshPhongMaterial({ color: 0x2a5ea8, shininess: 8 }));
    scene.add(this.earth);
    this.sun = new THREE.Sprite(new THREE.SpriteMaterial({ map: glowTexture(), blending: THREE.AdditiveBlending, depthWrite: false }));
    scene.add(this.sun);
    this.sunRay = line(new THREE.LineDashedMaterial({ color: 0xffd54f, dashSize: 0.3, gapSize: 0.2 }));
    scene.add(this.sunRay);
    this.rays = this.dishes.map((_, i) => line(new THREE.LineBasicMaterial({ color: DISH_COLOURS[i % DISH_COLOURS.length] })));
    for (const ray of this.rays) scene.add(ray);

    this.plumes = [];
    const groups = replay.vessel.thruster_groups ?? [];
    const strongest = Math.max(1e-9, ...groups.flatMap((g) => (g.thrusters ?? []).map((th) => rig.num(th.max_thrust_n))).filter(Number.isFinite));
    for (const g of groups) {
      for (const th of g.thrusters ?? []) {
        const share = Math.min(1, Math.max(0, rig.num(th.max_thrust_n) / strongest)) || 0;
        const p = plume(share);
        p.position.copy(vec(th.pos.map(rig.num)));
        p.quaternion.setFromUnitVectors(new THREE.Vector3(0, -1, 0), vec(th.dir.map(rig.num)).normalize().negate());
        p.userData = { group: g.name, length: 0.7 + 2.5 * share, width: 0.06 + 0.24 * share };
        p.visible = false;
        scene.add(p);
        this.plumes.push(p);
      }
    }
  }

  // Posed vertices of a group in the scene, in double precision.
  posedVertices(n) {
    const mesh = this.meshes.get(n), g = this.groups.get(n);
    if (!mesh || !g) return [];
    mesh.updateMatrixWorld(true);
    const e = mesh.matrixWorld.elements;
    return g.vertices.map(([x, y, z]) => [
      e[0] * x + e[4] * y + e[8] * z + e[12],
      e[1] * x + e[5] * y + e[9] * z + e[13],
      e[2] * x + e[6] * y + e[10] * z + e[14],
    ]);
  }

  centroid(groupNumbers) {
    const s = [0, 0, 0];
    let k = 0;
    for (const n of groupNumbers) {
      for (const p of this.posedVertices(n)) { s[0] += p[0]; s[1] += p[1]; s[2] += p[2]; ++k; }
    }
    return s.map((x) => x / (k || 1));
  }

  // Unit vector from a dish's reflector centroid to its feed's (dish from 1),
  // or null for a vessel without that dish.
  boresight(dish) {
    const d = this.dishes[dish - 1];
    if (!d) return null;
    const a = this.centroid(d.reflector), b = this.centroid(d.feed);
    const v = [b[0] - a[0], b[1] - a[1], b[2] - a[2]];
    const n = Math.hypot(...v);
    return n > 0 ? v.map((x) => x / n) : [0, 0, 0];
  }

  update(snap) {
    const motions = rig.groupMotions(this.replay.components, snap.states, 0);
    for (const [n, mesh] of this.meshes) {
      const m = motions.get(n);
      mesh.matrix.copy(m ? motionMatrix(m) : new THREE.Matrix4());
      mesh.matrixWorldNeedsUpdate = true;
    }
    this.vessel.updateMatrixWorld(true);

    const e = vec(snap.earthDir);
    const dist = snap.earthDistM, radius = this.replay.earthRadius;
    this.earth.position.copy(e.clone().multiplyScalar(EARTH_DRAW_DIST));
    this.earth.scale.setScalar(Number.isFinite(dist) && dist > radius ? (EARTH_DRAW_DIST * radius) / dist : 8);
    // The Earth's north pole (global +z) seen in the vessel frame.
    if (snap.q && snap.q.length === 4) {
      const [w, x, y, z] = snap.q;
      const north = new THREE.Vector3(0, 0, 1).applyQuaternion(new THREE.Quaternion(x, y, z, w).invert());
      this.earth.quaternion.setFromUnitVectors(new THREE.Vector3(0, 1, 0), north);
    }
    this.earthLight.position.copy(e);

    const s = vec(snap.sunDir);
    this.sunLight.position.copy(s.clone().multiplyScalar(50));
    this.sun.position.copy(s.clone().multiplyScalar(SUN_DRAW_DIST));
    this.sun.scale.setScalar(SUN_DRAW_DIST * SUN_ANGULAR_RADIUS * 14);
    this.sunRay.geometry.setFromPoints([s.clone().multiplyScalar(3.4), s.clone().multiplyScalar(9)]);
    this.sunRay.computeLineDistances();

    const out = this.boomsId < 0 || (snap.states[this.boomsId] ?? 0) > 0;
    this.rays.forEach((ray, i) => {
      ray.visible = out;
      if (!out) return;
      const from = vec(this.centroid(this.dishes[i].feed));
      ray.geometry.setFromPoints([from, from.clone().add(vec(this.boresight(i + 1)).multiplyScalar(EARTH_DRAW_DIST))]);
    });

    for (const p of this.plumes) {
      const level = snap.thrust[p.userData.group] ?? 0;
      p.visible = level > 0;
      if (p.visible) p.scale.set(p.userData.width * (0.6 + 0.4 * level), p.userData.length * level, p.userData.width * (0.6 + 0.4 * level));
    }
  }

  // The legend's entries for the dishes' boresights, before the Sun's.
  legend(box) {
    const first = box.firstChild;
    this.dishes.forEach((_, i) => {
      const sw = document.createElement('span');
      sw.className = 'sw';
      sw.style.background = DISH_COLOURS[i % DISH_COLOURS.length];
      box.insertBefore(sw, first);
      box.insertBefore(document.createTextNode(`dish ${i + 1} boresight `), first);
    });
  }

  plumesShown() {
    return [...new Set(this.plumes.filter((p) => p.visible).map((p) => p.userData.group))].sort();
  }

  // The opening view: from the Sun's side, a little off the Sun's line so
  // that the wings are seen nearly face-on and both booms across them, the
  // Earth off to the right of the view (the HUD's texts are on the left).
  frameVessel(snap) {
    const sun = vec(snap.sunDir).normalize();
    const earth = vec(snap.earthDir);
    const flat = earth.clone().sub(sun.clone().multiplyScalar(earth.dot(sun)));
    if (flat.lengthSq() < 1e-9) flat.set(1, 0, 0).sub(sun.clone().multiplyScalar(sun.x));
    // Half way between the Earth's side and across it: the bus's length
    // then hides neither a wing nor a boom.
    const across = sun.clone().cross(flat.normalize());
    const tilt = (30 * Math.PI) / 180, distance = 17;
    for (const sign of [1, -1]) {
      const way = across.clone().multiplyScalar(sign).sub(flat).normalize();
      const from = sun.clone().multiplyScalar(Math.cos(tilt)).add(way.multiplyScalar(Math.sin(tilt)));
      this.camera.position.copy(from.multiplyScalar(distance));
      this.controls.target.set(0, 0, 0);
      this.controls.update();
      this.camera.updateMatrixWorld(true);
      if (earth.clone().multiplyScalar(EARTH_DRAW_DIST).project(this.camera).x >= 0) break;
    }
    // The vessel a little right of the middle, clear of the HUD's texts.
    const left = new THREE.Vector3().setFromMatrixColumn(this.camera.matrixWorld, 0).multiplyScalar(-1.6);
    this.camera.position.add(left);
    this.controls.target.add(left);
    this.controls.update();
  }

  // Where the Earth's disc is in the view [CSS px]: {x, y, r}.
  earthOnScreen() {
    this.camera.updateMatrixWorld(true);
    const w = this.view.clientWidth, h = this.view.clientHeight;
    const toPx = (p) => { const n = p.clone().project(this.camera); return [(n.x + 1) * w / 2, (1 - n.y) * h / 2, n.z]; };
    const c = toPx(this.earth.position);
    const right = new THREE.Vector3().setFromMatrixColumn(this.camera.matrixWorld, 0);
    const edge = toPx(this.earth.position.clone().add(right.multiplyScalar(this.earth.scale.x)));
    return { x: c[0], y: c[1], r: Math.hypot(edge[0] - c[0], edge[1] - c[1]), inFront: c[2] < 1 };
  }

  cameraLook() {
    const d = new THREE.Vector3();
    this.camera.getWorldDirection(d);
    return { position: this.camera.position.toArray(), direction: d.toArray() };
  }

  project(points) {
    this.camera.updateMatrixWorld(true);
    return points.map((p) => new THREE.Vector3(...p).project(this.camera).toArray());
  }

  resize() {
    const w = this.view.clientWidth, h = this.view.clientHeight;
    this.renderer.setSize(w, h, false);
    this.renderer.domElement.style.width = `${w}px`;
    this.renderer.domElement.style.height = `${h}px`;
    this.camera.aspect = w / Math.max(1, h);
    this.camera.updateProjectionMatrix();
  }

  render() {
    this.renderer.render(this.scene, this.camera);
  }

  // Drawn once the first frame is up, so that it never delays it.
  drawEarthMap(done) {
    setTimeout(() => {
      const c = document.createElement('canvas');
      c.width = 384;
      c.height = 192;
      drawEarth(c);
      const t = new THREE.CanvasTexture(c);
      t.colorSpace = THREE.SRGBColorSpace;
      const material = this.earth.material;
      material.map = t;
      material.color.set(0xffffff);
      material.needsUpdate = true;
      done();
    }, 0);
  }

  // Share of pixels in the middle of the view that differ from the background.
  coverage() {
    this.render();
    const gl = this.renderer.getContext();
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
  }

  view3(position, target) {
    this.camera.position.set(...position);
    this.controls.target.set(...target);
    this.controls.update();
  }
}
