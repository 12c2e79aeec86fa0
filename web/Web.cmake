# The web page and the JavaScript package: the portable library code compiled to WebAssembly with
# Emscripten (the `web` preset), included by the top CMakeLists.txt. Built into the build folder:
#   coord2seg.html                               the page in one file, to hand out and install
#   index.html, page.js, worker.js, style.css    the page as separate files, for a web server
#   coord2seg.js + coord2seg.wasm                the module the worker loads over HTTP
#   package/                                     the npm package folder (ES module)
# SPDX-License-Identifier: MIT

# Emscripten's JavaScript optimizer needs Debian's acorn, which a node not from Debian (NodeSource)
# finds only with this path.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)

# The page's entry points over the layers' portable sources (see coord2seg_layer).
add_library(coord2seg_web_code OBJECT
  web/geojson_records.cpp
  web/input_kind.cpp
  web/json_reader.cpp
  web/module_api.cpp
  web/page_map.cpp
  web/report_notes.cpp
)
target_link_libraries(coord2seg_web_code PUBLIC coord2seg_driver coord2seg_segdump
                                                coord2seg_coordlint)
add_dependencies(coord2seg_web_code coord2seg_web_includes)

set(exported_functions _InputBuffer _NameBuffer _Release _ResultData _ResultSize _Message _Convert
    _Lint _Dump _OutputName _Classify _FromGeoJson _ErrorCode _ErrorOffset _PageKind _PageLint
    _PageFacts _PageMap _PageText _PageRecordsData
    _PageRecordsSize _PageMapData _PageMapSize _PageTextBegin _PageTextPart _PageTextFinish)
list(JOIN exported_functions "," exported_functions)
set(module_link_options
  -fwasm-exceptions
  -sMODULARIZE=1
  -sALLOW_MEMORY_GROWTH=1
  -sMAXIMUM_MEMORY=4GB
  -sFILESYSTEM=0
  -sEXPORTED_FUNCTIONS=${exported_functions}
  -sEXPORTED_RUNTIME_METHODS=HEAPU8
)

# One module build: `name` is the output file, `options` what sets this variant apart.
function(add_web_module target output_name)
  add_executable(${target} $<TARGET_OBJECTS:coord2seg_web_code>)
  target_link_libraries(${target} PRIVATE coord2seg_driver coord2seg_segdump coord2seg_coordlint)
  target_link_options(${target} PRIVATE ${module_link_options} ${ARGN})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name} SUFFIX "")
endfunction()

# For the page over HTTP: a classic script the worker imports, and its .wasm beside it.
add_web_module(web_module coord2seg.js -sENVIRONMENT=worker -sEXPORT_NAME=createCoord2segModule)
# For the page in one file, which cannot fetch a .wasm from disk: the same with the .wasm inside.
add_web_module(web_module_single coord2seg-single.js -sENVIRONMENT=worker -sSINGLE_FILE=1
               -sEXPORT_NAME=createCoord2segModule)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/package)
# For the package: an ES module for browsers and Node, which hands it the .wasm's bytes (the
# loader's own Node code is not for ES modules, and it sets process-wide handlers).
add_web_module(web_module_package package/coord2seg-module.mjs -sENVIRONMENT=web,worker
               -sEXPORT_ES6=1 -sEXPORT_NAME=createCoord2segModule)

# Copied as they are.
set(copied)
foreach(file IN ITEMS index.html page.js worker.js api.js style.css package/index.d.ts
                      package/README.md)
  add_custom_command(OUTPUT ${file} COMMAND ${CMAKE_COMMAND} -E copy
                     ${PROJECT_SOURCE_DIR}/web/${file} ${CMAKE_CURRENT_BINARY_DIR}/${file}
                     DEPENDS ${PROJECT_SOURCE_DIR}/web/${file})
  list(APPEND copied ${CMAKE_CURRENT_BINARY_DIR}/${file})
endforeach()
# The package's Node entry and the project's licence, which the tarball carries.
foreach(file IN ITEMS web/package/node.js LICENSE)
  get_filename_component(file_name ${file} NAME)
  add_custom_command(OUTPUT package/${file_name} COMMAND ${CMAKE_COMMAND} -E copy
                     ${PROJECT_SOURCE_DIR}/${file} ${CMAKE_CURRENT_BINARY_DIR}/package/${file_name}
                     DEPENDS ${PROJECT_SOURCE_DIR}/${file})
  list(APPEND copied ${CMAKE_CURRENT_BINARY_DIR}/package/${file_name})
endforeach()
configure_file(web/package/package.json package/package.json @ONLY)

set(assemble node ${PROJECT_SOURCE_DIR}/web/assemble.mjs)
set(web_folder ${PROJECT_SOURCE_DIR}/web)
set(page_parts ${web_folder}/index.html ${web_folder}/style.css ${web_folder}/page.js)
set(worker_parts coord2seg-single.js ${web_folder}/api.js ${web_folder}/worker.js)
add_custom_command(OUTPUT coord2seg.html
                   COMMAND ${assemble} page coord2seg.html ${page_parts} ${worker_parts}
                   DEPENDS web_module_single ${page_parts} ${worker_parts} ${web_folder}/assemble.mjs)
add_custom_target(web_single_page DEPENDS coord2seg.html)
# The page in one file is what a release installs (the package preset builds it through
# cmake/WebPage.cmake where Emscripten is found).
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/coord2seg.html
        DESTINATION ${CMAKE_INSTALL_DATADIR}/coord2seg/web)
add_custom_command(OUTPUT package/index.js
                   COMMAND ${assemble} concat package/index.js ${web_folder}/api.js
                           ${web_folder}/package/entry.js
                   DEPENDS ${web_folder}/api.js ${web_folder}/package/entry.js
                           ${web_folder}/assemble.mjs)
add_custom_target(web ALL DEPENDS ${copied} coord2seg.html package/index.js web_module
                                  web_module_package)

if(COORD2SEG_BUILD_TESTS)
  enable_testing()
  include(web/tests/WebTests.cmake)
endif()
