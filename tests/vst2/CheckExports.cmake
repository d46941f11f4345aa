# Checks that the plug-in binary exports exactly VSTPluginMain and main, or
# the EXPECTED names (sorted, comma-separated) of another format's binary.
# Usage: cmake -DNM=<nm> -DLIBRARY=<Veltrax.so> [-DEXPECTED=<a,b>] -P CheckExports.cmake

if(NOT DEFINED EXPECTED)
  set(EXPECTED "VSTPluginMain,main")
endif()
string(REPLACE "," ";" EXPECTED "${EXPECTED}")

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}: ${errors}")
endif()

string(REGEX REPLACE "\n$" "" symbols "${symbols}")
string(REPLACE "\n" ";" lines "${symbols}")
set(names)
foreach(line IN LISTS lines)
  # "<address> <type> <name>"
  if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$")
    list(APPEND names "${CMAKE_MATCH_2}")
    if(NOT CMAKE_MATCH_1 STREQUAL "T")
      message(FATAL_ERROR "exported symbol ${CMAKE_MATCH_2} is of type ${CMAKE_MATCH_1}, not code")
    endif()
  elseif(NOT line STREQUAL "")
    message(FATAL_ERROR "unexpected nm output: ${line}")
  endif()
endforeach()
list(SORT names)
if(NOT names STREQUAL "${EXPECTED}")
  message(FATAL_ERROR "exports are [${names}], expected exactly [${EXPECTED}]")
endif()
message(STATUS "exports: ${names}")
