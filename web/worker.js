// The page's worker: reads the dropped file into the module's memory piece by piece and answers
// with everything the page shows, so the page never waits on the work. Over HTTP it loads the
// module and api.js beside it; opened from disk, the page starts it from one text that holds
// them all (worker-inline.js).
/* global bindConverter, createCoord2segModule */
if (typeof createCoord2segModule === 'undefined') importScripts('coord2seg.js', 'api.js');

const PIECE_BYTES = 16 << 20;
const converterReady = createCoord2segModule().then(bindConverter);

const progress = (fraction, what) => postMessage({ type: 'progress', fraction, what });

// Copies the file into the module's memory, one piece at a time.
async function readIntoModule(converter, file) {
  const input = converter.reserveInput(file.size);
  for (let offset = 0; offset < file.size; offset += PIECE_BYTES) {
    const piece = await file.slice(offset, offset + PIECE_BYTES).arrayBuffer();
    input.write(offset, new Uint8Array(piece));
    progress((0.8 * (offset + piece.byteLength)) / Math.max(file.size, 1), 'reading');
  }
}

const stem = (name) => name.replace(/\.[^./]*$/, '');

function convertText(converter, file, latFirst) {
  const started = performance.now();
  const segments = converter.loaded.convert({ latFirst });
  const ms = performance.now() - started;
  progress(0.85, 'checking');
  const report = converter.loaded.lint({ name: file.name, latFirst });
  progress(0.9, 'drawing');
  converter.reserveInput(segments.length).write(0, segments);
  const svg = converter.loaded.dump('svg', { fit: true }, true);
  return { ms, report, svg, segments, segmentsName: converter.outputName(file.name) };
}

function dumpSegments(converter, file) {
  // The check first: a damaged file throws segdump's message, which names the offset.
  const report = converter.loaded.dump('check', { name: file.name });
  const started = performance.now();
  const text = converter.loaded.dump('text', {}, true);
  const geojson = converter.loaded.dump('geojson', {}, true);
  const ms = performance.now() - started;
  progress(0.9, 'drawing');
  const svg = converter.loaded.dump('svg', { fit: true }, true);
  const base = stem(file.name);
  return {
    ms,
    report,
    svg,
    text,
    geojson,
    textName: `${base}.txt`,
    geojsonName: `${base}.geojson`,
  };
}

function convertGeoJson(converter, file) {
  const started = performance.now();
  const { segments, messages, stopped } = converter.loaded.fromGeoJson({ name: file.name });
  const ms = performance.now() - started;
  progress(0.9, 'drawing');
  converter.reserveInput(segments.length).write(0, segments);
  const svg = converter.loaded.dump('svg', { fit: true }, true);
  const report = messages || 'ogr2ogr prints nothing for this file.\n';
  return { ms, report, svg, segments, stopped, segmentsName: converter.outputName(file.name) };
}

const CONVERSIONS = { text: convertText, segments: dumpSegments, geojson: convertGeoJson };

async function answer({ file, latFirst }) {
  const converter = await converterReady;
  try {
    await readIntoModule(converter, file);
    const { kind, why } = converter.loaded.classify(file.name);
    if (kind === 'neither') throw new Error(why);
    const done = CONVERSIONS[kind](converter, file, latFirst);
    const transfer = [done.svg, done.segments, done.text, done.geojson].filter(Boolean);
    postMessage(
      { type: 'done', kind, ...done },
      transfer.map((bytes) => bytes.buffer),
    );
  } catch (error) {
    // An Error is the module's own message; anything else (a C++ exception that escaped, a trap)
    // leaves the module in no known state, and the page starts a new worker.
    const known = error instanceof Error && !(error instanceof WebAssembly.RuntimeError);
    postMessage({
      type: 'error',
      message: known
        ? error.message
        : `${file.name}: the converter failed (${error}), most likely out of memory`,
      restart: !known,
    });
  } finally {
    converter.release();
  }
}

converterReady.then(
  () => postMessage({ type: 'ready' }),
  (error) => postMessage({ type: 'error', message: `the converter did not load: ${error}` }),
);
onmessage = (event) => answer(event.data);
