// The page: hands the chosen file to the worker and shows what comes back. Element ids are kept
// stable for tests and users' own automation: #file, #latfirst, #status (data-state, data-ms),
// #download, #text, #geojson, #report, #preview.
'use strict';

const $ = (id) => document.getElementById(id);
const status = $('status');
const progressBar = $('progress');
let worker = null;
let currentFile = null;
let urls = [];

function setStatus(state, text, ms, warning = false) {
  status.dataset.state = state;
  status.classList.toggle('warning', warning);
  status.textContent = text;
  if (ms === undefined) delete status.dataset.ms;
  else status.dataset.ms = ms.toFixed(1);
  progressBar.hidden = state !== 'working';
}

// Opened from disk the page cannot start a worker from a file, nor fetch a .wasm: it loads a
// script that holds the worker's whole text, module included, and starts the worker from that.
function workerSource() {
  if (location.protocol !== 'file:') return Promise.resolve('worker.js');
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = 'worker-inline.js';
    script.onload = () =>
      resolve(
        URL.createObjectURL(new Blob([self.coord2segWorkerSource], { type: 'text/javascript' })),
      );
    script.onerror = () => reject(new Error('worker-inline.js is missing beside the page'));
    document.head.append(script);
  });
}

async function startWorker() {
  setStatus('loading', 'Loading the converter…');
  try {
    worker = new Worker(await workerSource());
  } catch (error) {
    setStatus('error', `The converter cannot start here: ${error.message}`);
    return;
  }
  worker.onmessage = (event) => onWorkerMessage(event.data);
  // A worker that dies (out of memory outside the module, for one) is replaced, so the page
  // stays usable.
  worker.onerror = (event) => {
    event.preventDefault();
    worker.terminate();
    startWorker().then(() =>
      setStatus('error', `The conversion failed: ${event.message || 'the worker stopped'}`),
    );
  };
  await new Promise((resolve) => {
    worker.readyResolve = resolve;
  });
}

function link(element, bytes, name, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  urls.push(url);
  element.href = url;
  element.download = name;
  element.hidden = false;
  element.textContent = `↓ ${element.dataset.label}: ${name} (${sizeText(bytes.byteLength)})`;
}

function sizeText(bytes) {
  if (bytes < 1024) return `${bytes} bytes`;
  if (bytes < 1 << 20) return `${(bytes / 1024).toFixed(1)} KB`;
  return `${(bytes / (1 << 20)).toFixed(1)} MB`;
}

function clearOutput() {
  urls.forEach((url) => URL.revokeObjectURL(url));
  urls = [];
  for (const id of ['download', 'text', 'geojson']) {
    $(id).hidden = true;
    $(id).removeAttribute('href');
  }
  $('report').textContent = '';
  $('preview').replaceChildren();
  $('output').hidden = true;
}

function showPreview(svgBytes) {
  const svg = new DOMParser().parseFromString(new TextDecoder().decode(svgBytes), 'image/svg+xml');
  $('preview').replaceChildren(document.importNode(svg.documentElement, true));
}

const TITLES = {
  text: 'coordlint report',
  segments: 'segdump --check',
  geojson: 'ogr2ogr messages',
};

function showDone(done) {
  $('output').hidden = false;
  $('report-title').textContent = TITLES[done.kind];
  $('report').textContent = done.report;
  if (done.segments)
    link($('download'), done.segments, done.segmentsName, 'application/octet-stream');
  if (done.text) link($('text'), done.text, done.textName, 'text/plain');
  if (done.geojson) link($('geojson'), done.geojson, done.geojsonName, 'application/geo+json');
  showPreview(done.svg);
  const what = { text: 'Converted', segments: 'Read back', geojson: 'Converted' }[done.kind];
  const stopped = done.stopped
    ? ' A feature was refused: ogr2ogr stops there, and so does the file (see the messages).'
    : '';
  setStatus(
    'done',
    `${what} ${currentFile.name} in ${done.ms.toFixed(1)} ms.${stopped}`,
    done.ms,
    Boolean(done.stopped),
  );
}

function onWorkerMessage(message) {
  switch (message.type) {
    case 'ready':
      setStatus('ready', 'Ready: choose or drop a file.');
      worker.readyResolve?.();
      break;
    case 'progress':
      progressBar.value = message.fraction;
      status.textContent = `${currentFile?.name ?? ''}: ${message.what}…`;
      break;
    case 'done':
      showDone(message);
      break;
    case 'error':
      if (message.restart) {
        worker.terminate();
        startWorker().then(() => setStatus('error', message.message));
      } else {
        setStatus('error', message.message);
      }
      break;
  }
}

function work(file) {
  if (!file || !worker || status.dataset.state === 'loading') return;
  currentFile = file;
  clearOutput();
  setStatus('working', `${file.name}: reading…`);
  progressBar.value = 0;
  worker.postMessage({ file, latFirst: $('latfirst').checked });
}

$('file').addEventListener('change', () => {
  work($('file').files[0]);
  $('file').value = ''; // so that choosing the same file again, changed, reads it again
});
$('latfirst').addEventListener('change', () => {
  if (currentFile && status.dataset.state !== 'working') work(currentFile);
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
