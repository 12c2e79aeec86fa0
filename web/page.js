// The page: hands the chosen file to the worker and shows what comes back. Element ids are kept
// stable for tests and users' own automation: #file, #latfirst, #status (data-state, data-ms),
// #download, #text, #geojson, #map-download, #report, #advice, #preview.
// One job at a time: a new file, or a change of Latitude first, while a job runs stops that job
// (its worker is replaced), and answers are taken only from the job in hand, so every link shown
// belongs to the file #status names.
// SPDX-License-Identifier: MIT
'use strict';

const $ = (id) => document.getElementById(id);
const status = $('status');
const progressBar = $('progress');

let worker = null;
let workerReady = false;
let job = null; // { id, file, latFirst, withoutMark, as, started, sent, finished }
let jobCount = 0;
let urls = [];
let cannotStart = ''; // why no worker could start, if none could

// In the one-file page the worker's whole text, module included, is in the page; over HTTP it
// is worker.js beside the page.
const workerUrl = self.coord2segWorkerSource
  ? URL.createObjectURL(new Blob([self.coord2segWorkerSource], { type: 'text/javascript' }))
  : 'worker.js';

function setStatus(state, text, { ms, moduleMs, warning = false } = {}) {
  status.dataset.state = state;
  status.classList.toggle('warning', warning);
  status.textContent = text;
  for (const [key, value] of [
    ['ms', ms],
    ['moduleMs', moduleMs],
  ]) {
    if (value === undefined) delete status.dataset[key];
    else status.dataset[key] = value.toFixed(1);
  }
  progressBar.hidden = state !== 'working';
}

// Starts a worker, replacing (and so stopping) the one before.
function startWorker() {
  if (worker) worker.terminate();
  workerReady = false;
  try {
    worker = new Worker(workerUrl);
  } catch (error) {
    worker = null;
    const hint =
      location.protocol === 'file:'
        ? ' Opened from disk, this page needs coord2seg.html, the page in one file.'
        : '';
    cannotStart = `The converter cannot start here: ${error.message}.${hint}`;
    setStatus('error', cannotStart);
    return;
  }
  worker.onmessage = (event) => onWorkerMessage(event.data);
  // A worker that dies (out of memory outside the module, for one) is replaced, so the page
  // stays usable; the job it had fails.
  worker.onerror = (event) => {
    event.preventDefault();
    const failed = job && !job.finished;
    startWorker();
    if (failed) {
      finish();
      setStatus(
        'error',
        `${job.file.name}: the conversion failed: ${event.message || 'the worker stopped'}`,
      );
    }
  };
}

const PIECE_BYTES = 16 << 20;
const BYTE_ORDER_MARK = [0xef, 0xbb, 0xbf];

async function startsWithMark(file) {
  const start = new Uint8Array(await file.slice(0, 3).arrayBuffer());
  return BYTE_ORDER_MARK.every((byte, i) => start[i] === byte);
}

// Hands the job to the worker: its description, then the file read here piece by piece, each
// piece's memory handed over rather than copied. A job stopped meanwhile stops sending.
async function send() {
  if (!workerReady || !job || job.sent || job.finished) return;
  const sending = job;
  const target = worker;
  sending.sent = true;
  const stopped = () => job !== sending || worker !== target || sending.finished;
  const { id, file, latFirst, as } = sending;
  try {
    const skip = sending.withoutMark && (await startsWithMark(file)) ? 3 : 0;
    const size = Math.max(file.size - skip, 0);
    if (stopped()) return;
    const name = file.name;
    target.postMessage({ type: 'job', id, name, size, latFirst, as, mapWidth: mapWidth() });
    for (let offset = 0; offset < size; offset += PIECE_BYTES) {
      const piece = await file.slice(skip + offset, skip + offset + PIECE_BYTES).arrayBuffer();
      if (stopped()) return;
      target.postMessage({ type: 'piece', id, offset, piece }, [piece]);
      progressBar.value = (0.7 * (offset + piece.byteLength)) / Math.max(size, 1);
    }
    target.postMessage({ type: 'end', id });
  } catch (error) {
    if (stopped()) return;
    finish();
    setStatus('error', `${file.name}: the file cannot be read: ${error.message}`);
  }
}

// The map's width in pixels for the data, about as wide as it will be shown, so that its labels
// keep their size: beside the report on a wide window, alone on a narrow one.
function mapWidth() {
  const page = Math.min(document.documentElement.clientWidth, 1100);
  const pane = page > 800 ? (page - 64) * 0.6 : page - 48;
  return Math.max(200, Math.round(pane - 110));
}

function finish() {
  job.finished = true;
  progressBar.hidden = true;
}

// Starts a job on `file`; one in hand stops.
function work(file, { withoutMark = false, as = undefined } = {}) {
  if (!file) return;
  if (cannotStart) {
    setStatus('error', cannotStart);
    return;
  }
  const stopping = job && job.sent && !job.finished;
  job = {
    id: ++jobCount,
    file,
    latFirst: $('latfirst').checked,
    withoutMark,
    as,
    started: performance.now(),
    sent: false,
    finished: false,
  };
  clearOutput();
  setStatus('working', `${file.name}: reading…`);
  progressBar.value = 0;
  if (stopping) startWorker();
  send();
}

function link(element, bytes, name, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  urls.push(url);
  element.href = url;
  element.download = name;
  element.hidden = false;
  const size = sizeText(bytes.byteLength ?? bytes.length);
  element.textContent = `↓ ${element.dataset.label}: ${name} (${size})`;
}

function sizeText(bytes) {
  if (bytes < 1024) return `${bytes} bytes`;
  if (bytes < 1 << 20) return `${(bytes / 1024).toFixed(1)} KB`;
  return `${(bytes / (1 << 20)).toFixed(1)} MB`;
}

const timeText = (ms) => (ms < 1000 ? `${Math.round(ms)} ms` : `${(ms / 1000).toFixed(1)} s`);
const plural = (count, one, many = `${one}s`) =>
  `${count.toLocaleString('en')} ${count === 1 ? one : many}`;

function clearOutput() {
  urls.forEach((url) => URL.revokeObjectURL(url));
  urls = [];
  for (const id of ['download', 'text', 'geojson', 'map-download']) {
    $(id).hidden = true;
    $(id).removeAttribute('href');
    $(id).removeAttribute('download');
  }
  $('report').textContent = '';
  $('advice').replaceChildren();
  $('advice').hidden = true;
  $('preview').replaceChildren();
  $('output').hidden = true;
}

function showMap(svgText, name) {
  const svg = new DOMParser().parseFromString(svgText, 'image/svg+xml').documentElement;
  $('preview').replaceChildren(document.importNode(svg, true));
  link(
    $('map-download'),
    new TextEncoder().encode(svgText),
    `${name.replace(/\.[^./]*$/, '')}-map.svg`,
    'image/svg+xml',
  );
}

// The page's own words for each trap coordlint notes, for people who have no shell.
function advise(done) {
  const items = [];
  const add = (text, button, action) => {
    const item = document.createElement('li');
    item.textContent = text;
    if (button) {
      const press = document.createElement('button');
      press.type = 'button';
      press.textContent = button;
      press.addEventListener('click', action);
      item.append(' ', press);
    }
    items.push(item);
  };
  const { file, withoutMark } = job;
  const notes = done.notes ?? 0;
  if (notes & 1 && !job.withoutMark) {
    add(
      'The text starts with a byte-order mark: its first line is lost, as coord2seg reads the ' +
        'mark as part of it.',
      'Convert without the mark',
      () => work(file, { withoutMark: true }),
    );
  }
  if (notes & 2 && !job.latFirst) {
    add(
      'The values seem to list latitude first: tick Latitude first.',
      'Tick Latitude first',
      () => {
        $('latfirst').checked = true;
        work(file, { withoutMark });
      },
    );
  }
  if (notes & 4) {
    add(
      "Commas are decimal marks here (12,5 is 12.5), so '12.5, 48.25' is not read: separate " +
        "the two values with a blank, ';' or TAB, as in '12.5 48.25'.",
    );
  }
  if (notes & 8)
    add(
      'The text is UTF-16: save it as UTF-8 (in most editors: Save as, encoding UTF-8) and ' +
        'choose it again.',
    );
  if (notes & 16)
    add(
      'Lines hold three values (x y z), but only two may stand on a line: export the data ' +
        'without heights.',
    );
  if (notes & 32) add('The first line is a header: dropping it loses no point.');
  if (notes & 64)
    add(
      "Lines starting with '>' are read as data, not as breaks between segments: start those " +
        "lines with '#'.",
    );
  if (notes & 128)
    add("A '#' after blanks does not end a segment: only a '#' at the very start of a line does.");
  if (done.kind === 'text' && done.json && done.counts.points === 0) {
    add('The text looks like GeoJSON.', 'Read it as GeoJSON', () => work(file, { as: 'geojson' }));
  }
  $('advice').replaceChildren(...items);
  $('advice').hidden = items.length === 0;
}

const TITLES = {
  text: 'coordlint report',
  segments: 'segdump --check',
  geojson: 'ogr2ogr messages',
};

function showDone(done) {
  finish();
  job.kind = done.kind;
  const elapsed = performance.now() - job.started;
  const name = job.file.name;
  $('output').hidden = false;
  $('report-title').textContent = TITLES[done.kind];
  $('report').textContent = done.report;
  if (done.segments)
    link($('download'), done.segments, done.segmentsName, 'application/octet-stream');
  if (done.text) link($('text'), done.text, done.textName, 'text/plain');
  if (done.geojson) link($('geojson'), done.geojson, done.geojsonName, 'application/geo+json');
  showMap(done.svg, name);
  advise(done);

  const warnings = [];
  if (done.binary) {
    warnings.push(
      'it holds bytes that text does not (NUL or other control bytes); it was converted as ' +
        'coordinate text, as coord2seg does',
    );
  }
  if (done.kind === 'text') {
    const { droppedLines, points, droppedSegments } = done.counts;
    if (points === 0) warnings.push('no point was kept: the segment file is empty');
    if (droppedLines > 0) warnings.push(`${plural(droppedLines, 'line')} dropped`);
    if (droppedSegments > 0) warnings.push(`${plural(droppedSegments, 'segment')} dropped`);
  } else if (done.kind === 'geojson' && done.segments.length === 0) {
    warnings.push('no point was kept: the segment file is empty');
  }
  if (done.stopped)
    warnings.push(
      'a feature was refused: ogr2ogr then makes no file, and neither does the page (see the messages)',
    );
  const what = { text: 'Converted', segments: 'Read back', geojson: 'Converted' }[done.kind];
  const how = job.withoutMark
    ? ' without its byte-order mark'
    : job.as === 'geojson'
      ? ' as GeoJSON'
      : '';
  const said = warnings.length ? `: ${warnings.join('; ')} (see the report).` : '.';
  setStatus('done', `${what} ${name}${how} in ${timeText(elapsed)}${said}`, {
    ms: elapsed,
    moduleMs: done.ms,
    warning: warnings.length > 0,
  });
}

function onWorkerMessage(message) {
  if (message.type === 'ready') {
    workerReady = true;
    if (status.dataset.state === 'loading') setStatus('ready', 'Ready: choose or drop a file.');
    send();
    return;
  }
  // Answers of a job stopped before are late: they are left unread.
  if (!job || message.id !== job.id || job.finished) {
    if (message.type === 'error' && message.id === undefined) setStatus('error', message.message);
    return;
  }
  switch (message.type) {
    case 'progress':
      progressBar.value = message.fraction;
      status.textContent = `${job.file.name}: ${message.what}…`;
      break;
    case 'done':
      showDone(message);
      break;
    case 'error': {
      finish();
      if (message.restart) startWorker();
      const name = job.file.name;
      setStatus(
        'error',
        message.message.startsWith(name) ? message.message : `${name}: ${message.message}`,
      );
      break;
    }
  }
}

$('file').addEventListener('change', () => {
  work($('file').files[0]);
  $('file').value = ''; // so that choosing the same file again, changed, reads it again
});
$('latfirst').addEventListener('change', () => {
  // Only coordinate text depends on the switch.
  if (job && (!job.finished || job.kind === undefined || job.kind === 'text')) {
    work(job.file, { withoutMark: job.withoutMark, as: job.as });
  }
});
const drop = $('drop');
drop.addEventListener('dragover', (event) => {
  event.preventDefault();
  drop.classList.add('over');
});
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (event) => {
  event.preventDefault();
  drop.classList.remove('over');
  work(event.dataTransfer.files[0]);
});
startWorker();
