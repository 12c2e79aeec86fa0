# The package against the native programs and the GDAL plugin, byte for byte, on random inputs:
# convert against coord2seg, lint against coordlint, check and read's damage against segdump
# --check, write against ogr2ogr -f SegmentFile.
# SPDX-License-Identifier: MIT
import io
import json
import subprocess

import numpy as np
import pytest
from hypothesis import given
from hypothesis import strategies as st

import coord2seg
from strategies import coordinate_texts, minute_records, position_records


def counted(number, noun):
    """segdump's words for a count: the noun singular for 1."""
    return f"{number} {noun}" + ("" if number == 1 else "s")


@given(coordinate_texts(), st.booleans())
def test_convert_gives_the_converters_bytes(tmp_path_factory, programs, text, lat_first):
    path = tmp_path_factory.mktemp("convert") / "input.txt"
    path.write_bytes(text)
    arguments = [path, "-LATLON"] if lat_first else [path]
    assert programs.run("coord2seg", *arguments).returncode == 0
    expected = path.with_suffix(".bin").read_bytes()
    assert coord2seg.convert(text, lat_first=lat_first) == expected
    path.with_suffix(".bin").unlink()
    assert coord2seg.convert_file(path, lat_first=lat_first) == str(path.with_suffix(".bin"))
    assert path.with_suffix(".bin").read_bytes() == expected


@given(coordinate_texts(), st.booleans())
def test_lint_gives_coordlints_report(tmp_path_factory, programs, text, lat_first):
    path = tmp_path_factory.mktemp("lint") / "input.txt"
    path.write_bytes(text)
    latlon = ["-LATLON"] if lat_first else []
    for all_findings in (False, True):
        options = ["--all"] if all_findings else []
        ran = programs.run("coordlint", *options, path, *latlon)
        report = coord2seg.lint(text, name=str(path), lat_first=lat_first, all=all_findings)
        assert report.text.encode("utf-8", "surrogateescape") == ran.stdout
        assert ran.returncode == (1 if report.failed else 0)
    # The findings as data are the lines of the whole report, and add up to its summary.
    lines = [f"{path}:{finding.line}: {finding.kind}: {finding.message}"
             for finding in report.findings]
    assert report.text.splitlines()[:-1] == lines
    kinds = [finding.kind for finding in report.findings]
    assert kinds.count("dropped") == report.counts.dropped_lines
    assert kinds.count("out-of-range") == report.counts.values_out_of_range
    assert all((finding.hint is not None) == (finding.kind == "note")
               for finding in report.findings)


@st.composite
def damaged_files(draw):
    """Whole files, and the same cut short, with a header byte changed or with bytes appended."""
    minutes, offsets = draw(minute_records(max_records=5, max_points=6))
    target = io.BytesIO()
    coord2seg.write(target, minutes / 60.0, offsets, wrap_longitude=False)
    data = bytearray(target.getvalue())
    fault = draw(st.sampled_from(["none", "cut", "byte", "append"]))
    if fault == "cut" and data:
        del data[draw(st.integers(0, len(data) - 1)):]
    elif fault == "byte" and data:
        data[draw(st.integers(0, len(data) - 1))] = draw(st.integers(0, 255))
    elif fault == "append":
        data += draw(st.binary(min_size=1, max_size=12))
    return bytes(data)


@given(damaged_files())
def test_damage_is_where_segdump_check_finds_it(tmp_path_factory, programs, data):
    path = tmp_path_factory.mktemp("check") / "file.bin"
    path.write_bytes(data)
    ran = programs.run("segdump", "--check", path)
    found = coord2seg.check(path)
    if ran.returncode == 0:
        assert found.ok
        said = f"{path}: {counted(found.segments, 'segment')}, {counted(found.points, 'point')}\n"
        assert ran.stdout.decode() == said
        assert len(coord2seg.read(path)) == found.segments
        return
    assert ran.stderr.decode() == f"segdump: {found.damage.message}\n"
    assert ran.stderr.decode() == f"segdump: {coord2seg.check(data).damage.message}\n".replace(
        "<bytes>", str(path))
    with pytest.raises(coord2seg.DamagedFileError) as raised:
        coord2seg.read(path)
    assert str(raised.value) == found.damage.message
    assert (raised.value.offset, raised.value.segment) == (found.damage.offset,
                                                           found.damage.segment)
    kept = coord2seg.read(path, damaged="keep")
    assert (len(kept), len(kept.minutes)) == (found.segments, found.points)


def geojson_of(records) -> str:
    features = [{"type": "Feature", "properties": {},
                 "geometry": {"type": "Point", "coordinates": record[0].tolist()}
                 if len(record) == 1 else {"type": "LineString", "coordinates": record.tolist()}}
                for record in records]
    return json.dumps({"type": "FeatureCollection", "features": features})


def plugin_bytes(ogr2ogr, folder, records, wrap_longitude=True):
    source = folder / "records.geojson"
    source.write_text(geojson_of(records))
    target = folder / "plugin.bin"
    options = [] if wrap_longitude else ["-lco", "WRAP_LONGITUDE=NO"]
    ran = subprocess.run([*ogr2ogr, "-f", "SegmentFile", *options, str(target), str(source)],
                         capture_output=True)
    return ran, (target.read_bytes() if target.exists() else None)


@given(position_records(), st.booleans())
def test_write_gives_the_plugins_bytes(tmp_path_factory, ogr2ogr, records, wrap_longitude):
    folder = tmp_path_factory.mktemp("write")
    ran, expected = plugin_bytes(ogr2ogr, folder, records, wrap_longitude)
    if not wrap_longitude and any((np.abs(record[:, 0]) > 546.1).any() for record in records):
        return  # unwrapped longitudes beyond 16 bits: the refusal test below covers them
    assert ran.returncode == 0, ran.stderr
    result = coord2seg.write(folder / "package.bin", records, wrap_longitude=wrap_longitude)
    assert (folder / "package.bin").read_bytes() == expected
    warned = ran.stderr.decode()
    assert ("landed on the same minute" in warned) == (result.same_minute_points > 0)


@given(position_records(max_records=3, max_points=3), st.integers(0, 2),
       st.sampled_from([(1000.0, 0.0), (0.0, 546.2), (-1000.0, 1.0), (0.0, -546.2)]))
def test_a_refused_value_is_refused_by_both(tmp_path_factory, ogr2ogr, records, at, bad):
    folder = tmp_path_factory.mktemp("refuse")
    records = records + [np.array([[1.0, 2.0], bad])]
    records.insert(at % len(records), records.pop())
    ran, written = plugin_bytes(ogr2ogr, folder, records)
    assert ran.returncode != 0 and b"has no minutes of arc from -32768 to 32767" in ran.stderr
    with pytest.raises(ValueError, match="has no minutes of arc from -32768 to 32767"):
        coord2seg.write(folder / "package.bin", records)
    assert not (folder / "package.bin").exists()


@st.composite
def geometries(draw):
    """A shapely geometry of any kind the plugin takes, or None."""
    shapely_geometry = pytest.importorskip("shapely.geometry")
    records = draw(position_records(max_records=3, max_points=5))
    lines = [record if len(record) > 1 else np.vstack([record, record * 0.5])
             for record in records]
    kind = draw(st.sampled_from(["Point", "LineString", "Polygon", "MultiPoint",
                                 "MultiLineString", "GeometryCollection", "None"]))
    if kind == "Point":
        return shapely_geometry.Point(records[0][0])
    if kind == "LineString":
        return shapely_geometry.LineString(lines[0])
    if kind == "Polygon":
        rings = [np.vstack([line, line[:1] * 0.5, line[:1]]) for line in lines]
        return shapely_geometry.Polygon(rings[0], rings[1:])
    if kind == "MultiPoint":
        return shapely_geometry.MultiPoint(np.vstack(records))
    if kind == "MultiLineString":
        return shapely_geometry.MultiLineString(lines)
    if kind == "GeometryCollection":
        return shapely_geometry.GeometryCollection(
            [shapely_geometry.Point(records[0][0]), shapely_geometry.LineString(lines[-1])])
    return None


@given(st.lists(geometries(), min_size=1, max_size=4))
def test_write_dataframe_gives_the_plugins_bytes(tmp_path_factory, ogr2ogr, shapes):
    geopandas = pytest.importorskip("geopandas")
    folder = tmp_path_factory.mktemp("frame")
    frame = geopandas.GeoDataFrame(geometry=shapes, crs="EPSG:4326")
    source = folder / "frame.geojson"
    source.write_text(frame.to_json())  # Python's shortest round-trip numbers: exact
    ran = subprocess.run([*ogr2ogr, "-f", "SegmentFile", str(folder / "plugin.bin"),
                          str(source)], capture_output=True)
    assert ran.returncode == 0, ran.stderr
    result = coord2seg.write_dataframe(frame, folder / "package.bin")
    assert (folder / "package.bin").read_bytes() == (folder / "plugin.bin").read_bytes()
    assert result.passed_over == sum(shape is None for shape in shapes)
