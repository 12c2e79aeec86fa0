# The page in one file (coord2seg.html) for a native build's install and release packages, made by
# a nested Emscripten build of this source tree. COORD2SEG_WEB_PAGE: OFF; ON; AUTO, when
# Debian's Emscripten is installed (the package preset's choice).
# SPDX-License-Identifier: MIT
set(COORD2SEG_WEB_PAGE OFF CACHE STRING
    "Build the page in one file with Emscripten and install it: ON, OFF or AUTO (when found)")
set_property(CACHE COORD2SEG_WEB_PAGE PROPERTY STRINGS ON OFF AUTO)
set(COORD2SEG_EMSCRIPTEN_TOOLCHAIN
    /usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake CACHE FILEPATH
    "Emscripten's CMake toolchain file, for the page in one file")

set(build_page OFF)
if(COORD2SEG_WEB_PAGE STREQUAL "AUTO")
  if(EXISTS ${COORD2SEG_EMSCRIPTEN_TOOLCHAIN} AND NOT WIN32)
    set(build_page ON)
  else()
    message(STATUS "No Emscripten: the page in one file is left out of the install")
  endif()
elseif(COORD2SEG_WEB_PAGE)
  if(NOT EXISTS ${COORD2SEG_EMSCRIPTEN_TOOLCHAIN})
    message(FATAL_ERROR "COORD2SEG_WEB_PAGE needs Emscripten: ${COORD2SEG_EMSCRIPTEN_TOOLCHAIN}")
  endif()
  set(build_page ON)
endif()

if(build_page)
  include(ExternalProject)
  ExternalProject_Add(web_page
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/web-page
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${COORD2SEG_EMSCRIPTEN_TOOLCHAIN}
               -DCMAKE_BUILD_TYPE=Release -DCOORD2SEG_BUILD_TESTS=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target web_single_page
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
  # Built with the programs, so that a tree built for them installs.
  add_dependencies(programs web_page)
  install(FILES ${PROJECT_BINARY_DIR}/web-page/coord2seg.html
          DESTINATION ${CMAKE_INSTALL_DATADIR}/coord2seg/web)
endif()
