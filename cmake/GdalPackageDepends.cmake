# The plugin package's dependency on GDAL's library of the minor version it was built for. Debian
# names that library's package after its soname: libgdal.so.32 (GDAL 3.6) is in libgdal32,
# libgdal.so.36 (GDAL 3.10) in libgdal36. Empty for a soname of another form.
# SPDX-License-Identifier: MIT
function(coord2seg_gdal_package_depends soname major minor result)
  set(depends "")
  if(soname MATCHES "^libgdal\\.so\\.([0-9]+)$")
    set(package libgdal${CMAKE_MATCH_1})
    math(EXPR next_minor "${minor} + 1")
    set(depends "${package} (>= ${major}.${minor}), ${package} (<< ${major}.${next_minor}~)")
  endif()
  set(${result} "${depends}" PARENT_SCOPE)
endfunction()
