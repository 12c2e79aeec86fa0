# Release packages, made with `cpack` in a build tree (or `cmake --workflow --preset package`):
# what `install` puts in the tree, as a .deb and a .tar.gz on Linux, a .zip on Windows.
# SPDX-License-Identifier: MIT
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "The coord2seg authors")
set(CPACK_PACKAGE_CONTACT "The coord2seg authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "coord2seg reads a text file of positions, one a line in decimal degrees, and writes a "
       "compact binary segment file beside it, byte-exact and fast on hundreds of megabytes. "
       "segdump reads segment files back as coordinate text, GeoJSON or SVG, or checks them.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # coord2seg-<version>-win64.zip
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB TGZ)
endif()

# Debian: coord2seg_1.0.0_amd64.deb, depending on the libraries the programs link as dpkg-shlibdeps
# finds them (dpkg-dev).
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Debian wants a maintainer with an address.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The coord2seg authors <coord2seg@example.org>")

# What Debian's policy asks of each package: the license as its copyright file and a changelog,
# compressed, dated by the release rather than by the build.
function(coord2seg_debian_documents package component)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
          RENAME copyright COMPONENT ${component})
  install(FILES ${PROJECT_BINARY_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endfunction()
if(NOT WIN32)
  execute_process(COMMAND date -u -R -d ${COORD2SEG_RELEASE_DATE}
                  OUTPUT_VARIABLE COORD2SEG_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  configure_file(cmake/changelog.in changelog @ONLY)
  add_custom_command(OUTPUT changelog.gz COMMAND gzip -9nkf changelog DEPENDS changelog
                     WORKING_DIRECTORY ${PROJECT_BINARY_DIR} VERBATIM)
  add_custom_target(changelog ALL DEPENDS changelog.gz)
  coord2seg_debian_documents(coord2seg Unspecified)
endif()

# The GDAL plugin is a package of its own, coord2seg-gdal, for the GDAL minor version it was
# built for (gdal_plugin/CMakeLists.txt names the dependency).
if(TARGET ogr_SegmentFile)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL Unspecified gdal)
  set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME coord2seg)
  set(CPACK_DEBIAN_GDAL_PACKAGE_NAME coord2seg-gdal)
  set(CPACK_DEBIAN_GDAL_PACKAGE_DEPENDS ${COORD2SEG_GDAL_PACKAGE_DEPENDS})
  # Each package's description in lines of Debian's width, after the common synopsis.
  string(CONCAT CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION
         "coord2seg reads a text file of positions, one a line in decimal degrees, and\n"
         "writes a compact binary segment file beside it, byte-exact and fast on hundreds\n"
         "of megabytes. segdump reads segment files back as coordinate text, GeoJSON or\n"
         "SVG, or checks them; coordlint says what a conversion would drop.")
  string(CONCAT CPACK_DEBIAN_GDAL_DESCRIPTION
         "This is the GDAL driver plugin. The SegmentFile vector driver lets GDAL's\n"
         "programs (ogrinfo, ogr2ogr), QGIS and the Python and R bindings read and\n"
         "write segment files.")
  coord2seg_debian_documents(coord2seg-gdal gdal)
  # The driver's page, with the picture it shows of the QGIS plugin.
  install(FILES ${PROJECT_SOURCE_DIR}/docs/segmentfile_driver.md
                ${PROJECT_SOURCE_DIR}/docs/qgis_toolbox.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/coord2seg-gdal COMPONENT gdal)
endif()

# The page in one file, where Emscripten builds it.
include(cmake/WebPage.cmake)

include(CPack)
