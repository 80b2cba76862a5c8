// The side panel's figures at the displayed time. Its rows are made once;
// a row's text is written only when it changes.
import { num } from './rig.js';

export function formatTime(s) {
  const d = Math.floor(s / 86400);
  const rest = s - d * 86400;
  const h = Math.floor(rest / 3600), m = Math.floor((rest % 3600) / 60), sec = rest % 60;
  const hms = `${String(h).padStart(2, '0')}:${String(m).padStart(2, '0')}:${sec.toFixed(1).padStart(4, '0')}`;
  return d > 0 ? `${d} d ${hms}` : hms;
}

export function formatDate(mjd) {
  if (!Number.isFinite(mjd)) return '—';
  // To the nearest second: a date a hair under a whole second reads as it.
  const ms = Math.round((mjd - 40587) * 86400) * 1000;
  return new Date(ms).toISOString().replace('T', ' ').slice(0, 19) + ' UTC';
}

// East longitude [0, 360) as the module shows one: degrees west past 180.
export function formatLon(lon) {
  if (!Number.isFinite(lon)) return '—';
  return lon > 180 ? `${(360 - lon).toFixed(3)}° W` : `${lon.toFixed(3)}° E`;
}

export class Panel {
  constructor(dl, replay) {
    this.start = replay.start;
    const hasDishes = (replay.profile?.dishes ?? []).length > 0;
    this.rows = [
      ['time', (s) => formatTime(s.t - this.start)],
      ['date', (s) => formatDate(s.mjd)],
      ['longitude', (s) => formatLon(s.lonDeg)],
      ['propellant', (s) => (Number.isFinite(s.propellantKg) ? `${s.propellantKg.toFixed(2)} kg` : '—')],
      ...(hasDishes ? [
        ['Earth dish', (s) => (s.earthDish ? `dish ${s.earthDish}` : '—')],
        ['pointing error', (s) => {
          const e = s.pointingErrorDeg.map(num);
          return e.length ? e.map((x, i) => `${i + 1}: ${Number.isFinite(x) ? x.toFixed(2) : '—'}°`).join('  ') : '—';
        }],
      ] : []),
      ...replay.animNames.map((name, i) => [name, (s) => (s.states[i] ?? 0).toFixed(3)]),
    ].map(([label, text]) => {
      const dt = document.createElement('dt');
      dt.textContent = label;
      const dd = document.createElement('dd');
      dl.append(dt, dd);
      return { label, text, dd, shown: null };
    });
  }

  update(snap) {
    for (const row of this.rows) {
      const text = row.text(snap);
      if (text === row.shown) continue;
      row.dd.textContent = text;
      row.shown = text;
    }
  }

  values() {
    return Object.fromEntries(this.rows.map((r) => [r.label, r.shown]));
  }
}
