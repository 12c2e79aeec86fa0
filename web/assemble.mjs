// Puts build outputs together from files: `concat OUT IN...` joins the files; `worker OUT IN...`
// writes a script that holds their joined text as a string, from which the page starts its worker
// when opened from disk (file:// can load a script, but neither a worker file nor a .wasm).
import { readFileSync, writeFileSync } from 'node:fs';

const [mode, output, ...inputs] = process.argv.slice(2);
const joined = inputs.map((path) => readFileSync(path, 'utf8')).join('\n');
if (mode === 'concat') {
  writeFileSync(output, joined);
} else if (mode === 'worker') {
  writeFileSync(output, `var coord2segWorkerSource = ${JSON.stringify(joined)};\n`);
} else {
  console.error(`assemble.mjs: unknown mode '${mode}'`);
  process.exit(2);
}
