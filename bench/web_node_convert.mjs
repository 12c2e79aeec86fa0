// The package's conversion time in Node: median of RUNS conversions of FILE, the file already in
// memory, as "node_ms=... mb_per_s=...".
//   node bench/web_node_convert.mjs PACKAGE_DIR FILE [RUNS]
// SPDX-License-Identifier: MIT
import { readFileSync } from 'node:fs';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [packageDir, file, runs = '5'] = process.argv.slice(2);
const { default: createConverter } = await import(pathToFileURL(resolve(packageDir, 'node.js')));
const converter = await createConverter();
const text = readFileSync(file);
const times = [];
for (let run = 0; run < Number(runs); ++run) {
  const started = performance.now();
  converter.convert(text);
  times.push(performance.now() - started);
}
const median = times.sort((a, b) => a - b)[Math.floor(times.length / 2)];
console.log(
  `node_ms=${median.toFixed(1)} mb_per_s=${(text.length / 1e6 / (median / 1e3)).toFixed(0)}`,
);
