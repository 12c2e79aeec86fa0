# coord2seg for Python: segment files as NumPy arrays, and the converter, coordlint and segdump
# as functions, over the same compiled library as the programs.
# SPDX-License-Identifier: MIT
"""Segment files as NumPy arrays, GeoPandas frames and shapely geometries.

A segment file is a sequence of records, each a run of points stored as 16-bit minutes of arc,
longitude first. Here a file is read into three arrays, in the layout shapely 2 and GeoArrow use:

- ``minutes``: int16, shape (N, 2), the stored values;
- ``coords``: float64, shape (N, 2), the same in degrees;
- ``offsets``: int64, one more than the records: record *i* is ``coords[offsets[i]:offsets[i+1]]``.

``convert``, ``lint`` and ``check`` are the ``coord2seg`` converter, ``coordlint`` and
``segdump --check`` as functions; ``write`` writes the bytes the GDAL plugin writes.
"""
from __future__ import annotations

import os
from dataclasses import dataclass, field
from typing import TYPE_CHECKING, Any, Iterator, List, NamedTuple, Optional, Sequence, Union

import numpy as np

from . import _core

if TYPE_CHECKING:  # pragma: no cover
    import geopandas

__version__: str = _core.__version__

__all__ = [
    "MAX_SEGMENT_POINTS",
    "CheckResult",
    "Damage",
    "DamagedFileError",
    "Finding",
    "LintCounts",
    "LintReport",
    "SegmentRecords",
    "WriteResult",
    "check",
    "convert",
    "convert_file",
    "lint",
    "read",
    "read_dataframe",
    "write",
    "write_dataframe",
]

#: The most points a record holds.
MAX_SEGMENT_POINTS: int = _core.MAX_SEGMENT_POINTS

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]
Source = Union[PathLike, bytes, bytearray, memoryview, np.ndarray]

_BYTES_NAME = b"<bytes>"


def _text(raw: bytes) -> str:
    """The library's 8-bit text as a str; bytes that are not UTF-8 survive as surrogates."""
    return raw.decode("utf-8", "surrogateescape")


@dataclass(frozen=True)
class Damage:
    """Where a segment file is damaged: the byte offset of the faulty field, the number of the
    record it belongs to (1 for the first), and segdump's message."""

    offset: int
    segment: int
    message: str


class DamagedFileError(ValueError):
    """A segment file is damaged; ``offset`` and ``segment`` say where, as ``segdump --check``
    does."""

    def __init__(self, message: str, offset: int, segment: int) -> None:
        super().__init__(message)
        self.offset = offset
        self.segment = segment


def _damage(raw: Optional[tuple]) -> Optional[Damage]:
    if raw is None:
        return None
    offset, segment, message = raw
    return Damage(offset, segment, _text(message))


def _read_whole(path: PathLike) -> np.ndarray:
    """The file's bytes in a new uint8 array, read straight into it."""
    with open(path, "rb", buffering=0) as file:
        size = os.fstat(file.fileno()).st_size
        buffer = np.empty(size, dtype=np.uint8)
        view = memoryview(buffer)
        filled = 0
        while filled < size:
            count = file.readinto(view[filled:])
            if not count:
                break
            filled += count
        rest = file.readall()  # a file that grew, or one without a size (a pipe)
    del view
    if filled < size:
        buffer = buffer[:filled].copy()
    if rest:
        buffer = np.concatenate([buffer, np.frombuffer(rest, dtype=np.uint8)])
    return buffer


def _is_path(source: Any) -> bool:
    return isinstance(source, (str, os.PathLike))


def _bytes_view(data: Any, what: str) -> memoryview:
    """A contiguous byte view of any bytes-like object."""
    if isinstance(data, str):
        return memoryview(data.encode("utf-8", "surrogateescape"))
    try:
        view = memoryview(data)
    except TypeError:
        raise TypeError(f"{what} must be a path or a bytes-like object, not "
                        f"{type(data).__name__}") from None
    try:
        return view.cast("B")
    except TypeError:  # not contiguous
        return memoryview(view.tobytes())


def _load(source: Source) -> "tuple[Any, bytes, bool]":
    """The bytes of a source, the name messages give it, and whether the bytes are a new array
    that may be rearranged in place."""
    if _is_path(source):
        return _read_whole(source), os.fsencode(source), True
    return _bytes_view(source, "source"), _BYTES_NAME, False


class SegmentRecords(Sequence[np.ndarray]):
    """The records of a segment file as arrays.

    ``minutes`` (int16, (N, 2), longitude first, as stored), ``coords`` (float64 degrees, (N, 2),
    computed on first use), ``offsets`` (int64, ``len(self) + 1``). Indexing and iteration give
    each record's ``coords`` rows, without a copy. ``damage`` is set when a damaged file was read
    with ``damaged="keep"``: the records are then the whole ones before it.
    """

    def __init__(self, minutes: np.ndarray, offsets: np.ndarray,
                 damage: Optional[Damage] = None) -> None:
        self.minutes: np.ndarray = minutes
        self.offsets: np.ndarray = offsets
        self.damage: Optional[Damage] = damage
        self._coords: Optional[np.ndarray] = None

    @property
    def coords(self) -> np.ndarray:
        """The stored values in degrees (the minutes divided by 60), float64, shape (N, 2)."""
        if self._coords is None:
            self._coords = _core.degrees(self.minutes)
        return self._coords

    @property
    def point_counts(self) -> np.ndarray:
        """The number of points of each record, int64."""
        return np.diff(self.offsets)

    def __len__(self) -> int:
        return len(self.offsets) - 1

    def __getitem__(self, index):  # type: ignore[override]
        if isinstance(index, slice):
            return [self[i] for i in range(*index.indices(len(self)))]
        count = len(self)
        if index < 0:
            index += count
        if not 0 <= index < count:
            raise IndexError("record index out of range")
        return self.coords[self.offsets[index]:self.offsets[index + 1]]

    def __iter__(self) -> Iterator[np.ndarray]:
        coords = self.coords
        starts = self.offsets.tolist()
        for begin, end in zip(starts, starts[1:]):
            yield coords[begin:end]

    def __repr__(self) -> str:
        damaged = ", damaged" if self.damage else ""
        return f"<SegmentRecords: {len(self)} records, {len(self.minutes)} points{damaged}>"

    def to_shapely(self) -> np.ndarray:
        """The records as an object array of shapely geometries: a LineString per record, a Point
        for a record of one point."""
        import shapely
        import shapely.geometry

        coords = self.coords
        counts = self.point_counts
        geometries = np.empty(len(self), dtype=object)
        lines = counts > 1
        if hasattr(shapely, "linestrings"):  # shapely 2: whole arrays at once
            if lines.any():
                in_lines = np.repeat(lines, counts)
                indices = np.repeat(np.arange(int(lines.sum())), counts[lines])
                geometries[lines] = shapely.linestrings(coords[in_lines], indices=indices)
            if (~lines).any():
                geometries[~lines] = shapely.points(coords[self.offsets[:-1][~lines]])
            return geometries
        for index, record in enumerate(self):
            geometries[index] = (shapely.geometry.LineString(record) if len(record) > 1
                                 else shapely.geometry.Point(record[0]))
        return geometries

    @property
    def __geo_interface__(self) -> dict:
        """A GeoJSON FeatureCollection: one feature per record, its ``id`` the record's number
        (1 for the first) and its ``POINTS`` property the point count, as the GDAL plugin gives."""
        rows = self.coords.tolist()
        starts = self.offsets.tolist()
        features = []
        for number, (begin, end) in enumerate(zip(starts, starts[1:]), start=1):
            if end - begin == 1:
                geometry = {"type": "Point", "coordinates": tuple(rows[begin])}
            else:
                geometry = {"type": "LineString",
                            "coordinates": [tuple(row) for row in rows[begin:end]]}
            features.append({"type": "Feature", "id": number,
                             "properties": {"POINTS": end - begin}, "geometry": geometry})
        return {"type": "FeatureCollection", "features": features}


def read(source: Source, *, damaged: str = "raise") -> SegmentRecords:
    """Reads a segment file: a path, an ``os.PathLike`` or any bytes-like object.

    A file read from a path is read once into the array that becomes ``minutes``: the record
    headers are squeezed out in place, so reading takes little more memory than the file.

    A damaged file raises ``DamagedFileError`` with the offset and segment of the damage; with
    ``damaged="keep"`` the whole records before it are returned instead, and ``damage`` tells
    where it is.

    >>> records = read("coast.bin")
    >>> records.coords[records.offsets[0]:records.offsets[1]]   # the first record, in degrees
    """
    if damaged not in ("raise", "keep"):
        raise ValueError('damaged must be "raise" or "keep"')
    buffer, name, in_place = _load(source)
    minutes, offsets, raw_damage = _core.read_records(buffer, name, damaged == "keep", in_place)
    damage = _damage(raw_damage)
    if minutes is None and offsets is None:
        assert damage is not None
        raise DamagedFileError(damage.message, damage.offset, damage.segment)
    if in_place:
        points = int(offsets[-1])
        try:  # give back the room the headers took
            buffer.resize(4 * points, refcheck=False)
        except ValueError:
            buffer = buffer[:4 * points]
        minutes = buffer.view("<i2").reshape(points, 2)
    return SegmentRecords(minutes, offsets, damage)


@dataclass(frozen=True)
class CheckResult:
    """What ``segdump --check`` finds: the whole records and their points, and the damage."""

    segments: int
    points: int
    damage: Optional[Damage] = None

    @property
    def ok(self) -> bool:
        return self.damage is None


def check(source: Source) -> CheckResult:
    """Checks a segment file as ``segdump --check`` does, without raising for damage.

    >>> check("coast.bin")
    CheckResult(segments=3, points=8, damage=None)
    """
    buffer, name, _ = _load(source)
    segments, points, raw_damage = _core.check(buffer, name)
    return CheckResult(segments, points, _damage(raw_damage))


@dataclass(frozen=True)
class WriteResult:
    """What a write stored, and what the GDAL plugin would warn about: ``warnings`` holds the
    plugin's words (parts split, points on the same minute, features passed over)."""

    records: int
    points: int
    passed_over: int
    same_minute_points: int
    warnings: List[str] = field(default_factory=list)


def _as_coords(coords: Any) -> np.ndarray:
    array = np.ascontiguousarray(coords, dtype=np.float64)
    if array.ndim != 2 or array.shape[1] != 2:
        raise ValueError(f"coords must have the shape (N, 2), not {array.shape}")
    return array


def _as_offsets(offsets: Any, points: int) -> np.ndarray:
    array = np.ascontiguousarray(offsets, dtype=np.int64)
    if array.ndim != 1 or len(array) < 1 or array[0] != 0 or array[-1] != points or (
            np.diff(array) < 0).any():
        raise ValueError("offsets must rise from 0 to the number of points, one more than the "
                         "records")
    return array


def _records_arrays(coords: Any, offsets: Any) -> "tuple[np.ndarray, np.ndarray]":
    if isinstance(coords, SegmentRecords):
        if offsets is not None:
            raise ValueError("records carry their own offsets")
        return coords.coords, coords.offsets
    if offsets is not None:
        array = _as_coords(coords)
        return array, _as_offsets(offsets, len(array))
    try:  # one array of points is one record; an array of records of one length is those
        whole = np.asarray(coords, dtype=np.float64)
    except ValueError:  # records of several lengths
        whole = None
    if whole is not None and whole.ndim == 2:
        array = _as_coords(whole)
        return array, np.array([0, len(array)], dtype=np.int64)
    if whole is not None and whole.ndim == 3 and whole.shape[1] > 0:
        array = _as_coords(whole.reshape(-1, whole.shape[-1]))
        return array, np.arange(len(whole) + 1, dtype=np.int64) * whole.shape[1]
    parts = [_as_coords(part) for part in coords]
    counts = [len(part) for part in parts]
    joined = np.concatenate(parts) if parts else np.empty((0, 2))
    return np.ascontiguousarray(joined), np.concatenate([[0], np.cumsum(counts, dtype=np.int64)])


def _encode(coords: np.ndarray, part_offsets: np.ndarray, feature_parts: np.ndarray,
            wrap_longitude: bool, feature_word: str) -> "tuple[np.ndarray, WriteResult]":
    (data, records, points, passed_over, same_minute, warnings, summary,
     refusal) = _core.encode_parts(coords, part_offsets, feature_parts, wrap_longitude)
    if refusal is not None:
        feature, row, text = refusal
        text = text.replace("; the feature is not written", "; nothing is written")
        raise ValueError(f"{feature_word} {feature} (coords row {row}){text}")
    messages = [f"{feature_word} {feature}{text}" for feature, text in warnings] + list(summary)
    return data, WriteResult(records, points, passed_over, same_minute, messages)


def _store(target: Any, data: np.ndarray) -> None:
    if hasattr(target, "write"):
        target.write(memoryview(data))
        return
    with open(target, "wb") as file:
        file.write(memoryview(data))


def write(target: Any, coords: Any, offsets: Any = None, *,
          wrap_longitude: bool = True) -> WriteResult:
    """Writes records to a segment file: the bytes ``ogr2ogr -f SegmentFile`` writes for the
    same positions.

    ``coords`` is a float64 (N, 2) array of degrees, longitude first, cut into records by
    ``offsets`` (one more than the records; without offsets the array is one record); or a
    sequence of (n, 2) arrays, one per record; or the ``SegmentRecords`` that ``read`` returns.
    ``target`` is a path or a binary file object.

    Longitudes are wrapped once as the converter wraps them unless ``wrap_longitude`` is False
    (for exact round trips of stored files); records of more than ``MAX_SEGMENT_POINTS`` points
    become consecutive records that share their joining points; empty records are passed over.
    A value whose minutes do not fit 16 bits raises ``ValueError`` naming the record and the row
    of ``coords``, and nothing is written.

    >>> write("track.bin", [[[12.5, 48.25], [12.75, 48.3]], [[170.0, 10.0]]])
    WriteResult(records=2, points=3, passed_over=0, same_minute_points=0, warnings=[])
    """
    array, record_offsets = _records_arrays(coords, offsets)
    features = np.arange(len(record_offsets), dtype=np.int64)
    data, result = _encode(array, record_offsets, features, wrap_longitude, "record")
    _store(target, data)
    return result


def convert(text: Union[str, bytes, bytearray, memoryview], *, lat_first: bool = False) -> bytes:
    """The segment file ``coord2seg`` writes for a coordinate text, as bytes.

    A ``str`` is taken as its UTF-8 bytes. ``lat_first`` is the converter's ``-LATLON``.

    >>> convert(b"12.5 48.25\\n")
    b'\\x01\\x00\\x00\\x00\\x00\\xee\\x02O\\x0b'
    """
    return _core.convert(_bytes_view(text, "text"), lat_first).tobytes()


def convert_file(path: PathLike, *, lat_first: bool = False) -> Union[str, bytes]:
    """Converts a coordinate text file as ``coord2seg`` does, writing the segment file beside it
    (the input's name with the extension ``.bin``). Returns the output's path.

    Unlike the program, which ends silently, a missing input raises ``FileNotFoundError``; a
    file that cannot be written raises ``OSError`` with the program's words.
    """
    if not os.path.exists(path):
        raise FileNotFoundError(2, "No such file or directory", os.fspath(path))
    if os.path.isdir(path):
        raise IsADirectoryError(21, "Is a directory", os.fspath(path))
    if not os.path.isfile(path):
        raise OSError(f"cannot open {os.fsdecode(path)!r}: not a regular file")
    output = _core.convert_path(os.fsencode(path), lat_first)
    return output if isinstance(os.fspath(path), bytes) else os.fsdecode(output)


class Finding(NamedTuple):
    """One of coordlint's findings: its line (1 for the first), its kind ("dropped",
    "segment-dropped", "capped", "out-of-range" or "note"), the message, and for a note the fix it
    names (notes are coordlint's hints), else None."""

    line: int
    kind: str
    message: str
    hint: Optional[str]


class LintCounts(NamedTuple):
    """coordlint's summary line as numbers."""

    segments: int
    points: int
    bytes: int
    dropped_lines: int
    dropped_segments: int
    capped_points: int
    values_out_of_range: int


@dataclass(frozen=True)
class LintReport:
    """coordlint's answer: every finding as data, its exact text (``text``; ten findings of each
    kind unless ``all``), the summary's counts, and whether coordlint would fail (status 1)."""

    findings: List[Finding]
    text: str
    counts: LintCounts
    failed: bool


def lint(text: Union[str, bytes, bytearray, memoryview], *, name: str = "-",
         lat_first: bool = False, all: bool = False) -> LintReport:
    """Reports what ``coord2seg`` would drop from a coordinate text or store elsewhere than it
    says, as ``coordlint`` does for a file called ``name``; ``all`` is coordlint's ``--all``.

    >>> report = lint("lat lon\\n48.25 12.5\\n")
    >>> report.findings[0].kind
    'note'
    """
    raw_text, findings, counts, failed = _core.lint(
        _bytes_view(text, "text"), os.fsencode(name), lat_first, all)
    listed = []
    for line, kind, detail in findings:
        message = _text(detail)
        listed.append(Finding(line, kind, message, message if kind == "note" else None))
    return LintReport(listed, _text(raw_text), LintCounts(**counts), failed)


def read_dataframe(path: Source, *, damaged: str = "raise") -> "geopandas.GeoDataFrame":
    """A segment file as a GeoDataFrame in EPSG:4326: one row per record, its ``POINTS`` column
    the point count, a LineString per record and a Point for a record of one point. Needs
    geopandas."""
    import geopandas

    records = read(path, damaged=damaged)
    return geopandas.GeoDataFrame({"POINTS": records.point_counts},
                                  geometry=geopandas.GeoSeries(records.to_shapely()),
                                  crs="EPSG:4326")


def _geometry_parts(geometry: Any, parts: list) -> None:
    """The parts the GDAL plugin writes for a geometry: each line, ring and point, in order."""
    if geometry is None or geometry.is_empty:
        return
    kind = geometry.geom_type
    if kind in ("Point", "LineString", "LinearRing"):
        parts.append(np.asarray(geometry.coords, dtype=np.float64)[:, :2])
    elif kind == "Polygon":
        _geometry_parts(geometry.exterior, parts)
        for ring in geometry.interiors:
            _geometry_parts(ring, parts)
    elif hasattr(geometry, "geoms"):
        for member in geometry.geoms:
            _geometry_parts(member, parts)
    else:
        raise ValueError(f"unsupported geometry type {kind}")


def write_dataframe(frame: "geopandas.GeoDataFrame", path: Any, *,
                    wrap_longitude: bool = True) -> WriteResult:
    """Writes a GeoDataFrame's geometries as ``ogr2ogr -f SegmentFile`` does: every line, ring and
    point one record, Z dropped, rows without geometry passed over. The frame must be in
    longitude and latitude degrees: a projected frame is refused before anything is written.
    Attributes are not stored."""
    crs = frame.crs
    if crs is not None and not crs.is_geographic:
        raise ValueError(f"the frame is in projected coordinates ({crs.name}); a segment file "
                         "holds longitude and latitude in degrees: reproject it first with "
                         "frame.to_crs(4326)")
    parts: list = []
    feature_parts = [0]
    for geometry in frame.geometry:
        _geometry_parts(geometry, parts)
        feature_parts.append(len(parts))
    counts = [len(part) for part in parts]
    coords = np.ascontiguousarray(np.concatenate(parts)) if parts else np.empty((0, 2))
    part_offsets = np.concatenate([[0], np.cumsum(counts, dtype=np.int64)]).astype(np.int64)
    data, result = _encode(coords, part_offsets, np.asarray(feature_parts, dtype=np.int64),
                           wrap_longitude, "row")
    _store(path, data)
    return result
