// The calls the page's worker and the package offer, bound to one instance of the WebAssembly
// module. A plain script (no import or export): the build puts it into the worker and the package.
// SPDX-License-Identifier: MIT

// A refusal of the module: `code` says which kind ('damaged', 'not-json', 'not-geojson',
// 'bad-geometry', 'bad-option', 'out-of-memory', 'disposed', 'failed'), and `offset` the byte it
// concerns where there is one (the damage in a segment file, the fault in a JSON text).
class Coord2segError extends Error {
  constructor(message, code, offset) {
    super(message);
    this.name = 'Coord2segError';
    this.code = code;
    if (offset !== undefined) this.offset = offset;
  }
}

// The bytes of `bytes` (a typed array, a DataView or an ArrayBuffer) as a Uint8Array over the same
// memory; a TypeError for anything else, since a string or an object has no bytes to convert.
function asBytes(bytes) {
  if (ArrayBuffer.isView(bytes))
    return new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const tag = Object.prototype.toString.call(bytes);
  if (tag === '[object ArrayBuffer]' || tag === '[object SharedArrayBuffer]') {
    return new Uint8Array(bytes);
  }
  const what =
    bytes === null ? 'null' : typeof bytes === 'object' ? tag.slice(8, -1) : typeof bytes;
  const error = new TypeError(
    `expected bytes (a Uint8Array, another typed array, a DataView or an ArrayBuffer), got ${what}`,
  );
  error.code = 'not-bytes';
  throw error;
}

// `instance` is a ready instance of the Emscripten module; dispose() lets go of it, and with it of
// all its memory, and every call after that throws.
function bindConverter(instance) {
  let module = instance;
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  const FORMATS = { text: 0, geojson: 1, svg: 2, check: 3 };
  const KINDS = ['text', 'segments', 'geojson', 'neither'];
  // The module's error codes, in its order.
  const CODES = [
    'failed',
    'damaged',
    'not-json',
    'not-geojson',
    'bad-geometry',
    'bad-option',
    'out-of-memory',
  ];

  const message = () => {
    const start = module._Message() >>> 0;
    const end = module.HEAPU8.indexOf(0, start);
    return decoder.decode(module.HEAPU8.subarray(start, end));
  };
  const resultView = () => {
    const start = module._ResultData() >>> 0;
    return module.HEAPU8.subarray(start, start + (module._ResultSize() >>> 0));
  };
  // The refusal the last call ended in, with the kind and place the module gives it.
  const refusal = () => {
    const code = module._ErrorCode();
    const offset = module._ErrorOffset();
    return new Coord2segError(message(), CODES[code] ?? 'failed', offset >= 0 ? offset : undefined);
  };
  // A call's answer as bytes or text, or the refusal.
  const answer = (status) => {
    if (status !== 0) throw refusal();
    return resultView().slice();
  };
  const answerText = (status) => {
    if (status !== 0) throw refusal();
    return decoder.decode(resultView());
  };
  const outOfMemory = () =>
    new Coord2segError(
      "out of memory: the file is too large for this browser's memory",
      'out-of-memory',
    );
  const setName = (name) => {
    const bytes = encoder.encode(name);
    const start = module._NameBuffer(bytes.length) >>> 0;
    if (start === 0) throw outOfMemory();
    module.HEAPU8.set(bytes, start);
  };

  // Room for an input of `size` bytes in the module's memory; `write(offset, bytes)` fills it, so
  // that a large file goes in piece by piece, never whole in a second copy.
  const reserveInput = (size) => {
    // The module's memory ends at 4 GB, and its sizes are 32 bits.
    const start = size < 2 ** 32 ? module._InputBuffer(size) >>> 0 : 0;
    if (start === 0) throw outOfMemory();
    return { write: (offset, bytes) => module.HEAPU8.set(bytes, start + offset) };
  };
  const setInput = (bytes) => {
    const data = asBytes(bytes);
    reserveInput(data.length).write(0, data);
  };

  // The same calls on the input already in memory.
  const loaded = {
    convert: ({ latFirst = false } = {}) => answer(module._Convert(latFirst ? 1 : 0)),
    lint: ({ name = 'input', latFirst = false } = {}) => {
      setName(name);
      return answerText(module._Lint(latFirst ? 1 : 0));
    },
    // segdump's output as text, or as bytes when `asBytes`.
    dump: (format = 'text', options = {}, asBytes = false) => {
      const { name = 'standard input', raw = false, linesOnly = false, fit = false } = options;
      if (!Object.hasOwn(FORMATS, format)) {
        throw new Coord2segError(`unknown format '${format}'`, 'bad-option');
      }
      setName(name);
      const flags = (raw ? 1 : 0) | (linesOnly ? 2 : 0) | (fit ? 4 : 0);
      const status = module._Dump(FORMATS[format], flags, options.width ?? 1600);
      return asBytes ? answer(status) : answerText(status);
    },
    // The segment file ogr2ogr writes from GeoJSON, the lines it prints, and whether it stopped
    // at a refused feature.
    fromGeoJson: ({ name = 'input.geojson' } = {}) => {
      setName(name);
      const status = module._FromGeoJson();
      if (status === 1) throw refusal();
      return { segments: resultView().slice(), messages: message(), stopped: status === 2 };
    },
    classify: (name) => {
      setName(name);
      const code = module._Classify();
      if (code < 0) throw refusal();
      const kind = KINDS[code];
      return { kind, why: kind === 'neither' ? message() : '' };
    },
  };

  // Each call checks first that the module is still there.
  const live = (call) =>
    function (...args) {
      if (module === null) {
        throw new Coord2segError('this converter was disposed: create another one', 'disposed');
      }
      return call(...args);
    };
  const liveAll = (calls) =>
    Object.fromEntries(Object.entries(calls).map(([key, call]) => [key, live(call)]));

  return {
    reserveInput: live(reserveInput),
    loaded: liveAll(loaded),
    release: live(() => module._Release()),
    outputName: live((name) => {
      setName(name);
      return answerText(module._OutputName());
    }),
    convert: live((bytes, options) => (setInput(bytes), loaded.convert(options))),
    lint: live((bytes, options) => (setInput(bytes), loaded.lint(options))),
    dump: live((bytes, format, options) => (setInput(bytes), loaded.dump(format, options))),
    fromGeoJson: live((bytes, options) => (setInput(bytes), loaded.fromGeoJson(options))),
    // Lets go of the module; calling it again does nothing.
    dispose: () => {
      if (module !== null) module._Release();
      module = null;
    },
  };
}
