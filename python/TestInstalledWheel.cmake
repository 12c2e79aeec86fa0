# Installs the wheel into a fresh venv that sees the system's packages, checks that the package
# imports from there, and runs the Python tests against it from a folder outside the sources.
# SPDX-License-Identifier: MIT
#   cmake -DPYTHON=... -DWHEEL_DIR=... -DWORK_DIR=... -DTESTS=... -DPROGRAMS=...
#         [-DGDAL_PLUGIN_DIR=...] -P TestInstalledWheel.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(GLOB wheels ${WHEEL_DIR}/coord2seg-*.whl)
list(LENGTH wheels wheel_count)
if(NOT wheel_count EQUAL 1)
  message(FATAL_ERROR "expected one wheel in ${WHEEL_DIR}, found: ${wheels}")
endif()
execute_process(COMMAND ${PYTHON} -m venv --system-site-packages ${WORK_DIR}/venv
                COMMAND_ERROR_IS_FATAL ANY)
set(venv_python ${WORK_DIR}/venv/bin/python)
execute_process(COMMAND ${venv_python} -m pip install --quiet --no-index --no-deps ${wheels}
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${venv_python} -c "import coord2seg; print(coord2seg.__file__)"
                WORKING_DIRECTORY ${WORK_DIR} OUTPUT_VARIABLE imported
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
if(NOT imported MATCHES "^${WORK_DIR}/venv/")
  message(FATAL_ERROR "coord2seg was imported from ${imported}, not from the venv")
endif()
set(ENV{COORD2SEG_PROGRAMS} ${PROGRAMS})
if(GDAL_PLUGIN_DIR)
  set(ENV{GDAL_DRIVER_PATH} ${GDAL_PLUGIN_DIR})
endif()
execute_process(COMMAND ${venv_python} -m pytest -p no:cacheprovider -q ${TESTS}
                WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the Python tests failed against the installed wheel")
endif()
