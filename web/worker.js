// The page's worker: reads the chosen file into the module's memory piece by piece and answers
// with everything the page shows, so the page never waits on the work. Over HTTP it loads the
// module and api.js beside it; in the one-file page, the page starts it from a text that holds
// them all. Jobs run one after the other, never interleaved, and every answer names its job.
/* global bindConverter, createCoord2segModule */
if (typeof createCoord2segModule === 'undefined') importScripts('coord2seg.js', 'api.js');

const PIECE_BYTES = 16 << 20;
const BYTE_ORDER_MARK = [0xef, 0xbb, 0xbf];
const ready = createCoord2segModule().then((module) => ({
  module,
  converter: bindConverter(module),
}));

// Copies the file, from `skip` bytes on, into the module's memory one piece at a time.
async function readIntoModule(converter, file, skip, progress) {
  const size = Math.max(file.size - skip, 0);
  const input = converter.reserveInput(size);
  for (let offset = 0; offset < size; offset += PIECE_BYTES) {
    const piece = await file.slice(skip + offset, skip + offset + PIECE_BYTES).arrayBuffer();
    input.write(offset, new Uint8Array(piece));
    progress((0.7 * (offset + piece.byteLength)) / Math.max(size, 1), 'reading');
  }
}

async function startsWithMark(file) {
  const start = new Uint8Array(await file.slice(0, 3).arrayBuffer());
  return BYTE_ORDER_MARK.every((byte, i) => start[i] === byte);
}

const stem = (name) => name.replace(/\.[^./]*$/, '');

// The module's own page calls, on the input in its memory.
function pageCalls(module, converter) {
  const decoder = new TextDecoder();
  const message = () => {
    const start = module._Message() >>> 0;
    return decoder.decode(module.HEAPU8.subarray(start, module.HEAPU8.indexOf(0, start)));
  };
  const resultText = (status) => {
    if (status !== 0) throw new Error(message());
    const start = module._ResultData() >>> 0;
    return decoder.decode(module.HEAPU8.subarray(start, start + (module._ResultSize() >>> 0)));
  };
  const setName = (name) => converter.outputName(name); // sets the name, and gives the output's
  return {
    setName,
    kind: (name) => {
      setName(name);
      const bits = module._PageKind();
      return {
        kind: ['text', 'segments', 'geojson'][bits & 3],
        binary: (bits & 4) !== 0,
        json: (bits & 8) !== 0,
      };
    },
    lint: (name, latFirst) => {
      setName(name);
      const report = resultText(module._PageLint(latFirst ? 1 : 0));
      const facts = new Float64Array(module.HEAPU8.buffer, module._PageFacts() >>> 0, 8);
      const [segments, points, bytes, droppedLines, droppedSegments, capped, outOfRange, notes] =
        facts;
      const counts = { segments, points, bytes, droppedLines, droppedSegments, capped, outOfRange };
      return { report, counts, notes };
    },
    // The map of the segment file in the module's memory.
    mapOfInput: (name, width) => {
      setName(name);
      return resultText(module._PageMap(width));
    },
    // The map of the segment file `segments`, which takes the input's place.
    map(segments, name, width) {
      converter.reserveInput(segments.length).write(0, segments);
      return this.mapOfInput(name, width);
    },
  };
}

function convertText({ calls, converter }, job, progress) {
  const started = performance.now();
  const segments = converter.loaded.convert({ latFirst: job.latFirst });
  const ms = performance.now() - started;
  progress(0.8, 'checking');
  const { report, counts, notes } = calls.lint(job.file.name, job.latFirst);
  progress(0.9, 'drawing');
  const svg = calls.map(segments, job.file.name, job.mapWidth);
  return {
    ms,
    report,
    counts,
    notes,
    svg,
    segments,
    segmentsName: calls.setName(job.file.name),
  };
}

function dumpSegments({ calls, converter }, job, progress) {
  // The check first: a damaged file throws segdump's message, which names the offset.
  const report = converter.loaded.dump('check', { name: job.file.name });
  const started = performance.now();
  const text = converter.loaded.dump('text', {}, true);
  const geojson = converter.loaded.dump('geojson', {}, true);
  const ms = performance.now() - started;
  progress(0.9, 'drawing');
  const svg = calls.mapOfInput(job.file.name, job.mapWidth);
  const base = stem(job.file.name);
  return { ms, report, svg, text, geojson, textName: `${base}.txt`, geojsonName: `${base}.geojson` };
}

function convertGeoJson({ calls, converter }, job, progress) {
  const started = performance.now();
  const { segments, messages, stopped } = converter.loaded.fromGeoJson({ name: job.file.name });
  const ms = performance.now() - started;
  progress(0.9, 'drawing');
  const svg = calls.map(segments, job.file.name, job.mapWidth);
  const report = messages || 'ogr2ogr prints nothing for this file.\n';
  return {
    ms,
    report,
    svg,
    segments,
    stopped,
    segmentsName: calls.setName(job.file.name),
  };
}

const CONVERSIONS = { text: convertText, segments: dumpSegments, geojson: convertGeoJson };

async function answer(job) {
  const progress = (fraction, what) => postMessage({ type: 'progress', id: job.id, fraction, what });
  const { module, converter } = await ready;
  const calls = pageCalls(module, converter);
  try {
    const skip = job.withoutMark && (await startsWithMark(job.file)) ? 3 : 0;
    await readIntoModule(converter, job.file, skip, progress);
    const sort = job.as ? { kind: job.as, binary: false, json: false } : calls.kind(job.file.name);
    const done = CONVERSIONS[sort.kind]({ calls, converter }, job, progress);
    const transfer = [done.segments, done.text, done.geojson].filter(Boolean);
    postMessage(
      { type: 'done', id: job.id, kind: sort.kind, binary: sort.binary, json: sort.json, ...done },
      transfer.map((bytes) => bytes.buffer),
    );
  } catch (error) {
    // An Error is the module's own message; anything else (a C++ exception that escaped, a trap)
    // leaves the module in no known state, and the page starts a new worker.
    const known = error instanceof Error && !(error instanceof WebAssembly.RuntimeError);
    postMessage({
      type: 'error',
      id: job.id,
      message: known
        ? error.message
        : `${job.file.name}: the converter failed (${error}), most likely out of memory`,
      restart: !known,
    });
  } finally {
    converter.release();
  }
}

ready.then(
  () => postMessage({ type: 'ready' }),
  (error) => postMessage({ type: 'error', message: `the converter did not load: ${error}` }),
);
// One job at a time: the next waits for the one in hand, whose file reads are awaited.
let queue = Promise.resolve();
onmessage = (event) => {
  queue = queue.then(() => answer(event.data));
};
