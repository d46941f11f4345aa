# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
#
#   cmake -S . -B build/win64 \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DVELTRAX_WIN64_PREFIX=<folder with the cross-built libpng and GoogleTest>
#
# scripts/setup-win64.sh builds that folder; scripts/test-win64.sh does all of it.
# The compiler flags shared with the Linux lane (-ffp-contract=off, no fast-math)
# come from the top-level CMakeLists.txt; x86-64 itself guarantees SSE2 arithmetic.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELTRAX_MINGW_TRIPLET x86_64-w64-mingw32)
# The "posix" thread model gives the C++ runtime std::thread and std::mutex;
# its winpthread library is linked statically like the rest of the runtime.
set(CMAKE_C_COMPILER ${VELTRAX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTRAX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTRAX_MINGW_TRIPLET}-windres)
find_program(VELTRAX_MINGW_CXX_PATH ${CMAKE_CXX_COMPILER})
if(NOT VELTRAX_MINGW_CXX_PATH)
  message(FATAL_ERROR "${CMAKE_CXX_COMPILER} not found: install the Debian package "
    "g++-mingw-w64-x86-64 (scripts/setup-win64.sh installs everything the win64 lane needs)")
endif()
set(CMAKE_AR ${VELTRAX_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VELTRAX_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${VELTRAX_MINGW_TRIPLET}-objdump CACHE FILEPATH "")

# Passed on to the try_compile projects, which read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELTRAX_WIN64_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${VELTRAX_MINGW_TRIPLET})
if(VELTRAX_WIN64_PREFIX)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${VELTRAX_WIN64_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# zlib from libz-mingw-w64-dev: take the static archive, not the import
# library of zlib1.dll, so the plug-in stays a single file.
set(ZLIB_INCLUDE_DIR /usr/${VELTRAX_MINGW_TRIPLET}/include CACHE PATH "")
set(ZLIB_LIBRARY /usr/${VELTRAX_MINGW_TRIPLET}/lib/libz.a CACHE FILEPATH "")

# The C library of mingw-w64 keeps M_PI and its kin behind this switch; glibc
# shows them by default, and the code base is written against both.
set(CMAKE_C_FLAGS_INIT "-D_USE_MATH_DEFINES")
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES")

# No runtime DLL may travel with the plug-in: C, C++ and thread runtimes are
# linked in statically.
set(VELTRAX_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${VELTRAX_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${VELTRAX_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${VELTRAX_STATIC_RUNTIME}")

# Test programs run under Wine; the wrapper needs WINEPREFIX (scripts/test-win64.sh
# creates a throw-away one for each run).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
# Listing the tests of a GoogleTest program needs Wine too: do it when CTest
# runs, not right after the build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
