#!/usr/bin/python3
"""Drives the page in headless Chromium, opened from disk and served over HTTP on 127.0.0.1:
picks files, waits for #status's data-state, reads the produced bytes back from the links and
compares them with the native programs' output. Exit status 77 (skipped) without Chromium,
unless CI is set.

usage: browser_test.py BUILD_WEB NATIVE_BUILD EXAMPLES [--screenshots DIR]
"""
import base64
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIPPED = 77


def start_browser():
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    for flag in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                 '--disable-background-networking', '--disable-component-update',
                 '--disable-sync', '--window-size=1280,1000'):
        options.add_argument(flag)
    options.add_argument('--user-data-dir=' + tempfile.mkdtemp(prefix='coord2seg-chromium-'))
    options.binary_location = shutil.which('chromium')
    return webdriver.Chrome(service=Service(shutil.which('chromedriver')), options=options)


def serve(folder):
    """A static server for `folder` on 127.0.0.1 and a free port; returns its base URL."""
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass
    handler = functools.partial(Quiet, directory=folder)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f'http://127.0.0.1:{server.server_address[1]}/'


class Page:
    def __init__(self, browser, url):
        self.browser = browser
        browser.get(url)
        assert self.wait_for(('ready', 'error')) == 'ready', self.element('status').text

    def element(self, element_id):
        return self.browser.find_element('id', element_id)

    def wait_for(self, states, seconds=120):
        deadline = time.time() + seconds
        while time.time() < deadline:
            state = self.element('status').get_attribute('data-state')
            if state in states:
                return state
            time.sleep(0.05)
        raise AssertionError(f'still {state} after {seconds} s')

    def pick(self, path, lat_first=False):
        if self.element('latfirst').is_selected() != lat_first:
            self.element('latfirst').click()
            self.wait_for(('done', 'error', 'ready'))
        self.browser.execute_script("document.getElementById('status').dataset.state = 'picked'")
        self.element('file').send_keys(path)
        return self.wait_for(('done', 'error'))

    def link_bytes(self, element_id):
        """The bytes behind a link, read back from its blob: URL."""
        link = self.element(element_id)
        assert link.is_displayed() and link.get_attribute('download'), element_id
        encoded = self.browser.execute_async_script("""
            const done = arguments[arguments.length - 1];
            fetch(arguments[0]).then((r) => r.arrayBuffer()).then((buffer) => {
              let text = '';
              new Uint8Array(buffer).forEach((byte) => { text += String.fromCharCode(byte); });
              done(btoa(text));
            }, (error) => done('!' + error));""", link.get_attribute('href'))
        assert not encoded.startswith('!'), encoded
        return base64.b64decode(encoded)


def native(program_dir, scratch, program, *args):
    run = subprocess.run([os.path.join(program_dir, program), *args], cwd=scratch,
                         capture_output=True)
    return run.stdout


def check_page(page, native_dir, scratch, examples, failures):
    def expect(what, got, wanted):
        if got != wanted:
            failures.append(f'{page.browser.current_url}: {what} differs from the native output')

    for name, lat_first in (('coast.txt', False), ('latfirst.txt', True), ('islands.txt', False)):
        path = os.path.join(scratch, name)
        shutil.copy(os.path.join(examples, name), path)
        state = page.pick(path, lat_first)
        expect(f'{name} state', state, 'done')
        expect(f'{name} data-ms', page.element('status').get_attribute('data-ms') is not None, True)
        native(native_dir, scratch, 'coord2seg', name, *(['-LATLON'] if lat_first else []))
        bin_name = name.replace('.txt', '.bin')
        expect(f'{name} download name', page.element('download').get_attribute('download'),
               bin_name)
        with open(os.path.join(scratch, bin_name), 'rb') as produced:
            expect(f'{name} segment file', page.link_bytes('download'), produced.read())
        report = native(native_dir, scratch, 'coordlint', name,
                        *(['-LATLON'] if lat_first else [])).decode()
        expect(f'{name} report', page.element('report').get_attribute('textContent'), report)
        previews = page.browser.find_elements('css selector', '#preview svg')
        expect(f'{name} preview', len(previews), 1)

    bin_path = os.path.join(scratch, 'islands.bin')
    expect('islands.bin state', page.pick(bin_path), 'done')
    expect('islands.bin text', page.link_bytes('text'),
           native(native_dir, scratch, 'segdump', 'islands.bin'))
    expect('islands.bin geojson', page.link_bytes('geojson'),
           native(native_dir, scratch, 'segdump', '--geojson', 'islands.bin'))
    expect('islands.bin check', page.element('report').get_attribute('textContent'),
           native(native_dir, scratch, 'segdump', '--check', 'islands.bin').decode())

    # GeoJSON: the bytes and messages of ogr2ogr with this build's plugin, where they are.
    plugin = os.path.join(native_dir, 'gdal_plugin')
    if shutil.which('ogr2ogr') and os.path.exists(os.path.join(plugin, 'ogr_SegmentFile.so')):
        lines = ','.join(f'[{i % 360 - 180}.25, {i % 170 - 85}.5, 3]' for i in range(3000))
        with open(os.path.join(scratch, 'lines.geojson'), 'w') as out:
            out.write('{"type": "FeatureCollection", "features": [{"type": "Feature", '
                      '"properties": {"name": "x"}, "geometry": {"type": "MultiLineString", '
                      f'"coordinates": [[{lines}], [[1, 2], [1.001, 2.001]]]}}}}]}}')
        expect('lines.geojson state', page.pick(os.path.join(scratch, 'lines.geojson')), 'done')
        run = subprocess.run(['ogr2ogr', '-f', 'SegmentFile', 'lines.bin', 'lines.geojson'],
                             cwd=scratch, capture_output=True,
                             env={**os.environ, 'GDAL_DRIVER_PATH': plugin})
        with open(os.path.join(scratch, 'lines.bin'), 'rb') as produced:
            expect('lines.geojson segment file', page.link_bytes('download'), produced.read())
        expect('lines.geojson messages', page.element('report').get_attribute('textContent'),
               run.stderr.decode())
    elif os.environ.get('CI'):
        failures.append('no ogr2ogr or SegmentFile plugin to compare GeoJSON with')

    # Bad input: an error in #status, and the page goes on working.
    with open(bin_path, 'rb') as whole:
        damaged = whole.read()[:-3]
    bad = {'damaged.bin': damaged, 'picture.png': b'\x89PNG\r\n\x1a\n\0\0\0\rIHDR' + bytes(64),
           'broken.geojson': b'{"type": "FeatureCollection", "features": [ '}
    for name, data in bad.items():
        with open(os.path.join(scratch, name), 'wb') as out:
            out.write(data)
        expect(f'{name} state', page.pick(os.path.join(scratch, name)), 'error')
        if page.element('status').text == '':
            failures.append(f'{name}: no message')
    expect('after bad input', page.pick(os.path.join(scratch, 'coast.txt')), 'done')


def check_package_in_browser(browser, native_dir, scratch, failures):
    """The npm package folder, imported by the page's origin as a browser program would."""
    segments = browser.execute_async_script("""
        const done = arguments[arguments.length - 1];
        import('./package/index.js').then((m) => m.default()).then((converter) => {
          const bytes = converter.convert(new TextEncoder().encode(arguments[0]));
          done(Array.from(bytes));
        }, (error) => done(String(error)));""", '12.5 48.25\n13 49\n#\n-190 10\n')
    with open(os.path.join(scratch, 'package.txt'), 'w') as out:
        out.write('12.5 48.25\n13 49\n#\n-190 10\n')
    native(native_dir, scratch, 'coord2seg', 'package.txt')
    with open(os.path.join(scratch, 'package.bin'), 'rb') as produced:
        if segments != list(produced.read()):
            failures.append(f'the package in the browser: {segments}')


def main():
    build_web, native_dir, examples = (os.path.abspath(p) for p in sys.argv[1:4])
    if not os.path.exists(os.path.join(native_dir, 'segdump')):
        print(f'no native programs in {native_dir}: build them with the default preset')
        return 1 if os.environ.get('CI') else SKIPPED
    screenshots = sys.argv[5] if len(sys.argv) > 5 and sys.argv[4] == '--screenshots' else None
    try:
        browser = start_browser()
    except Exception as error:  # no selenium, chromium or chromedriver
        print(f'no headless Chromium: {error}')
        return 1 if os.environ.get('CI') else SKIPPED
    failures = []
    try:
        scratch = tempfile.mkdtemp(prefix='coord2seg-page-')
        urls = ('file://' + os.path.join(build_web, 'index.html'), serve(build_web) + 'index.html')
        for url in urls:
            page = Page(browser, url)
            check_page(page, native_dir, scratch, examples, failures)
            if url.startswith('http'):
                check_package_in_browser(browser, native_dir, scratch, failures)
            if screenshots:
                kind = 'file' if url.startswith('file') else 'http'
                page.pick(os.path.join(scratch, 'islands.txt'))
                browser.save_screenshot(os.path.join(screenshots, f'page-{kind}.png'))
        shutil.rmtree(scratch)
    finally:
        browser.quit()
    for failure in failures:
        print(failure)
    print('page: all checks passed' if not failures else f'page: {len(failures)} failures')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
