#!/usr/bin/python3
"""The page's conversion time in headless Chromium: median of RUNS conversions of FILE as the page
reports it in #status's data-ms (the conversion inside the worker, the file already in its
memory), served over HTTP on 127.0.0.1, as "page_ms=... mb_per_s=...".

usage: web_page_convert.py BUILD_WEB FILE [RUNS]
"""
import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'web', 'tests'))
from browser_test import Page, serve, start_browser  # noqa: E402


def main():
    build_web, path = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    browser = start_browser()
    try:
        page = Page(browser, serve(build_web) + 'index.html')
        times = []
        for _ in range(runs):
            assert page.pick(path) == 'done', page.element('status').text
            times.append(float(page.element('status').get_attribute('data-ms')))
    finally:
        browser.quit()
    median = statistics.median(times)
    print(f'page_ms={median:.1f} mb_per_s={os.path.getsize(path) / 1e6 / (median / 1e3):.0f}')


if __name__ == '__main__':
    main()
