# Fixtures of the Python package's tests: the native programs and the GDAL plugin they compare with.
# SPDX-License-Identifier: MIT
import os
import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path
from typing import List

import pytest
from hypothesis import HealthCheck, settings

# Each example may run a program, so examples are fewer and slower than hypothesis' defaults.
settings.register_profile("programs", max_examples=40, deadline=None,
                          suppress_health_check=[HealthCheck.function_scoped_fixture,
                                                 HealthCheck.too_slow])
settings.load_profile("programs")


def _missing(what: str):
    """Skips a test whose tool is missing, except in CI, where every comparison must run."""
    if os.environ.get("CI"):
        pytest.fail(f"{what} is missing")
    pytest.skip(f"{what} is missing")


@dataclass
class Programs:
    folder: Path

    def run(self, program: str, *arguments, **options) -> subprocess.CompletedProcess:
        return subprocess.run([str(self.folder / program), *map(str, arguments)],
                              capture_output=True, **options)


@pytest.fixture(scope="session")
def programs() -> Programs:
    """coord2seg, segdump and coordlint of the same build (COORD2SEG_PROGRAMS)."""
    folder = os.environ.get("COORD2SEG_PROGRAMS")
    if not folder or not all((Path(folder) / name).is_file()
                             for name in ("coord2seg", "segdump", "coordlint")):
        _missing("COORD2SEG_PROGRAMS (the folder of coord2seg, segdump and coordlint)")
    return Programs(Path(folder))


@pytest.fixture(scope="session")
def ogr2ogr() -> List[str]:
    """ogr2ogr with the SegmentFile plugin of the same build (GDAL_DRIVER_PATH)."""
    folder = os.environ.get("GDAL_DRIVER_PATH")
    if not folder or not (Path(folder) / "ogr_SegmentFile.so").is_file():
        _missing("GDAL_DRIVER_PATH (the folder of ogr_SegmentFile.so)")
    program = shutil.which("ogr2ogr")
    if not program:
        _missing("ogr2ogr (gdal-bin)")
    return [program]
