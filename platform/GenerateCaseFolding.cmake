# Turns the Unicode Character Database's CaseFolding.txt into a sorted C++ table of the
# simple case foldings (statuses C and S): one {code point, folded} pair per line.
# Run as: cmake -DINPUT=<CaseFolding.txt> -DOUTPUT=<file.inc> -P GenerateCaseFolding.cmake
if(NOT INPUT OR NOT OUTPUT)
  message(FATAL_ERROR "INPUT and OUTPUT are required")
endif()

file(STRINGS "${INPUT}" lines REGEX "^[0-9A-F]+; [CS]; [0-9A-F]+;")
set(body "")
set(count 0)
foreach(line IN LISTS lines)
  string(REGEX MATCH "^([0-9A-F]+); [CS]; ([0-9A-F]+);" _ "${line}")
  string(APPEND body "    {0x${CMAKE_MATCH_1}, 0x${CMAKE_MATCH_2}},\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count LESS 1000)
  message(FATAL_ERROR "${INPUT} holds only ${count} simple case foldings; is it CaseFolding.txt?")
endif()

file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by GenerateCaseFolding.cmake; do not edit.\n"
  "// ${count} simple case foldings, sorted by code point as the source file lists them.\n"
  "${body}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
