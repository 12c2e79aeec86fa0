// The page's worker: takes the chosen file into the module's memory piece by piece, as the page
// reads and hands over the pieces (a worker of a page opened from disk may not read the file
// itself in every browser), and answers with everything the page shows, so the page never waits
// on the work. Over HTTP it loads the module and api.js beside it; in the one-file page, the page
// starts it from a text that holds them all. Every answer names its job; a job's pieces go into
// its own room, and a new job drops the one before.
// SPDX-License-Identifier: MIT
/* global bindConverter, createCoord2segModule */
if (typeof createCoord2segModule === 'undefined') importScripts('coord2seg.js', 'api.js');

const loaded = createCoord2segModule().then((module) => ({
  module,
  converter: bindConverter(module),
}));
let module = null;
let converter = null;

const stem = (name) => name.replace(/\.[^./]*$/, '');

// The module's own page calls, on the input in its memory.
function pageCalls(module, converter) {
  const decoder = new TextDecoder();
  const message = () => {
    const start = module._Message() >>> 0;
    return decoder.decode(module.HEAPU8.subarray(start, module.HEAPU8.indexOf(0, start)));
  };
  const bytesAt = (start, size) =>
    module.HEAPU8.subarray(start >>> 0, (start >>> 0) + (size >>> 0));
  const resultText = (status) => {
    if (status !== 0) throw new Error(message());
    return decoder.decode(bytesAt(module._ResultData(), module._ResultSize()));
  };
  const facts = () => {
    const [segments, points, bytes, droppedLines, droppedSegments, capped, outOfRange, notes] =
      new Float64Array(module.HEAPU8.buffer, module._PageFacts() >>> 0, 8);
    const counts = { segments, points, bytes, droppedLines, droppedSegments, capped, outOfRange };
    return { counts, notes };
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
    // Coordinate text in one pass: the report, its facts, the segment file and its map.
    text: (name, latFirst, width) => {
      setName(name);
      const report = resultText(module._PageText(latFirst ? 1 : 0, width));
      return {
        report,
        ...facts(),
        segments: bytesAt(module._PageRecordsData(), module._PageRecordsSize()).slice(),
        svg: decoder.decode(bytesAt(module._PageMapData(), module._PageMapSize())),
      };
    },
    // The same for a text whose lines the module heard as they came in (PageTextBegin), or
    // null when it did not, or ran short of memory: `text` then reads it whole.
    textHeard: (width) => {
      if (module._PageTextFinish(width) !== 0) return null;
      return {
        report: resultText(0),
        ...facts(),
        segments: bytesAt(module._PageRecordsData(), module._PageRecordsSize()).slice(),
        svg: decoder.decode(bytesAt(module._PageMapData(), module._PageMapSize())),
      };
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

// The conversion, coordlint's report and the map come out of one pass over the text, made as
// the pieces came in when it could be; `heard` says so, and the module's time it took.
function convertText({ calls }, job, progress, heard) {
  const started = performance.now();
  const answers =
    (heard.inParts && calls.textHeard(job.mapWidth)) ||
    calls.text(job.name, job.latFirst, job.mapWidth);
  const ms = heard.ms + performance.now() - started;
  return { ms, ...answers, segmentsName: calls.setName(job.name) };
}

function dumpSegments({ calls, converter }, job, progress) {
  // The check first: a damaged file throws segdump's message, which names the offset.
  const report = converter.loaded.dump('check', { name: job.name });
  const started = performance.now();
  const text = converter.loaded.dump('text', {}, true);
  const geojson = converter.loaded.dump('geojson', {}, true);
  const ms = performance.now() - started;
  progress(0.9, 'drawing');
  const svg = calls.mapOfInput(job.name, job.mapWidth);
  const base = stem(job.name);
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

function convertGeoJson({ calls, converter }, job, progress) {
  const started = performance.now();
  const { segments, messages, stopped } = converter.loaded.fromGeoJson({ name: job.name });
  const ms = performance.now() - started;
  progress(0.9, 'drawing');
  const svg = calls.map(segments, job.name, job.mapWidth);
  const report = messages || 'ogr2ogr prints nothing for this file.\n';
  return {
    ms,
    report,
    svg,
    segments,
    stopped,
    segmentsName: calls.setName(job.name),
  };
}

const CONVERSIONS = { text: convertText, segments: dumpSegments, geojson: convertGeoJson };

let current = null; // { job, input, heard: { inParts, ms }, arrived }

function fail(job, error) {
  // An Error is the module's own message; anything else (a C++ exception that escaped, a trap)
  // leaves the module in no known state, and the page starts a new worker.
  const known = error instanceof Error && !(error instanceof WebAssembly.RuntimeError);
  postMessage({
    type: 'error',
    id: job.id,
    message: known
      ? error.message
      : `${job.name}: the converter failed (${error}), most likely out of memory`,
    restart: !known,
  });
}

function begin(job) {
  current = null;
  try {
    const heard = { inParts: false, ms: 0 };
    current = { job, input: converter.reserveInput(job.size), heard, arrived: 0 };
  } catch (error) {
    converter.release();
    fail(job, error);
  }
}

// Coordinate text is checked and converted as its pieces come in, so that the module works
// while the page reads the rest; the module says whether it takes the text so (by its name and
// first bytes). The pieces come in order.
function hear(taking, arrived) {
  const { job, heard } = taking;
  if (job.as) return;
  const started = performance.now();
  try {
    if (taking.arrived === 0) {
      converter.outputName(job.name); // sets the name
      heard.inParts = module._PageTextBegin(job.latFirst ? 1 : 0, arrived) === 1;
    }
    taking.arrived = arrived;
    if (heard.inParts) heard.inParts = module._PageTextPart(arrived) === 0;
  } catch {
    heard.inParts = false; // the whole text is read at the end, which says what went wrong
  }
  heard.ms += performance.now() - started;
}

function answer(job, heard) {
  const progress = (fraction, what) =>
    postMessage({ type: 'progress', id: job.id, fraction, what });
  const calls = pageCalls(module, converter);
  try {
    const sort = job.as ? { kind: job.as, binary: false, json: false } : calls.kind(job.name);
    const done = CONVERSIONS[sort.kind]({ calls, converter }, job, progress, heard);
    const transfer = [done.segments, done.text, done.geojson].filter(Boolean);
    postMessage(
      { type: 'done', id: job.id, kind: sort.kind, binary: sort.binary, json: sort.json, ...done },
      transfer.map((bytes) => bytes.buffer),
    );
  } catch (error) {
    fail(job, error);
  } finally {
    converter.release();
  }
}

loaded.then(
  (ready) => {
    ({ module, converter } = ready);
    postMessage({ type: 'ready' });
  },
  (error) => postMessage({ type: 'error', message: `the converter did not load: ${error}` }),
);
// A job: its description, its pieces in order, then its end.
onmessage = ({ data }) => {
  if (data.type === 'job') {
    begin(data);
    return;
  }
  if (!current || current.job.id !== data.id) return;
  if (data.type === 'piece') {
    current.input.write(data.offset, new Uint8Array(data.piece));
    hear(current, data.offset + data.piece.byteLength);
  } else if (data.type === 'end') {
    const { job, heard } = current;
    current = null;
    answer(job, heard);
  }
};
