// A plausible Earth drawn at load time (no image files to carry): oceans,
// land and clouds from 3-D value noise sampled on the sphere, so the map
// has no seam, and ice toward the poles.
function hash(x, y, z) {
  let h = (x * 374761393 + y * 668265263 + z * 1274126177) | 0;
  h = Math.imul(h ^ (h >>> 13), 1274126177);
  return ((h ^ (h >>> 16)) >>> 0) / 4294967295;
}

function smooth(t) {
  return t * t * (3 - 2 * t);
}

function lerp(a, b, t) {
  return a + (b - a) * t;
}

function noise(x, y, z) {
  const xi = Math.floor(x), yi = Math.floor(y), zi = Math.floor(z);
  const xf = smooth(x - xi), yf = smooth(y - yi), zf = smooth(z - zi);
  return lerp(
    lerp(lerp(hash(xi, yi, zi), hash(xi + 1, yi, zi), xf), lerp(hash(xi, yi + 1, zi), hash(xi + 1, yi + 1, zi), xf), yf),
    lerp(lerp(hash(xi, yi, zi + 1), hash(xi + 1, yi, zi + 1), xf), lerp(hash(xi, yi + 1, zi + 1), hash(xi + 1, yi + 1, zi + 1), xf), yf),
    zf);
}

function fbm(x, y, z, octaves) {
  let sum = 0, amp = 0.5, f = 1;
  for (let o = 0; o < octaves; ++o) {
    sum += amp * noise(x * f, y * f, z * f);
    amp *= 0.5;
    f *= 2;
  }
  return sum;
}

export function drawEarth(canvas) {
  const w = canvas.width, h = canvas.height;
  const g = canvas.getContext('2d');
  const img = g.createImageData(w, h);
  for (let j = 0; j < h; ++j) {
    const lat = Math.PI * (0.5 - (j + 0.5) / h);
    for (let i = 0; i < w; ++i) {
      const lon = 2 * Math.PI * ((i + 0.5) / w);
      const x = Math.cos(lat) * Math.cos(lon), y = Math.cos(lat) * Math.sin(lon), z = Math.sin(lat);
      const land = fbm(2.2 * x + 5, 2.2 * y + 5, 2.2 * z + 5, 5);
      const cloud = fbm(4 * x + 17, 4 * y + 17, 9 * z + 17, 3);
      let r, gr, b;
      if (land > 0.53) {
        const dry = Math.min(1, (land - 0.53) * 6 + Math.max(0, 0.5 - Math.abs(Math.abs(lat) - 0.45)) * 0.6);
        r = 60 + 110 * dry; gr = 105 + 45 * dry; b = 50 + 30 * dry;
      } else {
        const depth = Math.min(1, (0.53 - land) * 5);
        r = 20 - 10 * depth; gr = 70 - 30 * depth; b = 140 - 20 * depth;
      }
      if (Math.abs(lat) > 1.2 + 0.15 * (land - 0.5)) { r = 235; gr = 240; b = 245; }
      const c = Math.max(0, Math.min(1, (cloud - 0.52) * 4));
      const k = 4 * (j * w + i);
      img.data[k] = r + (250 - r) * c;
      img.data[k + 1] = gr + (252 - gr) * c;
      img.data[k + 2] = b + (255 - b) * c;
      img.data[k + 3] = 255;
    }
  }
  g.putImageData(img, 0, 0);
}
