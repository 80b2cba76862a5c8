// The module's HUD texts on the HUD's own pixel grid, redrawn only when the
// frame shown changes.
import { num } from './rig.js';

const NS = 'http://www.w3.org/2000/svg';

export class HudOverlay {
  constructor(svg, toggle) {
    this.svg = svg;
    this.frame = undefined;
    toggle.addEventListener('change', () => {
      svg.style.display = toggle.checked ? 'block' : 'none';
      // Measured afresh: a hidden overlay's texts have no size.
      const frame = this.frame;
      this.frame = undefined;
      this.show(frame);
    });
  }

  show(frame) {
    if (frame === this.frame) return;
    this.frame = frame;
    this.svg.replaceChildren();
    this.svg.classList.toggle('empty', !frame);
    if (!frame) return;
    this.svg.setAttribute('viewBox', `0 0 ${frame.width} ${frame.height}`);
    const g = document.createElementNS(NS, 'g');
    g.setAttribute('font-family', 'DejaVu Sans Mono, monospace');
    g.setAttribute('font-size', String(Math.max(8, Math.round(frame.height / 48))));
    g.setAttribute('dominant-baseline', 'hanging');
    for (const tx of frame.texts ?? []) {
      const e = document.createElementNS(NS, 'text');
      e.setAttribute('x', tx.x);
      e.setAttribute('y', tx.y);
      e.setAttribute('fill', tx.color);
      e.setAttribute('xml:space', 'preserve');
      e.textContent = tx.text;
      g.appendChild(e);
    }
    const stamp = document.createElementNS(NS, 'text');
    stamp.setAttribute('x', frame.width - 8);
    stamp.setAttribute('y', frame.height - 8);
    stamp.setAttribute('fill', '#5A6570');
    stamp.setAttribute('font-family', 'sans-serif');
    stamp.setAttribute('font-size', '12');
    stamp.setAttribute('text-anchor', 'end');
    stamp.textContent = `HUD frame t = ${num(frame.t).toFixed(1)} s`;
    this.svg.append(g, stamp);
    // A dark backdrop under the texts, so that they read over anything.
    const box = g.getBBox();
    if (box.width > 0) {
      const back = document.createElementNS(NS, 'rect');
      const pad = 6;
      back.setAttribute('x', box.x - pad);
      back.setAttribute('y', box.y - pad);
      back.setAttribute('width', box.width + 2 * pad);
      back.setAttribute('height', box.height + 2 * pad);
      back.setAttribute('rx', 4);
      back.setAttribute('fill', 'rgba(4,6,11,0.62)');
      this.svg.insertBefore(back, g);
    }
  }
}
