# Checks the built Veltrax.dll with objdump -p: a 64-bit DLL that imports only
# Windows system libraries (no C, C++ or thread runtime DLL travels with it)
# and exports exactly VSTPluginMain and main, or the EXPECTED names (sorted, comma-separated)
# of another format's binary.
#   cmake -DOBJDUMP=<x86_64-w64-mingw32-objdump> -DPLUGIN=<Veltrax.dll> [-DEXPECTED=<a,b>]
#         -P CheckBinary.cmake
cmake_minimum_required(VERSION 3.20)

if(NOT DEFINED EXPECTED)
  set(EXPECTED "VSTPluginMain,main")
endif()
string(REPLACE "," ";" EXPECTED "${EXPECTED}")

execute_process(COMMAND ${OBJDUMP} -p ${PLUGIN}
  OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump -p ${PLUGIN} failed: ${dump_error}")
endif()

set(faults "")
if(NOT dump MATCHES "file format pei-x86-64")
  list(APPEND faults "not a 64-bit PE image")
endif()
if(NOT dump MATCHES "\n\tDLL\n")
  list(APPEND faults "not marked as a DLL")
endif()

# Libraries that ship with every 64-bit Windows.
set(system_dlls
  advapi32 comctl32 comdlg32 gdi32 imm32 kernel32 msimg32 msvcrt ole32 oleaut32
  shell32 shlwapi user32 uxtheme version winmm wininet ws2_32)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(imported "")
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: ([^\r\n]+)" "\\1" name "${line}")
  string(STRIP "${name}" name)
  list(APPEND imported ${name})
  string(TOLOWER "${name}" lower)
  string(REGEX REPLACE "\\.dll$" "" base "${lower}")
  if(NOT base IN_LIST system_dlls AND NOT base MATCHES "^api-ms-win-")
    list(APPEND faults "imports ${name}, which is not a Windows system library")
  endif()
endforeach()

# The export name table: lines "\t[   0] VSTPluginMain" after its heading.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(\t\\[ *[0-9]+\\] [^\n]+\n)*" table "${dump}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" entries "${table}")
set(exported "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\t\\[ *[0-9]+\\] " "" name "${entry}")
  list(APPEND exported ${name})
endforeach()
list(SORT exported)
if(NOT exported STREQUAL "${EXPECTED}")
  list(APPEND faults "exports [${exported}] instead of exactly [${EXPECTED}]")
endif()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "${PLUGIN}:\n  ${text}")
endif()
message(STATUS "imports: ${imported}; exports: ${exported}")
