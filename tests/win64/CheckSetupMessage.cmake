# A machine without the cross toolchain: the setup step names the Debian
# packages to install and stops, before CMake is ever run.
#   cmake -DSETUP=<scripts/setup-win64.sh> -DEMPTY_DIR=<folder without programs> -P CheckSetupMessage.cmake

file(MAKE_DIRECTORY ${EMPTY_DIR})
find_program(BASH bash REQUIRED)
execute_process(COMMAND ${CMAKE_COMMAND} -E env PATH=${EMPTY_DIR} ${BASH} ${SETUP} --check
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc EQUAL 0)
  message(FATAL_ERROR "setup-win64.sh --check passed without any program on PATH:\n${out}${err}")
endif()
foreach(package g\\+\\+-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine dpkg-dev)
  if(NOT err MATCHES "missing Debian package ${package} ")
    message(FATAL_ERROR "the message does not name ${package}:\n${err}")
  endif()
endforeach()
if(err MATCHES "CMake Error|line [0-9]+:")
  message(FATAL_ERROR "the message is not the setup step's own:\n${err}")
endif()
