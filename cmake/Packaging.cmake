# Release packages, made with `cpack` in a build tree (or `cmake --workflow --preset package`):
# what `install` puts in the tree, as a .deb and a .tar.gz on Linux, a .zip on Windows.
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
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB TGZ)
endif()

# Debian: coord2seg_1.0.0_amd64.deb, depending on the libraries the programs link as dpkg-shlibdeps
# finds them (dpkg-dev).
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)

include(CPack)
