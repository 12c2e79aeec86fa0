// Puts build outputs together from files: `concat OUT IN...` joins the files; `page OUT HTML CSS
// PAGE_JS WORKER_PART...` writes the page as one self-contained HTML file: the styles and the
// page's script inline, and the worker's whole text (the module with its .wasm inside, api.js,
// worker.js) as a string the page starts its worker from, so that it works opened from disk.
// SPDX-License-Identifier: MIT
import { createHash } from 'node:crypto';
import { readFileSync, writeFileSync } from 'node:fs';

const [mode, output, ...inputs] = process.argv.slice(2);
const read = (path) => readFileSync(path, 'utf8');

function fail(message) {
  console.error(`assemble.mjs: ${message}`);
  process.exit(2);
}

// Replaces the one occurrence of `what` in `text`.
function replaceOnce(text, what, by) {
  const at = text.indexOf(what);
  if (at < 0 || text.indexOf(what, at + 1) >= 0) fail(`expected '${what}' once in the page`);
  return text.slice(0, at) + by + text.slice(at + what.length);
}

// A script element for `code`, and the hash the page's content security policy allows it by.
function inlineScript(code) {
  if (/<\/script|<!--/i.test(code)) fail('a script holds text that would end its element');
  const hash = createHash('sha256').update(code, 'utf8').digest('base64');
  return { element: `<script>${code}</script>`, source: `'sha256-${hash}'` };
}

if (mode === 'concat') {
  writeFileSync(output, inputs.map(read).join('\n'));
} else if (mode === 'page') {
  const [html, css, pageJs, ...workerParts] = inputs;
  // '<' written as an escape, so that nothing in the worker's text can end the script element.
  const workerText = JSON.stringify(workerParts.map(read).join('\n')).replace(/</g, '\\u003c');
  const scripts = [
    inlineScript(`var coord2segWorkerSource = ${workerText};\n`),
    inlineScript(read(pageJs)),
  ];
  let page = read(html);
  page = replaceOnce(
    page,
    '<link rel="stylesheet" href="style.css">',
    `<style>\n${read(css)}</style>`,
  );
  page = replaceOnce(
    page,
    '<script src="page.js"></script>',
    scripts.map((s) => s.element).join('\n'),
  );
  page = replaceOnce(
    page,
    "script-src 'self'",
    `script-src ${scripts.map((s) => s.source).join(' ')}`,
  );
  writeFileSync(output, page);
} else {
  fail(`unknown mode '${mode}'`);
}
