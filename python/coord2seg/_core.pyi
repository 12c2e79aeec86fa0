# Types of coord2seg._core, the compiled part of the package (python/module.cpp).
# SPDX-License-Identifier: MIT
from typing import Dict, List, Optional, Tuple

import numpy as np

__version__: str
MAX_SEGMENT_POINTS: int

class RunError(OSError): ...

_Damage = Optional[Tuple[int, int, bytes]]

def check(source: memoryview | np.ndarray, name: bytes) -> Tuple[int, int, _Damage]: ...
def read_records(source: memoryview | np.ndarray, name: bytes, keep: bool,
                 in_place: bool) -> Tuple[Optional[np.ndarray], Optional[np.ndarray],
                                          _Damage]: ...
def degrees(minutes: np.ndarray) -> np.ndarray: ...
def encode_parts(
    coords: np.ndarray, part_offsets: np.ndarray, feature_parts: np.ndarray,
    wrap_longitude: bool
) -> Tuple[np.ndarray, int, int, int, int, List[Tuple[int, str]], List[str],
           Optional[Tuple[int, int, str]]]: ...
def convert(text: memoryview, lat_first: bool) -> np.ndarray: ...
def convert_path(path: bytes, lat_first: bool) -> bytes: ...
def lint(text: memoryview, name: bytes, lat_first: bool,
         all: bool) -> Tuple[bytes, List[Tuple[int, str, bytes]], Dict[str, int], bool]: ...
