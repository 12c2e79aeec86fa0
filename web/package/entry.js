// The package's entry for browsers and bundlers: follows api.js in index.js, as the build puts them
// together. Nothing here is Node's own, so that a bundle for the browser needs no Node built-in.
// SPDX-License-Identifier: MIT
import createCoord2segModule from './coord2seg-module.mjs';

const WASM_FILE = 'coord2seg-module.wasm';
// A classic script (an IIFE bundle) knows where it came from only while it first runs.
const loadedFrom =
  typeof document === 'object' && document.currentScript ? document.currentScript.src : undefined;

// What the module's loader is told: the .wasm's bytes or where to fetch them. Without either, the
// .wasm is looked for beside the file that holds this code.
function moduleOptions({ locateFile, wasmBinary } = {}) {
  if (locateFile !== undefined && typeof locateFile !== 'function') {
    throw new TypeError('locateFile must be a function (name, folder) => URL of the file');
  }
  const options = {};
  if (wasmBinary !== undefined) options.wasmBinary = asBytes(wasmBinary);
  if (locateFile) {
    options.locateFile = (name, folder) => String(locateFile(name, folder));
  } else if (wasmBinary !== undefined) {
    options.locateFile = (name) => name; // not fetched; spares the loader its own guess
  } else if (loadedFrom) {
    options.locateFile = (name) => new URL(name, loadedFrom).href;
  }
  return options;
}

export { Coord2segError, WASM_FILE as wasmFileName };

export default async function createConverter(options) {
  const converter = bindConverter(await createCoord2segModule(moduleOptions(options)));
  return {
    convert: converter.convert,
    lint: converter.lint,
    dump: converter.dump,
    fromGeoJson: converter.fromGeoJson,
    outputName: converter.outputName,
    dispose: converter.dispose,
  };
}
