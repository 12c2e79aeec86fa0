// The package's entry: follows api.js in index.js, as the build puts them together.
import createCoord2segModule from './coord2seg-module.mjs';

const inNode = typeof process === 'object' && typeof process.versions?.node === 'string';

// Node is handed the .wasm's bytes: the module's loader would fetch it, which Node cannot do for
// a file.
async function moduleOptions() {
  if (!inNode) return {};
  const { readFile } = await import('node:fs/promises');
  return { wasmBinary: await readFile(new URL('./coord2seg-module.wasm', import.meta.url)) };
}

export default async function createConverter() {
  const converter = bindConverter(await createCoord2segModule(await moduleOptions()));
  return {
    convert: converter.convert,
    lint: converter.lint,
    dump: converter.dump,
    fromGeoJson: converter.fromGeoJson,
    outputName: converter.outputName,
  };
}
