# Fails when one of FILES includes a header from a folder of the project (under ROOT) outside
# ALLOWED; on success writes STAMP. Run by the build (see Layers.cmake):
#   cmake -DROOT=top -DALLOWED=folders -DFILES=paths -DSTAMP=path -P CheckIncludes.cmake
# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
set(wrong "")
foreach(file IN LISTS FILES)
  # Both forms: the top folder is on the include path, so <common/x.h> would find the file too.
  file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+/[^\">/]+[\">]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"<]*[\"<](.+)/[^\">/]+[\">].*$" "\\1" folder "${line}")
    if(NOT folder IN_LIST ALLOWED AND IS_DIRECTORY "${ROOT}/${folder}")
      string(APPEND wrong "\n  ${file}: ${line}")
    endif()
  endforeach()
endforeach()
if(wrong)
  list(JOIN ALLOWED ", " allowed)
  message(FATAL_ERROR "these includes cross the layers (allowed here: ${allowed}):${wrong}")
endif()
file(WRITE "${STAMP}" "")
