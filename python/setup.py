# Packs the coord2seg Python package around its extension module, which CMake builds from the
# project's own layers (or takes ready-built from COORD2SEG_EXTENSION).
# SPDX-License-Identifier: MIT
import glob
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
# Outside the package folder, in a folder the repository ignores.
BUILD = os.environ.get("COORD2SEG_SETUP_BUILD") or os.path.join(ROOT, "build-pip")


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake_lists:
        return re.search(r"project\(coord2seg VERSION ([0-9.]+)", cmake_lists.read()).group(1)


class CMakeBuild(build_ext):
    """Builds coord2seg._core with the project's CMake build, or copies a ready one."""

    def build_extension(self, ext):
        built = os.environ.get("COORD2SEG_EXTENSION")
        if not built:
            cmake_build = os.path.join(BUILD, "cmake")
            subprocess.run(["cmake", "-S", ROOT, "-B", cmake_build, "-DCMAKE_BUILD_TYPE=Release",
                            "-DCOORD2SEG_BUILD_TESTS=OFF", "-DCOORD2SEG_BUILD_PYTHON=ON",
                            "-DPython_EXECUTABLE=" + sys.executable],
                           check=True)
            subprocess.run(["cmake", "--build", cmake_build, "-j2", "--target", "coord2seg_python"],
                           check=True)
            built = glob.glob(os.path.join(cmake_build, "python", "_core*.so"))[0]
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built, target)


os.makedirs(BUILD, exist_ok=True)
with open(os.path.join(HERE, "README.md"), encoding="utf-8") as readme:
    long_description = readme.read()

setup(
    name="coord2seg",
    version=project_version(),
    description="Segment files as NumPy arrays, GeoPandas frames and shapely geometries, and the "
                "coord2seg converter, coordlint and segdump as functions",
    long_description=long_description,
    long_description_content_type="text/markdown",
    license="MIT",
    python_requires=">=3.9",
    install_requires=["numpy"],
    extras_require={"geopandas": ["geopandas"], "shapely": ["shapely"]},
    packages=["coord2seg"],
    package_data={"coord2seg": ["py.typed", "*.pyi"]},
    ext_modules=[Extension("coord2seg._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
    options={"build": {"build_base": os.path.join(BUILD, "build")},
             "egg_info": {"egg_base": BUILD}},
)
