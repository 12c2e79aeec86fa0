// The package's module against the native programs, byte for byte: coord2seg's output, coordlint's
// report and every segdump format, on the examples and on generated hard cases.
// Environment: COORD2SEG_PACKAGE (the built package folder), COORD2SEG_NATIVE (the native build
// folder with coord2seg, coordlint and segdump), COORD2SEG_EXAMPLES (the examples folder).
// SPDX-License-Identifier: MIT
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { geoJsonCases } from './geojson_cases.mjs';
import { hardCases } from './hard_cases.mjs';

const { COORD2SEG_PACKAGE, COORD2SEG_NATIVE, COORD2SEG_EXAMPLES } = process.env;
if (!existsSync(join(COORD2SEG_NATIVE, 'segdump'))) {
  console.log(`no native programs in ${COORD2SEG_NATIVE}: build them with the default preset`);
  process.exit(process.env.CI ? 1 : 77);
}
const { default: createConverter } = await import(
  pathToFileURL(resolve(COORD2SEG_PACKAGE, 'node.js'))
);
const converter = await createConverter();
const scratch = mkdtempSync(join(tmpdir(), 'coord2seg-web-'));

// Runs a native program in the scratch folder: its stdout as bytes, stderr and status.
function native(program, ...args) {
  const run = spawnSync(join(COORD2SEG_NATIVE, program), args, {
    cwd: scratch,
    maxBuffer: 1 << 30,
  });
  return { stdout: run.stdout, stderr: run.stderr.toString(), status: run.status };
}

const textCases = [
  ...readdirSync(COORD2SEG_EXAMPLES)
    .filter((name) => name.endsWith('.txt'))
    .map((name) => ({
      name,
      bytes: readFileSync(join(COORD2SEG_EXAMPLES, name)),
      latFirst: name.startsWith('latfirst'),
    })),
  ...hardCases(),
];

const dumpVariants = (name) => [
  ['text', {}, []],
  ['geojson', {}, ['--geojson']],
  ['geojson', { raw: true }, ['--geojson', '--raw']],
  ['geojson', { linesOnly: true }, ['--geojson', '--lines-only']],
  ['svg', {}, ['--svg']],
  ['svg', { fit: true, width: 640 }, ['--svg', '--fit', '--width', '640']],
  ['check', { name }, ['--check']],
];

for (const { name, bytes, latFirst } of textCases) {
  test(`${name}: convert, lint and every dump as the native programs`, () => {
    writeFileSync(join(scratch, name), bytes);
    const switches = latFirst ? ['-LATLON'] : [];
    assert.equal(native('coord2seg', name, ...switches).status, 0);
    const binName = converter.outputName(name);
    const expected = readFileSync(join(scratch, binName));
    const segments = converter.convert(bytes, { latFirst });
    assert.ok(Buffer.from(segments).equals(expected), 'segment file');

    const lint = native('coordlint', name, ...switches);
    assert.equal(converter.lint(bytes, { name, latFirst }), lint.stdout.toString(), 'coordlint');

    for (const [format, options, args] of dumpVariants(binName)) {
      const dumped = native('segdump', ...args, binName).stdout.toString();
      assert.equal(converter.dump(segments, format, options), dumped, `segdump ${args.join(' ')}`);
    }
  });
}

// The page's one pass over coordinate text (records, report and map together) against the
// separate calls the package makes, on the same module.
const { default: createModule } = await import(
  pathToFileURL(resolve(COORD2SEG_PACKAGE, 'coord2seg-module.mjs'))
);
const raw = await createModule({
  wasmBinary: readFileSync(resolve(COORD2SEG_PACKAGE, 'coord2seg-module.wasm')),
  locateFile: (file) => file,
});
const rawBytes = (start, size) => raw.HEAPU8.slice(start >>> 0, (start >>> 0) + (size >>> 0));
const rawResult = () => rawBytes(raw._ResultData(), raw._ResultSize());
const rawText = (status) => {
  assert.equal(status, 0);
  return Buffer.from(rawResult()).toString();
};
function rawInput(bytes, name) {
  raw.HEAPU8.set(bytes, raw._InputBuffer(bytes.length) >>> 0);
  const encoded = Buffer.from(name);
  raw.HEAPU8.set(encoded, raw._NameBuffer(encoded.length) >>> 0);
}
const facts = () => [...new Float64Array(raw.HEAPU8.buffer, raw._PageFacts() >>> 0, 8)];

for (const { name, bytes, latFirst } of textCases) {
  test(`${name}: the page's one pass gives the separate calls' records, report and map`, () => {
    const lat = latFirst ? 1 : 0;
    rawInput(bytes, name);
    const report = rawText(raw._PageText(lat, 500));
    const records = rawBytes(raw._PageRecordsData(), raw._PageRecordsSize());
    const map = Buffer.from(rawBytes(raw._PageMapData(), raw._PageMapSize())).toString();
    const oneFacts = facts();

    assert.equal(raw._Convert(lat), 0);
    assert.ok(Buffer.from(records).equals(Buffer.from(rawResult())), 'records');
    assert.equal(rawText(raw._PageLint(lat)), report, 'report');
    assert.deepEqual(facts(), oneFacts, 'counts and notes');
    rawInput(records, name);
    assert.equal(rawText(raw._PageMap(500)), map, 'map');
    raw._Release();
  });
}

// The same pass made as the text comes in, pieces of it at a time: the same answers as when the
// text is in whole, whatever the pieces' sizes; where the module does not take the text so (by
// its name or first bytes), PageText is what the page calls instead.
const firstPieceSizes = (size) => [size, Math.min(size, 4096), Math.ceil(size / 2), size - 1];
for (const { name, bytes, latFirst } of textCases) {
  test(`${name}: the pass made as the text comes in gives the one pass's answers`, () => {
    const lat = latFirst ? 1 : 0;
    rawInput(bytes, name);
    const whole = [rawText(raw._PageText(lat, 500)), facts()];
    const wholeRecords = rawBytes(raw._PageRecordsData(), raw._PageRecordsSize());
    const wholeMap = rawBytes(raw._PageMapData(), raw._PageMapSize());
    for (const first of firstPieceSizes(bytes.length).filter((size) => size > 0)) {
      rawInput(bytes, name);
      // Every one of these texts is taken once its first 4096 bytes are in.
      const taken = raw._PageTextBegin(lat, first) === 1;
      assert.equal(taken, first >= Math.min(bytes.length, 4096), `${name} from ${first} bytes`);
      if (!taken) continue;
      // Then pieces of 1, 7, 100... bytes, as they come.
      let arrived = first;
      for (let step = 1; arrived < bytes.length; step = step * 7 + 3) {
        arrived = Math.min(bytes.length, arrived + step);
        assert.equal(raw._PageTextPart(arrived), 0);
      }
      assert.deepEqual([rawText(raw._PageTextFinish(500)), facts()], whole, `report, ${first}`);
      const records = rawBytes(raw._PageRecordsData(), raw._PageRecordsSize());
      assert.ok(Buffer.from(records).equals(Buffer.from(wholeRecords)), `records, ${first}`);
      const map = rawBytes(raw._PageMapData(), raw._PageMapSize());
      assert.ok(Buffer.from(map).equals(Buffer.from(wholeMap)), `map, ${first}`);
    }
    raw._Release();
  });
}

test('the pass made as the text comes in is not for segment files, GeoJSON or UTF-16', () => {
  const text = Buffer.from('12.5 48.25\n13 49\n');
  const cases = [
    ['a.bin', text],
    ['a.geojson', text],
    ['records', Buffer.from([1, 0, 0, 0, 0, 1, 0, 2, 0])],
    ['utf16.txt', Buffer.from('\ufeff12.5 48.25\n13 49\n', 'utf16le')],
  ];
  for (const [name, bytes] of cases) {
    rawInput(bytes, name);
    assert.equal(raw._PageTextBegin(0, bytes.length), 0, name);
    assert.equal(raw._PageTextFinish(500), 1, name);
  }
  rawInput(text, 'a.txt');
  assert.equal(raw._PageTextBegin(0, text.length), 1);
  raw._Release();
});

test('a damaged segment file: the same message as segdump, for every format', () => {
  const whole = converter.convert(readFileSync(join(COORD2SEG_EXAMPLES, 'islands.txt')));
  const damaged = [whole.slice(0, whole.length - 3), Uint8Array.of(1, 0, 0, 0, 7, 1, 2, 3, 4)];
  damaged.forEach((bytes, index) => {
    const name = `damaged${index}.bin`;
    writeFileSync(join(scratch, name), bytes);
    const expected = native('segdump', '--check', name);
    assert.equal(expected.status, 1);
    for (const format of ['text', 'geojson', 'svg', 'check']) {
      assert.throws(() => converter.dump(bytes, format, { name }), {
        message: expected.stderr.trim().replace(/^segdump: /, ''),
      });
    }
  });
});

test('output names as the converter gives them', () => {
  for (const input of ['coast.txt', 'a.b/coast', 'dir/x.tar.gz', '.hidden', 'plain']) {
    assert.equal(
      converter.outputName(input),
      input.replace(
        /(\/?)([^/]*)$/,
        (all, slash, last) =>
          slash + (last.includes('.') ? last.slice(0, last.lastIndexOf('.')) : last) + '.bin',
      ),
    );
  }
});

// GeoJSON against the real ogr2ogr with this build's SegmentFile plugin: the same bytes and the
// same lines on stderr.
const plugin = join(COORD2SEG_NATIVE, 'gdal_plugin');
const ogr2ogr =
  spawnSync('ogr2ogr', ['--version']).status === 0 &&
  existsSync(join(plugin, 'ogr_SegmentFile.so'));
for (const { name, bytes } of geoJsonCases()) {
  test(
    `${name}: as ogr2ogr -f SegmentFile`,
    { skip: !ogr2ogr && !process.env.CI && 'no ogr2ogr or plugin' },
    () => {
      writeFileSync(join(scratch, name), bytes);
      const out = `${name}.bin`;
      const run = spawnSync('ogr2ogr', ['-f', 'SegmentFile', out, name], {
        cwd: scratch,
        env: { ...process.env, GDAL_DRIVER_PATH: plugin },
      });
      const converted = converter.fromGeoJson(bytes, { name });
      // The plugin's word on the file it gives up after a refusal is about a file on disk,
      // which the module never makes.
      const said = run.stderr
        .toString()
        .replace(/^Warning 1: SegmentFile: the write is given up.*\n/m, '');
      assert.equal(converted.messages, said, 'messages');
      assert.equal(converted.stopped, run.status !== 0, 'stopped');
      const written = existsSync(join(scratch, out)) ? readFileSync(join(scratch, out)) : Buffer.of();
      assert.ok(Buffer.from(converted.segments).equals(written), 'segment file');
    },
  );
}

test('not JSON, not GeoJSON, malformed geometry: an Error that says so', () => {
  const cases = [
    ['{"type": "FeatureCollection", "features": [', /not valid JSON: unexpected end at byte 43/],
    [
      '{"type": "Feature", "geometry": {"type": "Point", "coordinates": [1]}}',
      /malformed coordinates/,
    ],
    ['[1, 2]', /not GeoJSON/],
    ['{"type": "Circle"}', /unknown geometry type 'Circle'/],
    ['['.repeat(600) + ']'.repeat(600), /nesting too deep/],
  ];
  for (const [text, message] of cases) {
    assert.throws(() => converter.fromGeoJson(Buffer.from(text)), { message });
  }
});
