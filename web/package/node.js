// The package's entry for Node: reads the .wasm from the disk (the module's loader can only fetch
// it) and hands its bytes to the entry every platform shares.
// SPDX-License-Identifier: MIT
import { readFile } from 'node:fs/promises';
import createSharedConverter, { Coord2segError, wasmFileName } from './index.js';

export { Coord2segError };

// `locateFile` may name the .wasm by a path or a file: URL here; `wasmBinary` is taken as it is.
export default async function createConverter(options = {}) {
  if (options.wasmBinary !== undefined) return createSharedConverter(options);
  if (options.locateFile !== undefined && typeof options.locateFile !== 'function') {
    throw new TypeError('locateFile must be a function (name, folder) => path or URL of the file');
  }
  const folder = new URL('.', import.meta.url).href;
  const where = options.locateFile ? options.locateFile(wasmFileName, folder) : wasmFileName;
  const url = new URL(String(where), folder);
  return createSharedConverter({ wasmBinary: await fetchBytes(url) });
}

async function fetchBytes(url) {
  if (url.protocol === 'file:') return readFile(url);
  const response = await fetch(url);
  if (!response.ok) throw new Error(`cannot fetch '${url}': ${response.status}`);
  return new Uint8Array(await response.arrayBuffer());
}
