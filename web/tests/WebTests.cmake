# The web build's tests, run by ctest in build-web/. Both compare with the native programs, built
# by the default preset into COORD2SEG_NATIVE_BUILD; without them (or without Chromium, for the
# page) a test is skipped, and with the environment variable CI set it fails instead.
set(COORD2SEG_NATIVE_BUILD ${PROJECT_SOURCE_DIR}/build CACHE PATH
    "The native build whose programs and GDAL plugin the web tests compare with")
set(web_tests ${PROJECT_SOURCE_DIR}/web/tests)

add_test(NAME web_module
         COMMAND node --test ${web_tests}/module_test.mjs)
set_tests_properties(web_module PROPERTIES SKIP_RETURN_CODE 77 ENVIRONMENT
  "COORD2SEG_PACKAGE=${CMAKE_BINARY_DIR}/package;COORD2SEG_NATIVE=${COORD2SEG_NATIVE_BUILD};\
COORD2SEG_EXAMPLES=${PROJECT_SOURCE_DIR}/examples")

# Debian's python3, whose selenium a python3 earlier on the PATH may not see. Headless Chromium
# runs every check; WebKit (WebKitWebDriver, on a virtual screen from xvfb-run when there is no
# screen) the conversions on the page in one file.
foreach(engine IN ITEMS chromium webkit)
  add_test(NAME web_page_${engine}
           COMMAND /usr/bin/python3 ${web_tests}/browser_test.py ${CMAKE_BINARY_DIR}
                   ${COORD2SEG_NATIVE_BUILD} ${PROJECT_SOURCE_DIR}/examples --engine ${engine})
  set_tests_properties(web_page_${engine} PROPERTIES SKIP_RETURN_CODE 77)
endforeach()
