# Layers: one static library per source folder, coord2seg_<layer>, which may use only the layers
# it names. The build holds each layer to that twice over:
#  - the library is linked whole, with the layers it names and nothing else, into an empty
#    program (<target>_link_check), so a call into any other layer is an undefined symbol;
#  - every file of its folder is searched for an #include from another folder it may not use,
#    which also catches inline code and constants, where the linker sees nothing; of a layer that
#    names its entry headers, only those.
# Both run before anything that uses the layer is built, so a build of one program checks the
# layers under it too.
# SPDX-License-Identifier: MIT
include_guard(GLOBAL)

# What every layer is compiled with: sources are named from the top folder ("common/system.h").
add_library(coord2seg_settings INTERFACE)
target_include_directories(coord2seg_settings INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(coord2seg_settings INTERFACE -Wall -Wextra -Wpedantic)
# The one version: every program's --version and the man pages take it from project().
target_compile_definitions(coord2seg_settings INTERFACE COORD2SEG_VERSION="${PROJECT_VERSION}")

# coord2seg_layer(LAYER [SOURCES files...] [SYSTEM_SOURCES files...] [USES layers...]
#                 [ENTRY_HEADERS headers...])
# The library of the current folder. SOURCES touch neither files nor the processor's extensions
# (the web module is built from them alone); SYSTEM_SOURCES do. ENTRY_HEADERS, when given, are the
# only headers of the folder that other folders may include; the rest stay its own.
function(coord2seg_layer layer)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;SYSTEM_SOURCES;USES;ENTRY_HEADERS")
  set(sources ${arg_SOURCES})
  if(NOT EMSCRIPTEN)
    list(APPEND sources ${arg_SYSTEM_SOURCES})
  endif()
  list(TRANSFORM sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  list(TRANSFORM arg_USES PREPEND coord2seg_ OUTPUT_VARIABLE used)
  set(target coord2seg_${layer})
  if(sources)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC coord2seg_settings ${used})
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE coord2seg_settings ${used})
  endif()
  set_target_properties(${target} PROPERTIES COORD2SEG_SOURCES "${sources}"
                                             COORD2SEG_USES "${arg_USES}")
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL PROPERTY COORD2SEG_FOLDER_OF_${layer} ${folder})
  list(TRANSFORM arg_ENTRY_HEADERS PREPEND ${folder}/ OUTPUT_VARIABLE entries)
  set_property(GLOBAL PROPERTY COORD2SEG_ENTRIES_OF_${layer} "${entries}")
  coord2seg_restrict_includes(${folder} USES ${arg_USES})
  if(sources)
    string(MAKE_C_IDENTIFIER ${folder} name)
    add_dependencies(${target} coord2seg_${name}_includes)
    foreach(used_target IN LISTS used)
      if(TARGET ${used_target}_link_check)
        add_dependencies(${target} ${used_target}_link_check)
      endif()
    endforeach()
  endif()
  if(sources AND NOT EMSCRIPTEN)
    add_executable(${target}_link_check ${PROJECT_SOURCE_DIR}/cmake/layer_link_check.cpp)
    target_link_libraries(${target}_link_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${target}>")
  endif()
endfunction()

# coord2seg_restrict_includes(FOLDER USES layers...)
# Lets the files of FOLDER include only from itself and from the folders of those layers, and of
# a layer with entry headers only those; the check is the target
# coord2seg_<FOLDER as an identifier>_includes.
function(coord2seg_restrict_includes folder)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "USES")
  set(allowed ${folder})
  set(entries "")
  foreach(layer IN LISTS arg_USES)
    get_property(used_folder GLOBAL PROPERTY COORD2SEG_FOLDER_OF_${layer})
    if(NOT used_folder)
      message(FATAL_ERROR "${folder} uses the layer '${layer}', which is not defined before it")
    endif()
    list(APPEND allowed ${used_folder})
    get_property(used_entries GLOBAL PROPERTY COORD2SEG_ENTRIES_OF_${layer})
    list(APPEND entries ${used_entries})
  endforeach()
  file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h
                                    ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  string(MAKE_C_IDENTIFIER ${folder} name)
  set(stamp ${PROJECT_BINARY_DIR}/layer_includes/${name}.checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} "-DALLOWED=${allowed}"
            "-DENTRIES=${entries}" "-DFILES=${files}" -DSTAMP=${stamp}
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
    COMMENT "Checking what ${folder} includes" VERBATIM)
  add_custom_target(coord2seg_${name}_includes ALL DEPENDS ${stamp})
endfunction()

# coord2seg_pic_layer(LAYER)
# The layer again, position-independent, for a shared module, with the layers it uses; the
# layer itself keeps its flags. GCC is told that the functions are not replaced at load time, so
# it still inlines across them as in the programs. Only the sources are taken over: options set
# on the layer's target or on its files (the MinGW ones) are not, as no module is built there.
function(coord2seg_pic_layer layer)
  set(target coord2seg_${layer}_pic)
  if(TARGET ${target})
    return()
  endif()
  get_target_property(sources coord2seg_${layer} COORD2SEG_SOURCES)
  get_target_property(uses coord2seg_${layer} COORD2SEG_USES)
  add_library(${target} STATIC ${sources})
  add_dependencies(${target} coord2seg_${layer})  # and so its checks
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fno-semantic-interposition)
  endif()
  target_link_libraries(${target} PUBLIC coord2seg_settings)
  foreach(used IN LISTS uses)
    coord2seg_pic_layer(${used})
    target_link_libraries(${target} PUBLIC coord2seg_${used}_pic)
  endforeach()
endfunction()
