# The GDAL plugin package's dependency for the GDAL versions it is built against, and none for a
# soname Debian would not name a package after. Run as: cmake -P gdal_package_depends_test.cmake
# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/GdalPackageDepends.cmake)
set(cases
    "libgdal.so.32|3|6|libgdal32 (>= 3.6), libgdal32 (<< 3.7~)"
    "libgdal.so.36|3|10|libgdal36 (>= 3.10), libgdal36 (<< 3.11~)"
    "libgdal.so.37|3|11|libgdal37 (>= 3.11), libgdal37 (<< 3.12~)"
    "libgdal.so.39|3|13|libgdal39 (>= 3.13), libgdal39 (<< 3.14~)"
    "libgdal.so|3|10|"
    "libgdal.36.dylib|3|10|")
set(failures 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 soname)
  list(GET fields 1 major)
  list(GET fields 2 minor)
  list(GET fields 3 expected)
  coord2seg_gdal_package_depends("${soname}" ${major} ${minor} depends)
  if(NOT depends STREQUAL expected)
    message(SEND_ERROR "${soname} (GDAL ${major}.${minor}): '${depends}', not '${expected}'")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
list(LENGTH cases count)
message(STATUS "${count} sonames, ${failures} wrong")
