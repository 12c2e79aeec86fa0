# Random inputs for the Python package's tests: stored minutes, positions in degrees, texts.
# SPDX-License-Identifier: MIT
import numpy as np
from hypothesis import strategies as st

INT16 = st.integers(-32768, 32767)
# Stored values near the wrap points and the 16-bit limits.
EDGE_MINUTES = st.sampled_from([-32768, -21600, -10801, -10800, -1, 0, 10799, 10800, 21600, 32767])
MINUTES = st.one_of(INT16, EDGE_MINUTES)


@st.composite
def minute_records(draw, max_records=8, max_points=40):
    """(minutes (N, 2) int16, offsets) of records of at least one point."""
    counts = draw(st.lists(st.integers(1, max_points), max_size=max_records))
    values = draw(st.lists(MINUTES, min_size=2 * sum(counts), max_size=2 * sum(counts)))
    minutes = np.array(values, dtype=np.int16).reshape(-1, 2)
    return minutes, np.concatenate([[0], np.cumsum(counts)]).astype(np.int64)


def _half_minutes(limit):
    # k/8 degrees for odd k is an exact half minute: (2j + 1) * 7.5 minutes.
    return st.integers(-int(limit * 8), int(limit * 8)).map(lambda k: k / 8)


# Longitudes whose minutes fit once wrapped, and latitudes (never wrapped) that fit as they are.
LONGITUDE = st.one_of(
    st.floats(-540, 540, exclude_max=True),
    st.sampled_from([-540.0, -180.0, -180.00000000000003, 179.99999999999997, 180.0,
                     539.9999999999999, 0.0, -0.0, 1 / 120, -1 / 120]),
    _half_minutes(539),
)
LATITUDE = st.one_of(
    st.floats(-546.1, 546.1),
    st.sampled_from([32767 / 60, -32768 / 60, 32767.49 / 60, -32768.49 / 60, 90.0, -90.0]),
    _half_minutes(546),
)


@st.composite
def position_records(draw, max_records=6, max_points=12):
    """A list of (n, 2) float64 arrays of positions that every writer accepts."""
    records = []
    for count in draw(st.lists(st.integers(1, max_points), min_size=1, max_size=max_records)):
        points = draw(st.lists(st.tuples(LONGITUDE, LATITUDE), min_size=count, max_size=count))
        records.append(np.array(points, dtype=np.float64).reshape(-1, 2))
    return records


# Coordinate text: numbers in the shapes the converter reads and misreads, separators, separator
# lines, garbage and line ends of every kind.
NUMBER = st.one_of(
    st.floats(-1000, 1000).map(repr),
    st.integers(-600, 600).map(str),
    st.decimals(-600, 600, places=6, allow_nan=False).map(str),
    st.decimals(-200, 200, places=17, allow_nan=False).map(str),
    st.decimals(-200, 200, places=3, allow_nan=False).map(lambda d: str(d).replace(".", ",")),
    st.sampled_from(["1e3", "-2.5E-1", "+12", ".5", "5.", "0x10", "inf", "nan", "1e400", "-0",
                     "1e300", "-4e17"]),
)
SEPARATOR = st.sampled_from([" ", "\t", ";", "  ", " ; ", ", ", ",", ""])
DATA_LINE = st.builds(lambda a, s, b: a + s + b, NUMBER, SEPARATOR, NUMBER)
OTHER_LINE = st.sampled_from(["#", "# segment", "", " #", ">", "abc", "lat lon", "1 2 3",
                              "12.5 48.25 100", "\x00\x01", "\xef\xbb\xbf12 48"])
LINE_END = st.sampled_from(["\n", "\r\n", "\r"])


@st.composite
def coordinate_texts(draw):
    lines = draw(st.lists(st.one_of(DATA_LINE, DATA_LINE, OTHER_LINE), max_size=40))
    ends = draw(st.lists(LINE_END, min_size=len(lines), max_size=len(lines)))
    text = "".join(line + end for line, end in zip(lines, ends))
    if draw(st.booleans()) and text:
        text = text[:-1]  # no end after the last line
    return text.encode("latin-1")
