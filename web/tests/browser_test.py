#!/usr/bin/python3
# The web page in headless Chromium and WebKit against the native programs.
# SPDX-License-Identifier: MIT
"""Drives the page in a browser: the one-file page copied alone into an empty folder and opened
from disk, and the page's folder served over HTTP on 127.0.0.1. Picks and drops files, waits for
#status's data-state, reads the produced bytes back from the links and compares them with the
native programs' output. In headless Chromium it also runs sequences of clicks during a job, files
of every kind, the advice on each trap and the layout at 1280 and 390 pixels; with
`--engine webkit` it runs the conversions in WebKit (WebKitWebDriver, on a virtual screen when
there is none). Exit status 77 (skipped) without the browser, unless CI is set.

usage: browser_test.py BUILD_WEB NATIVE_BUILD EXAMPLES [--engine chromium|webkit]
                       [--screenshots DIR]
"""
import argparse
import base64
import functools
import http.server
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIPPED = 77
WEBKIT_BROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser'


def start_browser(engine='chromium'):
    from selenium import webdriver
    if engine == 'webkit':
        from selenium.webdriver.webkitgtk.options import Options
        options = Options()
        options.binary_location = WEBKIT_BROWSER
        options.add_argument('--automation')
        return webdriver.WebKitGTK(executable_path=shutil.which('WebKitWebDriver'),
                                   options=options)
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

    def state(self):
        return self.element('status').get_attribute('data-state')

    def status(self):
        return self.element('status').get_attribute('textContent')

    def wait_for(self, states, seconds=120):
        deadline = time.time() + seconds
        while time.time() < deadline:
            state = self.state()
            if state in states:
                return state
            time.sleep(0.02)
        raise AssertionError(f'still {state} after {seconds} s')

    def set_lat_first(self, lat_first):
        if self.element('latfirst').is_selected() != lat_first:
            self.element('latfirst').click()
            self.wait_for(('done', 'error', 'ready'))

    def choose(self, path):
        """Chooses a file without waiting for the answer."""
        self.browser.execute_script("document.getElementById('status').dataset.state = 'picked'")
        self.element('file').send_keys(path)

    def pick(self, path, lat_first=False):
        self.set_lat_first(lat_first)
        self.choose(path)
        return self.wait_for(('done', 'error'))

    def drop(self, name, data):
        """Drops a file of `name` holding `data` on the drop box, as a file manager would."""
        self.browser.execute_script("""
            const bytes = Uint8Array.from(atob(arguments[1]), (c) => c.charCodeAt(0));
            const transfer = new DataTransfer();
            transfer.items.add(new File([bytes], arguments[0]));
            const drop = document.getElementById('drop');
            drop.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true,
                                                       cancelable: true }));""",
                                    name, base64.b64encode(data).decode())

    def shown_links(self):
        return {link.get_attribute('id') for link in
                self.browser.find_elements('css selector', '.downloads a') if link.is_displayed()}

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


class Native:
    """The native programs, run in a scratch folder."""
    def __init__(self, program_dir, scratch):
        self.program_dir, self.scratch = program_dir, scratch

    def run(self, program, *args):
        return subprocess.run([os.path.join(self.program_dir, program), *args], cwd=self.scratch,
                              capture_output=True).stdout

    def write(self, name, data):
        path = os.path.join(self.scratch, name)
        with open(path, 'wb') as out:
            out.write(data)
        return path

    def segments(self, name, lat_first=False):
        """coord2seg's output for the file `name` in the scratch folder."""
        self.run('coord2seg', name, *(['-LATLON'] if lat_first else []))
        with open(os.path.join(self.scratch, os.path.splitext(name)[0] + '.bin'), 'rb') as out:
            return out.read()

    def report(self, name, lat_first=False):
        return self.run('coordlint', name, *(['-LATLON'] if lat_first else [])).decode()


class Checks:
    def __init__(self, page, native):
        self.page, self.native, self.failures = page, native, []

    def expect(self, what, got, wanted):
        if got != wanted:
            shown = (lambda v: repr(v)[:200])
            self.failures.append(f'{self.page.browser.current_url}: {what}: got {shown(got)}, '
                                 f'wanted {shown(wanted)}')

    def expect_text(self, name, lat_first=False, status_has=None):
        """The page shows coord2seg's bytes and coordlint's report for the text `name`, and
        #status names it."""
        page = self.page
        self.expect(f'{name} state', page.state(), 'done')
        self.expect(f'{name} named in #status', page.status().split(' ')[1], name)
        bin_name = os.path.splitext(name)[0] + '.bin'
        self.expect(f'{name} download name', page.element('download').get_attribute('download'),
                    bin_name)
        self.expect(f'{name} segment file', page.link_bytes('download'),
                    self.native.segments(name, lat_first))
        self.expect(f'{name} report', page.element('report').get_attribute('textContent'),
                    self.native.report(name, lat_first))
        self.expect(f'{name} links', page.shown_links(), {'download', 'map-download'})
        if status_has:
            self.expect(f'{name} status says {status_has!r}', status_has in page.status(), True)


def check_conversions(checks, examples):
    """Every kind of file the page reads, against the native programs."""
    page, native, expect = checks.page, checks.native, checks.expect
    for name, lat_first in (('coast.txt', False), ('latfirst.txt', True), ('islands.txt', False)):
        shutil.copy(os.path.join(examples, name), native.scratch)
        page.pick(os.path.join(native.scratch, name), lat_first)
        checks.expect_text(name, lat_first)
        expect(f'{name} data-ms', page.element('status').get_attribute('data-ms') is not None, True)
        expect(f'{name} preview', len(page.browser.find_elements('css selector', '#preview svg')),
               1)

    bin_path = os.path.join(native.scratch, 'islands.bin')
    expect('islands.bin state', page.pick(bin_path), 'done')
    expect('islands.bin text', page.link_bytes('text'), native.run('segdump', 'islands.bin'))
    expect('islands.bin geojson', page.link_bytes('geojson'),
           native.run('segdump', '--geojson', 'islands.bin'))
    expect('islands.bin check', page.element('report').get_attribute('textContent'),
           native.run('segdump', '--check', 'islands.bin').decode())

    # GeoJSON: the bytes and messages of ogr2ogr with this build's plugin, where they are.
    plugin = os.path.join(native.program_dir, 'gdal_plugin')
    if shutil.which('ogr2ogr') and os.path.exists(os.path.join(plugin, 'ogr_SegmentFile.so')):
        lines = ','.join(f'[{i % 360 - 180}.25, {i % 170 - 85}.5, 3]' for i in range(3000))
        native.write('lines.geojson', (
            '{"type": "FeatureCollection", "features": [{"type": "Feature", '
            '"properties": {"name": "x"}, "geometry": {"type": "MultiLineString", '
            f'"coordinates": [[{lines}], [[1, 2], [1.001, 2.001]]]}}}}]}}').encode())
        expect('lines.geojson state', page.pick(os.path.join(native.scratch, 'lines.geojson')),
               'done')
        run = subprocess.run(['ogr2ogr', '-f', 'SegmentFile', 'lines.bin', 'lines.geojson'],
                             cwd=native.scratch, capture_output=True,
                             env={**os.environ, 'GDAL_DRIVER_PATH': plugin})
        with open(os.path.join(native.scratch, 'lines.bin'), 'rb') as produced:
            expect('lines.geojson segment file', page.link_bytes('download'), produced.read())
        expect('lines.geojson messages', page.element('report').get_attribute('textContent'),
               run.stderr.decode())
    elif os.environ.get('CI'):
        checks.failures.append('no ogr2ogr or SegmentFile plugin to compare GeoJSON with')

    # Refused: an error in #status that names the file, no link, and the page goes on working.
    with open(bin_path, 'rb') as whole:
        native.write('damaged.bin', whole.read()[:-3])
    native.write('broken.geojson', b'{"type": "FeatureCollection", "features": [ ')
    for name in ('damaged.bin', 'broken.geojson'):
        expect(f'{name} state', page.pick(os.path.join(native.scratch, name)), 'error')
        expect(f'{name} named', name in page.status(), True)
        expect(f'{name} links', page.shown_links(), set())
    expect('after bad input', page.pick(os.path.join(native.scratch, 'coast.txt')), 'done')


def check_texts(checks, examples):
    """Whatever is not named .bin, .json or .geojson and is no segment file converts as
    coordinate text, as coord2seg converts it; binary bytes bring a warning."""
    page, native, expect = checks.page, checks.native, checks.expect
    with open(os.path.join(examples, 'coast.txt'), 'rb') as text:
        coast = text.read()
    png = b'\x89PNG\r\n\x1a\n\0\0\0\rIHDR' + bytes(64)
    table = [  # name, bytes, warned, words in #status
        ('nul.txt', b'12.5 48.25\n\0\n13 49\n' + coast, True, 'bytes that text does not'),
        ('controls.txt', b'\x01\x02\x1b junk\n12 48\n13 49\n', True, 'line dropped'),
        ('late-nul.txt', coast * 200 + b'\0\n1 2\n', True, 'bytes that text does not'),
        ('picture.png', png, True, 'no point was kept'),
        ('empty.txt', b'', True, 'no point was kept'),
        ('coast.csv', coast, True, 'lines dropped'),
        ('clean.txt', b'12.5 48.25\n13 49\n#\n-190 10\n', False, 'Converted clean.txt in'),
    ]
    for name, data, warned, words in table:
        page.pick(native.write(name, data))
        checks.expect_text(name, status_has=words)
        expect(f'{name} warning', 'warning' in page.element('status').get_attribute('class'),
               warned)
    # A segment file under another name is read as one.
    shutil.copy(os.path.join(native.scratch, 'islands.bin'),
                os.path.join(native.scratch, 'records.dat'))
    expect('records.dat state', page.pick(os.path.join(native.scratch, 'records.dat')), 'done')
    expect('records.dat text', page.link_bytes('text'), native.run('segdump', 'records.dat'))
    # GeoJSON under a text's name is text, with a button that reads it as GeoJSON.
    feature = b'{"type": "Feature", "properties": {}, "geometry": {"type": "LineString", ' \
              b'"coordinates": [[12.5, 48.25], [13, 49]]}}'
    page.pick(native.write('feature.txt', feature))
    checks.expect_text('feature.txt', status_has='no point was kept')
    page.browser.find_element('xpath', "//*[@id='advice']//button[contains(., 'GeoJSON')]").click()
    expect('feature.txt as GeoJSON', page.wait_for(('done', 'error')), 'done')
    expect('feature.txt as GeoJSON title', page.element('report-title').text, 'ogr2ogr messages')
    shutil.copy(os.path.join(native.scratch, 'feature.txt'),
                os.path.join(native.scratch, 'feature.geojson'))
    page.pick(os.path.join(native.scratch, 'feature.geojson'))
    feature_segments = page.link_bytes('download')
    page.pick(os.path.join(native.scratch, 'feature.txt'))
    page.browser.find_element('xpath', "//*[@id='advice']//button[contains(., 'GeoJSON')]").click()
    page.wait_for(('done', 'error'))
    expect('feature.txt as GeoJSON bytes', page.link_bytes('download'), feature_segments)


def check_advice(checks, examples):
    """The page's own advice beside coordlint's report, and its buttons."""
    page, native, expect = checks.page, checks.native, checks.expect

    def advice():
        return page.element('advice').get_attribute('textContent')

    def press(words):
        page.browser.find_element(
            'xpath', f"//*[@id='advice']//button[contains(., '{words}')]").click()
        return page.wait_for(('done', 'error'))

    body = b'12.5 48.25\n13 49\n#\n1 2\n'
    page.pick(native.write('bom.txt', b'\xef\xbb\xbf' + body))
    checks.expect_text('bom.txt', status_has='1 line dropped')
    expect('bom.txt advice', 'byte-order mark: its first line is lost' in advice(), True)
    expect('bom.txt button', press('without the mark'), 'done')
    expect('bom.txt without the mark', 'without its byte-order mark' in page.status(), True)
    unmarked = tempfile.mkdtemp(dir=native.scratch)
    with open(os.path.join(unmarked, 'bom.txt'), 'wb') as out:
        out.write(body)
    expect('bom.txt without the mark, bytes', page.link_bytes('download'),
           Native(native.program_dir, unmarked).segments('bom.txt'))
    expect('bom.txt without the mark, no advice', 'byte-order mark' in advice(), False)

    shutil.copy(os.path.join(examples, 'latfirst.txt'), native.scratch)
    page.pick(os.path.join(native.scratch, 'latfirst.txt'))
    expect('latfirst.txt advice', 'tick Latitude first' in advice(), True)
    expect('latfirst.txt button', press('Tick Latitude first'), 'done')
    expect('latfirst.txt ticked', page.element('latfirst').is_selected(), True)
    checks.expect_text('latfirst.txt', lat_first=True)
    page.set_lat_first(False)

    page.pick(native.write('commas.txt', b'12,5, 48,25\n13,5, 49\n'))
    checks.expect_text('commas.txt', status_has='no point was kept')
    expect('commas.txt advice', 'Commas are decimal marks here' in advice(), True)
    expect('commas.txt count', '2 lines dropped' in page.status(), True)


def generated_text(points, seed):
    """A coordinate text of `points` points in segments of about ten."""
    rng = random.Random(seed)
    lines = []
    for i in range(points):
        if i % 10 == 0:
            lines.append('#')
        lines.append(f'{rng.uniform(-180, 180):.6f} {rng.uniform(-90, 90):.6f}')
    return ('\n'.join(lines) + '\n').encode()


def check_sequences(checks):
    """A new file, a drop, the switch or a refused file while a job runs: the job in hand stops,
    and what is shown belongs to the last choice alone, also once the stopped job would have
    ended."""
    page, native, expect = checks.page, checks.native, checks.expect
    big = native.write('big.txt', generated_text(700_000, 1))
    small_data = b'12.5 48.25\n13 49\n#\n-190 10\n'
    small = native.write('small.txt', small_data)
    native.segments('big.txt')
    shutil.copy(os.path.join(native.scratch, 'big.bin'),
                os.path.join(native.scratch, 'big-records.bin'))
    with open(os.path.join(native.scratch, 'islands.bin'), 'rb') as whole:
        native.write('damaged.bin', whole.read()[:-3])

    def settle(what):
        state = page.wait_for(('done', 'error'))
        time.sleep(1.0)  # room for a late answer of the stopped job
        expect(f'{what}: state stays', page.state(), state)
        return state

    for first in (big, os.path.join(native.scratch, 'big-records.bin')):
        for delay in (0, 0.05, 0.3):
            what = f'{os.path.basename(first)}, then small.txt after {delay} s'
            page.choose(first)
            time.sleep(delay)
            page.choose(small)
            expect(f'{what}: state and status agree',
                   (page.state() in ('working', 'done'), 'small.txt' in page.status()),
                   (True, True))
            settle(what)
            checks.expect_text('small.txt')

    page.choose(big)
    time.sleep(0.1)
    page.element('latfirst').click()
    settle('the switch during a job')
    checks.expect_text('big.txt', lat_first=True)
    page.set_lat_first(False)

    for delay in (0, 0.2):
        page.choose(big)
        time.sleep(delay)
        page.drop('dropped.txt', small_data + b'1 1\n')
        settle(f'a drop after {delay} s')
        native.write('dropped.txt', small_data + b'1 1\n')
        checks.expect_text('dropped.txt')

    page.choose(big)
    time.sleep(0.1)
    page.choose(os.path.join(native.scratch, 'damaged.bin'))
    expect('a refused file during a job', settle('a refused file during a job'), 'error')
    expect('the refused file named', 'damaged.bin' in page.status(), True)
    expect('no link after the refusal', page.shown_links(), set())

    page.choose(os.path.join(native.scratch, 'damaged.bin'))
    page.choose(small)
    settle('a file right after a refused one')
    checks.expect_text('small.txt')


def check_layout(checks, screenshots):
    """The map and the card at a desktop's and a phone's width: nothing sticks out, the map is
    labelled in degrees and named, the progress bar labelled."""
    page, native, expect = checks.page, checks.native, checks.expect
    browser = page.browser
    for width, height in ((1280, 1000), (390, 844)):
        browser.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
            'width': width, 'height': height, 'deviceScaleFactor': 1, 'mobile': width < 500})
        page.pick(os.path.join(native.scratch, 'islands.txt'))
        where = f'at {width} px'
        overflow = browser.execute_script("""
            const card = document.querySelector('.input').getBoundingClientRect();
            const out = [];
            if (document.documentElement.scrollWidth > document.documentElement.clientWidth)
              out.push('page');
            for (const id of ['drop', 'status', 'advice', 'file']) {
              const box = document.getElementById(id).getBoundingClientRect();
              if (box.width && (box.left < card.left || box.right > card.right)) out.push(id);
            }
            for (const element of document.querySelectorAll('.downloads a, figure, #preview svg')) {
              const box = element.getBoundingClientRect();
              if (box.width && box.right > document.documentElement.clientWidth)
                out.push(element.id || element.tagName);
            }
            return out;""")
        expect(f'overflow {where}', overflow, [])
        svg = browser.find_element('css selector', '#preview svg')
        expect(f'map name {where}', (svg.get_attribute('role'),
                                     'islands.txt' in (svg.get_attribute('aria-label') or '')),
               ('img', True))
        labels = [label.get_attribute('textContent')
                  for label in browser.find_elements('css selector', '#preview svg text')]
        expect(f'degree labels {where}', len([t for t in labels if '°' in t]) >= 4, True)
        expect(f'map download {where}', page.link_bytes('map-download').startswith(b'<svg'), True)
        expect(f'progress label {where}', bool(page.element('progress').get_attribute('aria-label')),
               True)
        if screenshots:
            shot = browser.execute_cdp_cmd('Page.captureScreenshot', {'captureBeyondViewport': True})
            with open(os.path.join(screenshots, f'page-{width}.png'), 'wb') as out:
                out.write(base64.b64decode(shot['data']))
    browser.execute_cdp_cmd('Emulation.clearDeviceMetricsOverride', {})

    # Sparse data is framed closely: every label lies within a degree of the points.
    page.pick(native.write('local.txt', b'12.5 48.25\n13 49\n#\n12.7 48.6\n'))
    for label in browser.find_elements('css selector', '#preview svg text'):
        text = label.get_attribute('textContent')
        degrees, _, rest = text.partition('\u00b0')
        minutes = rest.partition('\u2032')[0] if '\u2032' in rest else '0'
        value = int(degrees) + int(minutes) / 60
        near = (11.5 <= value <= 14) if text.endswith('E') else (47.5 <= value <= 50)
        expect(f'local.txt map label {text}', near and text[-1] in 'EN', True)


def check_package_in_browser(checks):
    """The npm package folder, imported by the page's origin as a browser program would."""
    browser, native = checks.page.browser, checks.native
    text = '12.5 48.25\n13 49\n#\n-190 10\n'
    segments = browser.execute_async_script("""
        const done = arguments[arguments.length - 1];
        import('./package/index.js').then((m) => m.default()).then((converter) => {
          const bytes = converter.convert(new TextEncoder().encode(arguments[0]));
          done(Array.from(bytes));
        }, (error) => done(String(error)));""", text)
    native.write('package.txt', text.encode())
    checks.expect('the package in the browser', bytes(segments) if isinstance(segments, list)
                  else segments, native.segments('package.txt'))


def lone_page(build_web):
    """The one-file page, copied alone into an empty folder."""
    folder = tempfile.mkdtemp(prefix='coord2seg-lone-')
    shutil.copy(os.path.join(build_web, 'coord2seg.html'), folder)
    return 'file://' + os.path.join(folder, 'coord2seg.html')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('build_web')
    parser.add_argument('native_dir')
    parser.add_argument('examples')
    parser.add_argument('--engine', choices=('chromium', 'webkit'), default='chromium')
    parser.add_argument('--screenshots')
    args = parser.parse_args()
    build_web, native_dir, examples = (os.path.abspath(p) for p in
                                       (args.build_web, args.native_dir, args.examples))
    unable = 1 if os.environ.get('CI') else SKIPPED
    if not os.path.exists(os.path.join(native_dir, 'segdump')):
        print(f'no native programs in {native_dir}: build them with the default preset')
        return unable
    if args.engine == 'webkit' and not os.environ.get('DISPLAY'):
        if not shutil.which('xvfb-run'):
            print('no screen for WebKit, and no xvfb-run')
            return unable
        os.execvp('xvfb-run', ['xvfb-run', '-a', sys.executable, *sys.argv])
    try:
        browser = start_browser(args.engine)
    except Exception as error:  # no selenium, browser or driver
        print(f'no {args.engine}: {error}')
        return unable
    failures = []
    started = time.time()
    try:
        scratch = tempfile.mkdtemp(prefix='coord2seg-page-')
        native = Native(native_dir, scratch)
        checks = Checks(Page(browser, lone_page(build_web)), native)
        check_conversions(checks, examples)
        if args.engine == 'chromium':
            check_texts(checks, examples)
            check_advice(checks, examples)
            check_sequences(checks)
            check_layout(checks, args.screenshots)
            # The separate files opened from disk name the page in one file.
            browser.get('file://' + os.path.join(build_web, 'index.html'))
            checks.expect('index.html from disk', (checks.page.wait_for(('ready', 'error')),
                                                   'coord2seg.html' in checks.page.status()),
                          ('error', True))
            # The page as separate files over HTTP, and the package beside it.
            checks.page = Page(browser, serve(build_web) + 'index.html')
            check_conversions(checks, examples)
            check_package_in_browser(checks)
        failures = checks.failures
        shutil.rmtree(scratch)
    finally:
        browser.quit()
    for failure in failures:
        print(failure)
    verdict = 'all checks passed' if not failures else f'{len(failures)} failures'
    print(f'page in {args.engine}: {verdict} ({time.time() - started:.0f} s)')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
