# SPDX-License-Identifier: Apache-2.0
# Cross build for 32-bit Windows with Debian's mingw-w64 (i686). The
# -posix compilers use the winpthreads threading model, which std::thread,
# std::mutex and std::condition_variable need; the -win32 ones lack them.
# Test programs run under Wine through scripts/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(kmx_mingw_prefix i686-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${kmx_mingw_prefix}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${kmx_mingw_prefix}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${kmx_mingw_prefix}-windres)
find_program(CMAKE_AR NAMES ${kmx_mingw_prefix}-ar)
find_program(CMAKE_RANLIB NAMES ${kmx_mingw_prefix}-ranlib)
find_program(CMAKE_OBJDUMP NAMES ${kmx_mingw_prefix}-objdump)

# Headers and libraries come from the cross sysroot only; programs (the
# build tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${kmx_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest starts every Windows program through Wine, headless, in a Wine
# prefix of the build tree (scripts/windows-test.sh starts each run with a
# fresh one).
get_filename_component(kmx_source_root ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${kmx_source_root}/scripts/wine-run.sh --prefix ${CMAKE_BINARY_DIR}/wineprefix)

# DLL names without the "lib" prefix that CMake gives mingw-w64 builds.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/mingw-rules.cmake)
