# What a Windows build adds: static programs with the UTF-8 manifest, Wine to run the tests when
# cross-building, and the ZIP package. Included from the top CMakeLists.txt when WIN32.
# SPDX-License-Identifier: MIT
enable_language(RC)

# Each program runs alone: the C++ runtime and the thread library are linked in.
add_link_options(-static)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)

# Resources every program carries (see coord2seg_program).
set(COORD2SEG_PROGRAM_RESOURCES ${PROJECT_SOURCE_DIR}/windows/program.rc)
# Programs, README and license side by side at the top of the package.
set(COORD2SEG_PROGRAM_DESTINATION .)
set(COORD2SEG_DOC_DESTINATION .)

# Cross-built: tests and their discovery run the programs through Wine, in a prefix of this
# build's own unless WINEPREFIX says otherwise.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(COORD2SEG_WINE wine)
  if(COORD2SEG_WINE)
    set(COORD2SEG_WINE_PREFIX ${PROJECT_BINARY_DIR}/wine)
    configure_file(${PROJECT_SOURCE_DIR}/windows/wine-run.in ${PROJECT_BINARY_DIR}/wine-run @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run)
  endif()
endif()
