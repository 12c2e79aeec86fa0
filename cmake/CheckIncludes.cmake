# Fails when one of FILES includes a project header from a folder outside ALLOWED; on success
# touches STAMP. Run by the build (see Layers.cmake):
#   cmake -DALLOWED=folders -DFILES=paths -DSTAMP=path -P CheckIncludes.cmake
cmake_minimum_required(VERSION 3.25)
set(wrong "")
foreach(file IN LISTS FILES)
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/[^\"/]+\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"(.+)/[^\"/]+\".*$" "\\1" folder "${line}")
    if(NOT folder IN_LIST ALLOWED)
      string(APPEND wrong "\n  ${file}: ${line}")
    endif()
  endforeach()
endforeach()
if(wrong)
  list(JOIN ALLOWED ", " allowed)
  message(FATAL_ERROR "these includes cross the layers (allowed here: ${allowed}):${wrong}")
endif()
file(WRITE ${STAMP} "")
