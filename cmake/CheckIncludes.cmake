# Fails when one of FILES includes a header from a folder of the project (under ROOT) outside
# ALLOWED, or from the folder of one of ENTRIES ("folder/header") a header not among them; on
# success writes STAMP. Run by the build (see Layers.cmake):
#   cmake -DROOT=top -DALLOWED=folders [-DENTRIES=headers] -DFILES=paths -DSTAMP=path
#         -P CheckIncludes.cmake
# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
set(entry_folders "")
foreach(entry IN LISTS ENTRIES)
  get_filename_component(entry_folder "${entry}" DIRECTORY)
  list(APPEND entry_folders ${entry_folder})
endforeach()
set(wrong "")
set(inside "")
foreach(file IN LISTS FILES)
  # Both forms: the top folder is on the include path, so <common/x.h> would find the file too.
  file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+/[^\">/]+[\">]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"<]*[\"<](.+)/[^\">/]+[\">].*$" "\\1" folder "${line}")
    string(REGEX REPLACE "^[^\"<]*[\"<]([^\">]+)[\">].*$" "\\1" header "${line}")
    if(NOT folder IN_LIST ALLOWED AND IS_DIRECTORY "${ROOT}/${folder}")
      string(APPEND wrong "\n  ${file}: ${line}")
    elseif(folder IN_LIST entry_folders AND NOT header IN_LIST ENTRIES)
      string(APPEND inside "\n  ${file}: ${line}")
    endif()
  endforeach()
endforeach()
set(failures "")
if(wrong)
  list(JOIN ALLOWED ", " allowed)
  string(APPEND failures "these includes cross the layers (allowed here: ${allowed}):${wrong}\n")
endif()
if(inside)
  list(JOIN ENTRIES ", " entries)
  string(APPEND failures
         "these includes reach behind a layer's entry headers (${entries}):${inside}\n")
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
file(WRITE "${STAMP}" "")
