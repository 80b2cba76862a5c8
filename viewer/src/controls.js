// The bar's controls: play/pause, the speed, and Space anywhere on the page
// but in a text field.
import { SPEEDS } from './playback.js';

export class Controls {
  constructor(playback, onToggle) {
    this.playback = playback;
    this.button = document.getElementById('play');
    this.select = document.getElementById('speed');
    const auto = document.createElement('option');
    auto.value = 'auto';
    auto.textContent = playback.deployedAt > playback.replay.start ? `1× deploying, then ${playback.fast}×` : `${playback.fast}×`;
    this.select.appendChild(auto);
    for (const s of SPEEDS) {
      const o = document.createElement('option');
      o.value = String(s);
      o.textContent = `${s}×`;
      this.select.appendChild(o);
    }
    this.select.value = 'auto';
    this.select.addEventListener('change', () => {
      playback.setSpeed(this.select.value);
      this.select.blur();
    });
    this.button.addEventListener('click', () => {
      onToggle();
      this.button.blur();
    });
    document.addEventListener('keydown', (ev) => {
      if (ev.code !== 'Space' || ev.repeat) return;
      const el = ev.target;
      if (el instanceof HTMLTextAreaElement || (el instanceof HTMLInputElement && el.type !== 'range' && el.type !== 'checkbox')) return;
      ev.preventDefault();
      onToggle();
    });
    // A focused button would click on Space's release as well.
    document.addEventListener('keyup', (ev) => {
      if (ev.code === 'Space' && ev.target instanceof HTMLButtonElement) ev.preventDefault();
    });
    this.show();
  }

  show() {
    const text = this.playback.playing ? '❚❚ Pause' : '▶ Play';
    if (this.button.textContent !== text) this.button.textContent = text;
  }
}
