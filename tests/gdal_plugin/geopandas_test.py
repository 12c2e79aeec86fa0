# geopandas (through fiona) reading and writing segment files with the built plugin, compared
# with the converter's own files. Run by ctest, or: python3 geopandas_test.py (see main below).
# SPDX-License-Identifier: MIT
import logging
import os
import random
import subprocess
import sys

import pytest

try:
    import fiona
    import geopandas
    from shapely.geometry import LineString, MultiLineString, Point
except ImportError as error:
    MISSING = str(error)
else:
    MISSING = None

# fiona refuses drivers it does not know unless told how far to trust them.
fiona.supported_drivers["SegmentFile"] = "raw"
POINTS = {"ONE_POINT_RECORDS": "POINT"}


def random_runs(seed, count=40):
    """Runs of 1 to 6 positions on the minute grid, as (longitude, latitude) minutes."""
    rng = random.Random(seed)
    return [
        [(rng.randint(-10800, 10799), rng.randint(-5400, 5400)) for _ in range(rng.randint(1, 6))]
        for _ in range(count)
    ]


def degrees(run):
    return [(lon / 60, lat / 60) for lon, lat in run]


def converted(runs, folder, name="ref"):
    """The converter's file for the runs, from coordinate text."""
    text = folder / f"{name}.txt"
    text.write_text(
        "#\n".join("".join(f"{lon:.10f} {lat:.10f}\n" for lon, lat in degrees(run)) for run in runs)
    )
    subprocess.run([os.environ["COORD2SEG"], str(text)], check=True)
    return (folder / f"{name}.bin").read_bytes()


def frame(runs):
    """One feature per run (a Point for one position), every third pair of lines as one
    MultiLineString, with an attribute the file does not keep."""
    geometries = []
    i = 0
    while i < len(runs):
        pair = runs[i : i + 2]
        if i % 3 == 0 and len(pair) == 2 and all(len(run) > 1 for run in pair):
            geometries.append(MultiLineString([degrees(run) for run in pair]))
            i += 2
            continue
        run = degrees(runs[i])
        geometries.append(Point(run[0]) if len(run) == 1 else LineString(run))
        i += 1
    names = [f"feature {n}" for n in range(len(geometries))]
    return geopandas.GeoDataFrame({"name": names}, geometry=geometries, crs="EPSG:4326")


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_read_file_gives_each_record_with_one_point_records_as_points(tmp_path, seed):
    runs = random_runs(seed)
    (tmp_path / "in.bin").write_bytes(converted(runs, tmp_path))
    read = geopandas.read_file(tmp_path / "in.bin", **POINTS)
    assert read.crs.to_epsg() == 4326
    assert list(read["POINTS"]) == [len(run) for run in runs]
    for geometry, run in zip(read.geometry, runs):
        assert geometry.geom_type == ("Point" if len(run) == 1 else "LineString")
        assert list(geometry.coords) == degrees(run)


def test_the_default_read_warns_once_per_layer_naming_the_option(tmp_path, caplog):
    runs = [[(1, 2), (3, 4)], [(5, 6)], [(7, 8)]]
    (tmp_path / "in.bin").write_bytes(converted(runs, tmp_path))
    with caplog.at_level(logging.WARNING):
        with fiona.open(tmp_path / "in.bin") as layer:
            for _ in range(2):
                assert [f.geometry["type"] for f in layer] == ["LineString"] * 3
    warnings = [r.getMessage() for r in caplog.records if "one point" in r.getMessage()]
    assert len(warnings) == 1, warnings
    assert "record 2" in warnings[0] and "ONE_POINT_RECORDS=POINT" in warnings[0]
    caplog.clear()
    with caplog.at_level(logging.WARNING):
        with fiona.open(tmp_path / "in.bin", **POINTS) as layer:
            assert [f.geometry["type"] for f in layer] == ["LineString", "Point", "Point"]
    assert not [r for r in caplog.records if "one point" in r.getMessage()]


@pytest.mark.parametrize("seed", [4, 5, 6])
def test_to_file_writes_the_converters_bytes_and_reads_back_to_them(tmp_path, seed):
    runs = random_runs(seed)
    expected = converted(runs, tmp_path)
    frame(runs).to_file(tmp_path / "out.bin", driver="SegmentFile")
    assert (tmp_path / "out.bin").read_bytes() == expected
    # Read and written again: the same bytes.
    geopandas.read_file(tmp_path / "out.bin", **POINTS).to_file(
        tmp_path / "again.bin", driver="SegmentFile"
    )
    assert (tmp_path / "again.bin").read_bytes() == expected


def test_appending_adds_the_new_records_after_the_old(tmp_path):
    old, new = random_runs(7, 10), random_runs(8, 10)
    (tmp_path / "both.bin").write_bytes(converted(old, tmp_path, "old"))
    # The file's layer has the POINTS field and, read with one-point records as Points, any
    # geometry type, which fiona checks appended features against.
    appended = frame(new).drop(columns="name").assign(POINTS=0)
    appended.to_file(tmp_path / "both.bin", driver="SegmentFile", mode="a", **POINTS)
    assert (tmp_path / "both.bin").read_bytes() == converted(old, tmp_path, "old") + converted(
        new, tmp_path, "new"
    )


def test_a_projected_frame_is_refused_and_leaves_no_file(tmp_path):
    projected = frame(random_runs(9, 5)).to_crs("EPSG:3857")
    with pytest.raises(Exception, match="projected coordinates"):
        projected.to_file(tmp_path / "out.bin", driver="SegmentFile")
    assert not (tmp_path / "out.bin").exists()


def main():
    """Exit 77 (skipped) where geopandas or a GDAL of the plugin's minor version is missing,
    unless CI is set; else run the tests above."""
    if MISSING:
        print(f"skipped: {MISSING}")
        sys.exit(1 if os.environ.get("CI") else 77)
    fiona_gdal = ".".join(fiona.__gdal_version__.split(".")[:2])
    if fiona_gdal != os.environ.get("COORD2SEG_GDAL_MINOR_VERSION", fiona_gdal):
        # GDAL loads a plugin only into the minor version it was built for.
        print(f"skipped: fiona's GDAL is {fiona.__gdal_version__}, the plugin's "
              f"{os.environ['COORD2SEG_GDAL_MINOR_VERSION']}")
        sys.exit(77)
    sys.exit(pytest.main([__file__, "-q", "-p", "no:cacheprovider"]))


if __name__ == "__main__":
    main()
