# Sanitizer and fuzzing builds. Included before any target, so that every library, program
# and test is built the same way.
#
#   -DNUVEX_SANITIZE="address;undefined"   every target with these sanitizers; a finding
#                                          ends the program (no recovery), so tests fail
#   -DNUVEX_FUZZ=ON                        the fuzz targets in tests/fuzz/ as libFuzzer
#                                          programs (clang only; tools/fuzz.sh sets it up)
set(NUVEX_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address;undefined")
option(NUVEX_FUZZ "Build the fuzz targets with libFuzzer (needs clang)" OFF)

if(NUVEX_SANITIZE)
  list(JOIN NUVEX_SANITIZE "," nuvex_sanitizers)
  add_compile_options(-fsanitize=${nuvex_sanitizers} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${nuvex_sanitizers})
endif()

if(NUVEX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "NUVEX_FUZZ needs clang (CXX=clang++-14); libFuzzer is part of clang.")
  endif()
  # Coverage for the fuzzer in every library; the fuzz programs add the fuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
