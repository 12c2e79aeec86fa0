#!/usr/bin/python3
# Times the web page's conversion of a file in headless Chromium.
# SPDX-License-Identifier: MIT
"""The page's times in headless Chromium on FILE, medians of RUNS choices of it, the page in one
file opened from disk: the module's own time (#status's data-module-ms, the conversion inside the
worker with the file already in its memory), the time from choosing the file to `done` as the
page measures it (data-ms: reading, converting, the report, the map; links ready), and that time
as seen from outside up to the next painted frame. Prints
"page_module_ms=... page_done_ms=... page_painted_ms=...".

usage: web_page_convert.py BUILD_WEB FILE [RUNS]
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'web', 'tests'))
from browser_test import Page, lone_page, start_browser  # noqa: E402

NEXT_FRAME = """
    const done = arguments[arguments.length - 1];
    requestAnimationFrame(() => requestAnimationFrame(() => done()));"""


def main():
    build_web, path = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    browser = start_browser()
    browser.set_script_timeout(120)
    module, done, painted = [], [], []
    try:
        page = Page(browser, lone_page(build_web))
        for _ in range(runs):
            started = time.perf_counter()
            page.choose(path)
            while page.state() not in ('done', 'error'):
                time.sleep(0.005)
            browser.execute_async_script(NEXT_FRAME)
            painted.append((time.perf_counter() - started) * 1000)
            assert page.state() == 'done', page.status()
            status = page.element('status')
            module.append(float(status.get_attribute('data-module-ms')))
            done.append(float(status.get_attribute('data-ms')))
    finally:
        browser.quit()
    print(f'page_module_ms={statistics.median(module):.0f} '
          f'page_done_ms={statistics.median(done):.0f} '
          f'page_painted_ms={statistics.median(painted):.0f}')


if __name__ == '__main__':
    main()
