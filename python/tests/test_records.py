# The package on its own: write then read keeps every stored minute, the array layout, the
# damaged-file paths and the frames and geometries built from the arrays.
# SPDX-License-Identifier: MIT
import io

import numpy as np
import pytest
from hypothesis import given
from hypothesis import strategies as st

import coord2seg
from strategies import minute_records


def write_bytes(*arguments, **options) -> bytes:
    target = io.BytesIO()
    coord2seg.write(target, *arguments, **options)
    return target.getvalue()


@given(minute_records())
def test_write_then_read_keeps_the_minutes(records):
    minutes, offsets = records
    data = write_bytes(minutes / 60.0, offsets, wrap_longitude=False)
    back = coord2seg.read(data)
    np.testing.assert_array_equal(back.minutes, minutes)
    np.testing.assert_array_equal(back.offsets, offsets)
    assert back.minutes.dtype == np.dtype("<i2") and back.offsets.dtype == np.int64
    # The records themselves go back unchanged, and the stored degrees are the minutes / 60.
    assert write_bytes(back, wrap_longitude=False) == data
    np.testing.assert_array_equal(back.coords, minutes / 60.0)


@given(minute_records())
def test_a_path_and_its_bytes_read_the_same(tmp_path_factory, records):
    minutes, offsets = records
    path = tmp_path_factory.mktemp("read") / "records.bin"
    coord2seg.write(path, minutes / 60.0, offsets, wrap_longitude=False)
    from_path = coord2seg.read(path)
    from_bytes = coord2seg.read(bytearray(path.read_bytes()))
    np.testing.assert_array_equal(from_path.minutes, from_bytes.minutes)
    np.testing.assert_array_equal(from_path.offsets, from_bytes.offsets)
    assert [len(record) for record in from_path] == list(np.diff(offsets))
    assert coord2seg.check(path) == coord2seg.CheckResult(len(offsets) - 1, len(minutes))


def test_the_array_layout():
    records = coord2seg.read(coord2seg.convert(b"12.5 48.25\n12,75;48.3\n#\n-190 10\n"))
    assert records.minutes.tolist() == [[750, 2895], [765, 2898], [10200, 600]]
    assert records.offsets.tolist() == [0, 2, 3] and len(records) == 2
    np.testing.assert_array_equal(records[1], [[170.0, 10.0]])
    np.testing.assert_array_equal(records[-1], records.coords[2:3])
    assert records.point_counts.tolist() == [2, 1]
    features = records.__geo_interface__["features"]
    assert [feature["geometry"]["type"] for feature in features] == ["LineString", "Point"]
    assert features[0]["properties"] == {"POINTS": 2} and features[1]["id"] == 2
    geometries = records.to_shapely()
    assert [geometry.geom_type for geometry in geometries] == ["LineString", "Point"]
    assert list(geometries[0].coords) == [(12.5, 48.25), (12.75, 48.3)]


def test_records_split_and_warnings_as_the_plugin_gives_them():
    track = np.column_stack([np.arange(100_001) / 1000.0, np.zeros(100_001)])
    data = write_bytes(track)
    records = coord2seg.read(data)
    # Consecutive records that share their joining point.
    assert records.point_counts.tolist() == [99_999, 3]
    np.testing.assert_array_equal(records[0][-1], records[1][0])
    result = coord2seg.write(io.BytesIO(), [track, np.empty((0, 2))])
    assert (result.records, result.points, result.passed_over) == (2, 100_002, 1)
    assert result.warnings[0].startswith("record 0 has a part of 100001 points")
    assert any("features had no geometry" in warning for warning in result.warnings)
    assert any("landed on the same minute" in warning for warning in result.warnings)


def test_every_form_of_records_gives_the_same_bytes():
    first, second = [[12.5, 48.25], [12.75, 48.3]], [[170.0, 10.0], [-190.0, 10.5]]
    expected = write_bytes(np.array(first + second), [0, 2, 4])
    forms = [[first, second], [np.array(first), np.array(second)], np.array([first, second]),
             coord2seg.read(expected)]
    assert all(write_bytes(form) == expected for form in forms)
    assert write_bytes(first) == write_bytes(np.array(first), [0, 2])  # a list of points
    assert write_bytes([first, second[:1]]) == write_bytes(np.array(first + second[:1]), [0, 2, 3])
    assert write_bytes([]) == b""


@pytest.mark.parametrize("bad", [(1000.0, 0.0), (0.0, 546.2), (np.nan, 0.0), (0.0, np.inf),
                                 (0.0, 32767.5 / 60), (-1000.0, 0.0)])
def test_a_value_out_of_range_names_its_row_and_writes_nothing(tmp_path, bad):
    target = tmp_path / "kept.bin"
    target.write_bytes(b"old")
    coords = np.array([[1.0, 2.0], [3.0, 4.0], [5.0, 6.0], bad, [7.0, 8.0]])
    with pytest.raises(ValueError, match=r"^record 1 \(coords row 3\): .*nothing is written$"):
        coord2seg.write(target, coords, [0, 2, 5])
    assert target.read_bytes() == b"old"


def test_damage_raises_or_keeps_the_whole_records_before_it():
    data = coord2seg.convert(b"1 2\n3 4\n#\n5 6\n#\n7 8\n")
    cut = data[:-2]
    with pytest.raises(coord2seg.DamagedFileError) as raised:
        coord2seg.read(cut)
    assert (raised.value.offset, raised.value.segment) == (22, 3)
    assert str(raised.value) == "<bytes>: offset 22 (segment 3): record of 1 point needs 9 " \
                                "bytes, only 7 left"
    kept = coord2seg.read(cut, damaged="keep")
    assert len(kept) == 2 and kept.damage.offset == 22
    assert kept.minutes.tolist() == [[60, 120], [180, 240], [300, 360]]
    assert coord2seg.check(cut).damage == kept.damage
    with pytest.raises(ValueError):
        coord2seg.read(cut, damaged="ignore")


def test_inputs_of_the_wrong_kind_are_refused():
    with pytest.raises(TypeError):
        coord2seg.read(12)
    with pytest.raises(ValueError, match="shape"):
        coord2seg.write(io.BytesIO(), np.zeros((3, 3)))
    with pytest.raises(ValueError, match="offsets"):
        coord2seg.write(io.BytesIO(), np.zeros((3, 2)), [0, 4])
    with pytest.raises(FileNotFoundError):
        coord2seg.convert_file("/nonexistent/coast.txt")


def test_frames_go_through_the_same_records(tmp_path):
    geopandas = pytest.importorskip("geopandas")
    shapely_geometry = pytest.importorskip("shapely.geometry")
    path = tmp_path / "coast.bin"
    path.write_bytes(coord2seg.convert(b"12.5 48.25\n12,75;48.3\n#\n-190 10\n"))
    frame = coord2seg.read_dataframe(path)
    assert list(frame.columns) == ["POINTS", "geometry"] and frame.crs.to_epsg() == 4326
    assert frame["POINTS"].tolist() == [2, 1]
    again = tmp_path / "again.bin"
    coord2seg.write_dataframe(frame, again)
    assert again.read_bytes() == path.read_bytes()
    # Rings and members each become a record; rows without geometry are passed over.
    square = shapely_geometry.Polygon([(0, 0), (1, 0), (1, 1), (0, 0)], [[(0.2, 0.2), (0.5, 0.2),
                                                                        (0.2, 0.5), (0.2, 0.2)]])
    shapes = geopandas.GeoDataFrame(geometry=[square, None, shapely_geometry.MultiPoint(
        [(1, 2), (3, 4)])], crs="EPSG:4326")
    result = coord2seg.write_dataframe(shapes, again)
    assert (result.records, result.passed_over) == (4, 1)
    assert coord2seg.read(again).point_counts.tolist() == [4, 4, 1, 1]
    with pytest.raises(ValueError, match=r"to_crs\(4326\)"):
        coord2seg.write_dataframe(shapes.set_crs(32633, allow_override=True), again)
    assert result.records == len(coord2seg.read(again))


def test_the_package_is_typed_and_versioned():
    import importlib.resources

    assert (importlib.resources.files("coord2seg") / "py.typed").is_file()
    assert coord2seg.__version__.count(".") == 2
    for name in coord2seg.__all__:
        item = getattr(coord2seg, name)
        assert isinstance(item, int) or item.__doc__, name


def test_other_threads_run_while_a_text_converts():
    import threading
    import time

    text = b"12.5 48.25\n12,75;48.3\n#\n" * 2_000_000
    started = threading.Event()
    results = []

    def work():
        started.set()
        results.append(coord2seg.convert(text))

    worker = threading.Thread(target=work)
    worker.start()
    started.wait()
    ticks = 0
    while worker.is_alive():  # each tick needs the GIL
        time.sleep(0.001)
        ticks += 1
    worker.join()
    assert len(results[0]) == 2_000_000 * 13
    assert ticks >= 20  # about 3 when the call holds the GIL, over 100 when it does not
