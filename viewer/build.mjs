// Bundles the viewer into one HTML template: the page, its style and its
// script inline, with the data placeholder that krvsim fills in.
//   node build.mjs [OUT]        (default dist/replay_template.html)
import { build } from 'esbuild';
import { mkdirSync, readFileSync, renameSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const out = process.argv[2] ?? join(here, 'dist', 'replay_template.html');
const PLACEHOLDER = '__KRV_REPLAY_DATA__';

const result = await build({
  entryPoints: [join(here, 'src', 'main.js')],
  bundle: true,
  minify: true,
  format: 'iife',
  target: ['es2020'],
  write: false,
  legalComments: 'none',
  logLevel: 'warning',
});
// No "</script" may end the inline script early.
const script = result.outputFiles[0].text.replace(/<\/(script)/gi, '<\\/$1');
const style = readFileSync(join(here, 'src', 'style.css'), 'utf8');
const page = readFileSync(join(here, 'src', 'index.html'), 'utf8');
const html = page.replace('/*__KRV_STYLE__*/', () => style).replace('/*__KRV_SCRIPT__*/', () => script);
const count = html.split(PLACEHOLDER).length - 1;
if (count !== 1) {
  console.error(`build.mjs: the template holds the data placeholder ${count} times, not once`);
  process.exit(1);
}
mkdirSync(dirname(out), { recursive: true });
writeFileSync(`${out}.tmp`, html);
renameSync(`${out}.tmp`, out);
console.log(`build.mjs: wrote ${out} (${html.length} bytes)`);
