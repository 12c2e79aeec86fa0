// The calls the page's worker and the package offer, bound to one instance of the WebAssembly
// module. A plain script (no import or export): the build puts it into the worker and the package.

// `module` is a ready instance of the Emscripten module.
function bindConverter(module) {
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  const FORMATS = { text: 0, geojson: 1, svg: 2, check: 3 };
  const KINDS = ['text', 'segments', 'geojson', 'neither'];

  const message = () => {
    const start = module._Message() >>> 0;
    const end = module.HEAPU8.indexOf(0, start);
    return decoder.decode(module.HEAPU8.subarray(start, end));
  };
  const resultView = () => {
    const start = module._ResultData() >>> 0;
    return module.HEAPU8.subarray(start, start + (module._ResultSize() >>> 0));
  };
  // A call's answer as bytes or text, or an Error with its message.
  const answer = (status) => {
    if (status !== 0) throw new Error(message());
    return resultView().slice();
  };
  const answerText = (status) => {
    if (status !== 0) throw new Error(message());
    return decoder.decode(resultView());
  };
  const outOfMemory = () =>
    new Error("out of memory: the file is too large for this browser's memory");
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
    const data = ArrayBuffer.isView(bytes)
      ? new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength)
      : new Uint8Array(bytes);
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
      if (!(format in FORMATS)) throw new Error(`unknown format '${format}'`);
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
      if (status === 1) throw new Error(message());
      return { segments: resultView().slice(), messages: message(), stopped: status === 2 };
    },
    classify: (name) => {
      setName(name);
      const code = module._Classify();
      if (code < 0) throw new Error(message());
      const kind = KINDS[code];
      return { kind, why: kind === 'neither' ? message() : '' };
    },
  };

  return {
    reserveInput,
    loaded,
    release: () => module._Release(),
    outputName: (name) => {
      setName(name);
      return answerText(module._OutputName());
    },
    convert: (bytes, options) => (setInput(bytes), loaded.convert(options)),
    lint: (bytes, options) => (setInput(bytes), loaded.lint(options)),
    dump: (bytes, format, options) => (setInput(bytes), loaded.dump(format, options)),
    fromGeoJson: (bytes, options) => (setInput(bytes), loaded.fromGeoJson(options)),
  };
}
