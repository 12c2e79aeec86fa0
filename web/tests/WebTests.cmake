# The web build's tests, run by ctest in build-web/. Those that compare with the native programs
# find them, built by the default preset, in COORD2SEG_NATIVE_BUILD; without them (or without
# Chromium or the npm registry) such a test is skipped, and with the environment variable CI set it
# fails instead.
# SPDX-License-Identifier: MIT
set(COORD2SEG_NATIVE_BUILD ${PROJECT_SOURCE_DIR}/build CACHE PATH
    "The native build whose programs and GDAL plugin the web tests compare with")
set(web_tests ${PROJECT_SOURCE_DIR}/web/tests)

# Run by node itself, not `node --test`, whose runner would report the skip's status as a failure.
add_test(NAME web_module
         COMMAND node ${web_tests}/module_test.mjs)
set_tests_properties(web_module PROPERTIES SKIP_RETURN_CODE 77 ENVIRONMENT
  "COORD2SEG_PACKAGE=${CMAKE_BINARY_DIR}/package;COORD2SEG_NATIVE=${COORD2SEG_NATIVE_BUILD};\
COORD2SEG_EXAMPLES=${PROJECT_SOURCE_DIR}/examples")

# The package's own contract, which needs nothing native.
add_test(NAME web_package
         COMMAND node --expose-gc ${web_tests}/package_test.mjs)
set_tests_properties(web_package PROPERTIES ENVIRONMENT
                     "COORD2SEG_PACKAGE=${CMAKE_BINARY_DIR}/package")

# The packed tarball type-checked, bundled by esbuild and run in Chromium (esbuild and typescript
# from the npm registry, into the build folder once).
add_test(NAME web_bundle
         COMMAND /usr/bin/python3 ${web_tests}/bundle_test.py ${CMAKE_BINARY_DIR}
                 ${COORD2SEG_NATIVE_BUILD} ${PROJECT_SOURCE_DIR}/examples)
set_tests_properties(web_bundle PROPERTIES SKIP_RETURN_CODE 77)

# Debian's python3, whose selenium a python3 earlier on the PATH may not see. Headless Chromium
# runs every check; WebKit (WebKitWebDriver, on a virtual screen from xvfb-run when there is no
# screen) the conversions on the page in one file.
foreach(engine IN ITEMS chromium webkit)
  add_test(NAME web_page_${engine}
           COMMAND /usr/bin/python3 ${web_tests}/browser_test.py ${CMAKE_BINARY_DIR}
                   ${COORD2SEG_NATIVE_BUILD} ${PROJECT_SOURCE_DIR}/examples --engine ${engine})
  set_tests_properties(web_page_${engine} PROPERTIES SKIP_RETURN_CODE 77)
endforeach()
