#!/usr/bin/python3
# The packed package as a JavaScript program uses it: type-checked by tsc --strict, bundled by
# esbuild for the browser (ESM and IIFE) and run in headless Chromium, byte for byte as coord2seg.
# SPDX-License-Identifier: MIT
"""Packs BUILD_WEB/package, installs the tarball into a scratch app, checks a TypeScript program
against index.d.ts with tsc --strict, bundles a small app with esbuild (ESM with the .wasm beside
the bundle, IIFE finding it beside its script, IIFE told by locateFile, ESM handed wasmBinary),
loads each in headless Chromium over HTTP and compares what each converts with the native
coord2seg's files. esbuild and typescript come from the npm registry into BUILD_WEB/npm-tools,
once. Exit status 77 (skipped) without Chromium, the native coord2seg or the npm registry, unless
CI is set.

usage: bundle_test.py BUILD_WEB NATIVE_BUILD EXAMPLES
"""
import base64
import glob
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

from browser_test import serve, start_browser  # the page test's Chromium and server

SKIPPED = 77

APP = """
import createConverter from 'coord2seg';

const fromBase64 = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
const toBase64 = (bytes) => btoa(Array.from(bytes, (b) => String.fromCharCode(b)).join(''));

// Converts each input with the options the page set, and names the code of a damaged file's error.
window.runConverter = async (inputs) => {
  const options = { ...(window.converterOptions ?? {}) };
  if (window.wasmBinaryUrl) {
    options.wasmBinary = await (await fetch(window.wasmBinaryUrl)).arrayBuffer();
  }
  const converter = await createConverter(options);
  const outputs = inputs.map(({ text, latFirst }) =>
    toBase64(converter.convert(fromBase64(text), { latFirst })));
  let damage = 'none';
  try {
    converter.dump(Uint8Array.of(1, 0, 0, 0, 7, 1, 2, 3, 4), 'check');
  } catch (error) {
    damage = `${error.code} ${error.offset}`;
  }
  converter.dispose();
  return { outputs, damage };
};
"""

TYPED = """
import createConverter, { Coord2segError, wasmFileName } from 'coord2seg';
import type { Converter, ErrorCode, GeoJsonResult } from 'coord2seg';

const converter: Converter = await createConverter({
  locateFile: (name: string, folder: string) => new URL(name, folder),
});
await createConverter({ wasmBinary: new Uint8Array(8) });
await createConverter({ wasmBinary: new ArrayBuffer(8) });
const out: Uint8Array = converter.convert(new TextEncoder().encode('12.5 48.25\\n'));
const check: string = converter.dump(out.buffer, 'check', { name: 'a.bin' });
const shared: ArrayBufferLike = new SharedArrayBuffer(4);
converter.lint(shared, { name: 'x.txt', latFirst: true });
converter.convert(new DataView(out.buffer), { latFirst: false });
const result: GeoJsonResult = converter.fromGeoJson(new Int8Array(2), { name: 'x.geojson' });
try {
  converter.dump(out.subarray(0, 3), 'svg', { fit: true, width: 640 });
} catch (error) {
  if (error instanceof Coord2segError) {
    const code: ErrorCode = error.code;
    const offset: number | undefined = error.offset;
    console.log(code, offset, check, result.stopped, wasmFileName.length);
  }
}
// @ts-expect-error a string is not bytes
converter.convert('12.5 48.25\\n');
// @ts-expect-error nor is undefined
converter.convert(undefined);
// @ts-expect-error no such format
converter.dump(out, 'pdf');
converter.dispose();
"""

PAGE = """<!doctype html><meta charset="utf-8"><title>bundle</title>
<script>{options}</script>
<script {kind} src="{bundle}"></script>
"""

# Each way in: the bundle, its format, where the .wasm is put, and what the page tells the package.
WAYS = [
    ('esm', 'esm', 'esm/coord2seg-module.wasm', ''),
    ('iife', 'iife', 'iife/coord2seg-module.wasm', ''),
    ('iife-located', 'iife', 'assets/module.wasm',
     "window.converterOptions = { locateFile: (name) => 'assets/module.wasm' };"),
    ('esm-bytes', 'esm', 'assets/module.wasm', "window.wasmBinaryUrl = 'assets/module.wasm';"),
]


def unavailable(why):
    print(why)
    sys.exit(1 if os.environ.get('CI') else SKIPPED)


def run(command, cwd, **kwargs):
    done = subprocess.run(command, cwd=cwd, capture_output=True, text=True, **kwargs)
    assert done.returncode == 0, f'{" ".join(command)}: {done.stdout}{done.stderr}'
    return done


def npm_tools(build_web):
    """esbuild and typescript from the npm registry, installed once into the build folder."""
    tools = os.path.join(build_web, 'npm-tools')
    bins = [os.path.join(tools, 'node_modules', '.bin', name) for name in ('esbuild', 'tsc')]
    if not all(os.path.exists(path) for path in bins):
        os.makedirs(tools, exist_ok=True)
        with open(os.path.join(tools, 'package.json'), 'w') as manifest:
            manifest.write('{"name": "coord2seg-test-tools", "private": true}\n')
        done = subprocess.run(
            ['npm', 'install', '--no-audit', '--no-fund', 'esbuild', 'typescript'],
            cwd=tools, capture_output=True, text=True)
        if done.returncode != 0:
            unavailable(f'cannot install esbuild and typescript from npm: {done.stderr[-500:]}')
    return bins


def text_inputs(examples):
    """The examples and a generated text of 0 to 17 decimals, each with its latitude-first flag."""
    inputs = [(open(path, 'rb').read(), os.path.basename(path).startswith('latfirst'))
              for path in sorted(glob.glob(os.path.join(examples, '*.txt')))]
    rng = random.Random(29)
    lines = []
    for _ in range(3000):
        if rng.random() < 0.05:
            lines.append('#')
            continue
        digits = rng.randint(0, 17)
        lines.append(' '.join(f'{rng.uniform(-180, 180):.{digits}f}' for _ in range(2)))
    inputs.append(('\n'.join(lines).encode() + b'\n', False))
    return inputs


def native_outputs(native, inputs, scratch):
    outputs = []
    for index, (data, lat_first) in enumerate(inputs):
        path = os.path.join(scratch, f'input{index}.txt')
        with open(path, 'wb') as f:
            f.write(data)
        run([os.path.join(native, 'coord2seg'), path] + (['-LATLON'] if lat_first else []), scratch)
        outputs.append(open(path[:-4] + '.bin', 'rb').read())
    return outputs


def main():
    build_web, native, examples = (os.path.abspath(arg) for arg in sys.argv[1:4])
    if not os.path.exists(os.path.join(native, 'coord2seg')):
        unavailable(f'no native coord2seg in {native}: build it with the default preset')
    try:
        import selenium  # noqa: F401
    except ImportError:
        unavailable('no selenium for Python')
    if not shutil.which('chromium') or not shutil.which('chromedriver'):
        unavailable('no chromium or chromedriver')
    esbuild, tsc = npm_tools(build_web)

    scratch = tempfile.mkdtemp(prefix='coord2seg-bundle-')
    tarball = run(['npm', 'pack', '--silent', '--pack-destination', scratch],
                  os.path.join(build_web, 'package')).stdout.split()[-1]
    app = os.path.join(scratch, 'app')
    os.makedirs(app)
    with open(os.path.join(app, 'package.json'), 'w') as manifest:
        manifest.write('{"name": "app", "private": true, "type": "module"}\n')
    run(['npm', 'install', '--no-audit', '--no-fund', os.path.join(scratch, tarball)], app)

    with open(os.path.join(app, 'typed.ts'), 'w') as f:
        f.write(TYPED)
    run([tsc, '--strict', '--noEmit', '--target', 'es2022', '--module', 'esnext',
         '--moduleResolution', 'bundler', '--lib', 'es2022,dom', 'typed.ts'], app)
    print('tsc --strict: the typed program checks')

    with open(os.path.join(app, 'main.js'), 'w') as f:
        f.write(APP)
    site = os.path.join(scratch, 'site')
    wasm = os.path.join(app, 'node_modules', 'coord2seg', 'coord2seg-module.wasm')
    for format_ in ('esm', 'iife'):
        bundle = os.path.join(site, format_, 'bundle.js')
        run([esbuild, 'main.js', '--bundle', f'--format={format_}', '--platform=browser',
             '--log-level=error', f'--outfile={bundle}'], app)
        text = open(bundle).read()
        assert 'node:' not in text and 'require(' not in text, f'{format_}: a Node built-in'
    for name, format_, wasm_place, options in WAYS:
        os.makedirs(os.path.dirname(os.path.join(site, wasm_place)), exist_ok=True)
        shutil.copyfile(wasm, os.path.join(site, wasm_place))
        kind = 'type="module"' if format_ == 'esm' else ''
        with open(os.path.join(site, f'{name}.html'), 'w') as f:
            f.write(PAGE.format(options=options, kind=kind, bundle=f'{format_}/bundle.js'))

    inputs = text_inputs(examples)
    expected = native_outputs(native, inputs, scratch)
    encoded = [{'text': base64.b64encode(data).decode(), 'latFirst': lat_first}
               for data, lat_first in inputs]
    url = serve(site)
    browser = start_browser()
    failures = 0
    try:
        browser.set_script_timeout(120)
        for name, _, _, _ in WAYS:
            browser.get(f'{url}{name}.html')
            deadline = time.time() + 30
            while not browser.execute_script('return typeof window.runConverter === "function"'):
                assert time.time() < deadline, f'{name}: the bundle did not load'
                time.sleep(0.05)
            answer = browser.execute_async_script(
                'const done = arguments[arguments.length - 1];'
                'window.runConverter(arguments[0]).then(done, (e) => done({error: String(e)}));',
                encoded)
            if 'error' in answer:
                print(f'{name}: {answer["error"]}')
                failures += 1
                continue
            got = [base64.b64decode(output) for output in answer['outputs']]
            wrong = [index for index, (a, b) in enumerate(zip(got, expected)) if a != b]
            if wrong or len(got) != len(expected) or answer['damage'] != 'damaged 4':
                print(f'{name}: inputs {wrong} differ, damage "{answer["damage"]}"')
                failures += 1
            else:
                print(f'{name}: {len(got)} inputs as coord2seg, byte for byte')
    finally:
        browser.quit()
    if failures == 0:
        shutil.rmtree(scratch)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
