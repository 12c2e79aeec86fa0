// The package's own contract, without the native programs: what it takes as bytes, the code and
// offset of each refusal, dispose(), the options that say where the .wasm is, and the tarball.
// SPDX-License-Identifier: MIT
// Run with node --expose-gc; environment: COORD2SEG_PACKAGE (the built package folder).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const folder = resolve(process.env.COORD2SEG_PACKAGE);
const { default: createConverter, Coord2segError } = await import(
  pathToFileURL(join(folder, 'node.js'))
);
const browserEntry = await import(pathToFileURL(join(folder, 'index.js')));
const converter = await createConverter();
const wasm = readFileSync(join(folder, 'coord2seg-module.wasm'));
const bytes = (text) => new TextEncoder().encode(text);
const text = bytes('12.5 48.25\n12.75 48.5\n#\n-0.5 -1\n');
const expected = converter.convert(text);

test('every kind of bytes gives the same answer; anything else is a TypeError', () => {
  const shifted = new Uint8Array(text.length + 3);
  shifted.set(text, 3);
  const shared = new SharedArrayBuffer(text.length);
  new Uint8Array(shared).set(text);
  const ways = [
    Buffer.from(text),
    text.buffer.slice(0),
    shared,
    new DataView(shifted.buffer, 3),
    shifted.subarray(3),
  ];
  for (const way of ways) assert.deepEqual(converter.convert(way), expected);
  // Int16Array of an even length: the same bytes, seen as 16-bit values.
  const even = new Uint8Array(text.length + (text.length % 2));
  even.set(text);
  even[even.length - 1] ||= 0x0a;
  assert.deepEqual(converter.convert(new Int16Array(even.buffer)), converter.convert(even));

  const notBytes = [undefined, null, '12.5 48.25\n', 12, {}, [49, 50], { length: 3 }, true];
  for (const input of notBytes) {
    for (const call of [
      () => converter.convert(input),
      () => converter.lint(input),
      () => converter.dump(input, 'text'),
      () => converter.fromGeoJson(input),
    ]) {
      assert.throws(call, (error) => error instanceof TypeError && error.code === 'not-bytes');
    }
  }
});

test('a damaged segment file: code damaged, and the offset its message names, at every cut', () => {
  // Where whole records end (a 32-bit count, a reserved byte, 4 bytes a point): no damage there.
  const ends = new Set();
  for (let at = 0; at < expected.length;) {
    at += 5 + 4 * new DataView(expected.buffer, expected.byteOffset + at).getUint32(0, true);
    ends.add(at);
  }
  for (let length = 1; length < expected.length; ++length) {
    if (ends.has(length)) continue;
    for (const format of ['text', 'check', 'geojson', 'svg']) {
      assert.throws(
        () => converter.dump(expected.subarray(0, length), format),
        (error) =>
          error instanceof Coord2segError &&
          error.code === 'damaged' &&
          error.message.includes(`offset ${error.offset} `) &&
          error.offset < length,
      );
    }
  }
});

test('a JSON text cut short anywhere, or with bad UTF-8: not-json at the byte named', () => {
  const whole = bytes(
    '{"type": "Feature", "properties": {"caf\u00e9": "\u{1F30D}"},' +
      ' "geometry": {"type": "Point", "coordinates": [1.5, 2]}}',
  );
  assert.equal(converter.fromGeoJson(whole).segments.length, 9);
  for (let length = 0; length < whole.length; ++length) {
    assert.throws(
      () => converter.fromGeoJson(whole.subarray(0, length)),
      (error) =>
        error.code === 'not-json' &&
        error.offset <= length &&
        error.message.endsWith(`at byte ${error.offset}`),
    );
  }
  // Each bad sequence in a property name; its first byte is where it is refused.
  const badSequences = [
    [0xff],
    [0x80],
    [0xc0, 0xaf],
    [0xc2],
    [0xe0, 0x80, 0xaf],
    [0xed, 0xa0, 0x80],
    [0xf4, 0x90, 0x80, 0x80],
    [0xf8, 0x88, 0x80, 0x80, 0x80],
    [0xe2, 0x82],
    [0xf0, 0x9f, 0x8c],
  ];
  const before = bytes('{"type": "Feature", "properties": {"a');
  const after = bytes('": 1}, "geometry": null}');
  for (const sequence of badSequences) {
    const document = Uint8Array.from([...before, ...sequence, ...after]);
    assert.throws(() => converter.fromGeoJson(document), {
      code: 'not-json',
      offset: before.length,
      message: `not valid JSON: invalid UTF-8 at byte ${before.length}`,
    });
  }
  // The longest and the shortest sequence of each length go through, and name the field.
  for (const good of ['\u0080', '\u07ff', '\u0800', '\uffff', '\u{10000}', '\u{10ffff}']) {
    const document = bytes(`{"type": "Feature", "properties": {"${good}": 1}, "geometry": null}`);
    assert.match(converter.fromGeoJson(document).messages, new RegExp(`such as '${good}'`, 'u'));
  }
});

test('refusals of GeoJSON and of options carry their code', () => {
  const feature = (coordinates, type = 'LineString') =>
    bytes(`{"type": "Feature", "geometry": {"type": "${type}", "coordinates": ${coordinates}}}`);
  const cases = [
    [bytes('[1, 2]'), 'not-geojson'],
    [bytes('{"features": []}'), 'not-geojson'],
    [feature('[7, [1, 2], [3, 4]]'), 'bad-geometry'],
    [feature('[[1, 2], 7, [3, 4]]'), 'bad-geometry'],
    [feature('[[1, 2], [3, [4]]]'), 'bad-geometry'],
    [feature('[[1, 2], [3, "4"]]'), 'bad-geometry'],
    [feature('[1]', 'Point'), 'bad-geometry'],
    [feature('[1, 2]', 'Circle'), 'bad-geometry'],
  ];
  for (const [document, code] of cases) {
    assert.throws(
      () => converter.fromGeoJson(document),
      (error) => error.code === code,
    );
  }
  assert.throws(() => converter.dump(expected, 'pdf'), { code: 'bad-option' });
  assert.throws(() => converter.dump(expected, 'svg', { width: 3 }), { code: 'bad-option' });
});

test('dispose() lets go of the memory; a disposed converter refuses every call', async () => {
  const large = bytes('12.5 48.25\n'.repeat(6 << 20)); // 66 MB
  const megabytes = () => process.memoryUsage().rss / 2 ** 20;
  const settle = async () => {
    for (let i = 0; i < 3; ++i) {
      globalThis.gc();
      await new Promise((done) => setTimeout(done, 20));
    }
  };
  await settle();
  const before = megabytes();
  // Kept, four such converters would hold four times the input; disposed, less than one.
  for (let i = 0; i < 4; ++i) {
    const used = await createConverter();
    assert.ok(used.convert(large).length > 0);
    used.dispose();
    await settle();
  }
  assert.ok(megabytes() - before < 60, `grew by ${megabytes() - before} MB`);

  const disposed = await createConverter();
  disposed.dispose();
  disposed.dispose();
  for (const call of [
    () => disposed.convert(text),
    () => disposed.lint(text),
    () => disposed.dump(expected),
    () => disposed.fromGeoJson(bytes('{}')),
    () => disposed.outputName('a.txt'),
  ]) {
    assert.throws(call, { name: 'Coord2segError', code: 'disposed' });
  }
});

test('where the .wasm is: its bytes, a file elsewhere, a missing one', async () => {
  for (const wasmBinary of [wasm, new Uint8Array(wasm).buffer]) {
    const fromBytes = await browserEntry.default({ wasmBinary });
    assert.deepEqual(fromBytes.convert(text), expected);
  }
  const elsewhere = mkdtempSync(join(tmpdir(), 'coord2seg-wasm-'));
  copyFileSync(join(folder, 'coord2seg-module.wasm'), join(elsewhere, 'renamed.wasm'));
  const asked = [];
  const located = await createConverter({
    locateFile: (name, scriptFolder) => {
      asked.push([name, scriptFolder]);
      return pathToFileURL(join(elsewhere, 'renamed.wasm'));
    },
  });
  assert.deepEqual(located.convert(text), expected);
  assert.deepEqual(asked, [['coord2seg-module.wasm', pathToFileURL(folder).href + '/']]);
  await assert.rejects(createConverter({ locateFile: () => join(elsewhere, 'none.wasm') }), {
    code: 'ENOENT',
  });
  await assert.rejects(createConverter({ locateFile: 'x.wasm' }), TypeError);
});

test('the tarball carries the licence and both entries', () => {
  const packed = spawnSync('npm', ['pack', '--dry-run', '--json'], { cwd: folder });
  assert.equal(packed.status, 0, packed.stderr.toString());
  const files = JSON.parse(packed.stdout)[0].files.map(({ path }) => path);
  for (const file of ['LICENSE', 'index.js', 'node.js', 'index.d.ts', 'coord2seg-module.wasm']) {
    assert.ok(files.includes(file), `${file} in ${files}`);
  }
  const manifest = JSON.parse(readFileSync(join(folder, 'package.json')));
  assert.equal(manifest.exports['.'].node, './node.js');
  assert.equal(manifest.exports['.'].default, './index.js');
});
