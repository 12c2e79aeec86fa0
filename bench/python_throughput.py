#!/usr/bin/env python3
# Python package benchmark: read and write MB/s and the read's peak memory, against GeoPandas
# through the GDAL plugin on the same segment file.
# SPDX-License-Identifier: MIT
"""Prints read and write throughput of coord2seg.read/write against geopandas.read_file/to_file
through the SegmentFile plugin, and the peak memory of coord2seg.read.

  GDAL_DRIVER_PATH=build-python/gdal_plugin /usr/bin/python3 bench/python_throughput.py

The package is the installed one (or the one on PYTHONPATH). The file is made of random walks,
--points points a record, about --megabytes MB.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

import numpy as np


def best_time(work, repeat):
    times = []
    result = None
    for _ in range(repeat):
        start = time.perf_counter()
        result = work()
        times.append(time.perf_counter() - start)
    return min(times), result


def random_walk_file(path, megabytes, points_per_record, seed=1):
    import coord2seg

    rng = np.random.default_rng(seed)
    record_bytes = 5 + 4 * points_per_record
    records = max(1, int(megabytes * 1e6) // record_bytes)
    # Steps of 1 to 3 minutes each way, never 0, so that no point repeats the one before it
    # (fiona takes the plugin's warning about those for an error).
    steps = rng.integers(1, 4, size=(records * points_per_record, 2))
    steps *= rng.choice([-1, 1], size=steps.shape)
    starts = rng.integers(-10000, 10000, size=(records, 2))
    steps[::points_per_record] = starts
    minutes = np.cumsum(steps.reshape(records, points_per_record, 2), axis=1).reshape(-1, 2)
    minutes[:, 1] = np.clip(minutes[:, 1], -5400, 5400)
    minutes[:, 0] = (minutes[:, 0] + 10800) % 21600 - 10800
    offsets = np.arange(records + 1, dtype=np.int64) * points_per_record
    coord2seg.write(path, minutes / 60.0, offsets)


PEAK_PROBE = r"""
import sys
import numpy
import coord2seg

def status(field):
    with open("/proc/self/status") as lines:
        for line in lines:
            if line.startswith(field):
                return int(line.split()[1]) * 1024

with open("/proc/self/clear_refs", "w") as reset:
    reset.write("5")  # the peak starts again from what the process holds now
base = status("VmRSS:")
records = coord2seg.read(sys.argv[1])
print(status("VmHWM:") - base)
"""


def read_peak(path):
    """The most memory coord2seg.read held at once beyond what the process held before, in a
    fresh process."""
    ran = subprocess.run([sys.executable, "-c", PEAK_PROBE, path], capture_output=True, text=True,
                         check=True)
    return int(ran.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--megabytes", type=float, default=50)
    parser.add_argument("--points", type=int, default=100, help="points a record")
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--skip-geopandas", action="store_true")
    arguments = parser.parse_args()

    import coord2seg

    folder = tempfile.mkdtemp(prefix="coord2seg-bench-")
    path = os.path.join(folder, "walks.bin")
    random_walk_file(path, arguments.megabytes, arguments.points)
    size = os.path.getsize(path)
    megabytes = size / 1e6
    print(f"coord2seg {coord2seg.__version__} ({coord2seg.__file__})")
    print(f"file: {megabytes:.1f} MB, {arguments.points} points a record")

    read_time, records = best_time(lambda: coord2seg.read(path), arguments.repeat)
    coords_time, _ = best_time(lambda: coord2seg.read(path).coords, arguments.repeat)
    out = os.path.join(folder, "package.bin")
    coords, offsets = records.coords, records.offsets
    write_time, _ = best_time(lambda: coord2seg.write(out, coords, offsets), arguments.repeat)
    same = open(out, "rb").read() == open(path, "rb").read()
    peak = read_peak(path)
    print(f"coord2seg.read          {read_time * 1e3:9.1f} ms  {megabytes / read_time:9.1f} MB/s")
    print(f"coord2seg.read + coords {coords_time * 1e3:9.1f} ms  "
          f"{megabytes / coords_time:9.1f} MB/s")
    print(f"coord2seg.write         {write_time * 1e3:9.1f} ms  {megabytes / write_time:9.1f} MB/s"
          f"  (same bytes: {same})")
    print(f"coord2seg.read peak memory: {peak / 1e6:.1f} MB, {peak / size:.2f} x the file")

    if arguments.skip_geopandas:
        return
    import fiona
    import geopandas

    fiona.supported_drivers["SegmentFile"] = "rw"
    # Records of one point would be LineStrings of one point, which shapely does not take.
    start = time.perf_counter()
    frame = geopandas.read_file(path, driver="SegmentFile", ONE_POINT_RECORDS="POINT")
    gpd_read = time.perf_counter() - start
    gpd_out = os.path.join(folder, "geopandas.bin")
    start = time.perf_counter()
    frame.to_file(gpd_out, driver="SegmentFile")
    gpd_write = time.perf_counter() - start
    gpd_same = open(gpd_out, "rb").read() == open(path, "rb").read()
    print(f"geopandas.read_file     {gpd_read * 1e3:9.1f} ms  {megabytes / gpd_read:9.1f} MB/s")
    print(f"GeoDataFrame.to_file    {gpd_write * 1e3:9.1f} ms  {megabytes / gpd_write:9.1f} MB/s"
          f"  (same bytes: {gpd_same})")
    print(f"read:  {gpd_read / read_time:.0f}x faster ({gpd_read / coords_time:.0f}x with coords)")
    print(f"write: {gpd_write / write_time:.0f}x faster")
    for name in ("walks.bin", "package.bin", "geopandas.bin"):
        os.remove(os.path.join(folder, name))
    os.rmdir(folder)


if __name__ == "__main__":
    main()
