# SPDX-License-Identifier: Apache-2.0
# Checks that run only in the Windows build: the DLLs' export tables, and
# the 32-bit layouts and run-time loading in test_windows.
if(NOT WIN32)
    return()
endif()

if(NOT CMAKE_OBJDUMP)
    find_program(CMAKE_OBJDUMP NAMES ${CMAKE_C_COMPILER_TARGET}-objdump i686-w64-mingw32-objdump objdump)
endif()
if(NOT CMAKE_OBJDUMP)
    message(FATAL_ERROR "tests/windows: no objdump found to read the DLL export tables")
endif()

set(kmx_windows_dir ${CMAKE_CURRENT_LIST_DIR})

# The DLLs export what cmake/exports.txt lists for them, undecorated, and
# nothing else.
foreach(library kmxsim kmxcore)
    add_test(NAME windows_${library}_exports
             COMMAND ${CMAKE_COMMAND}
                     -DOBJDUMP=${CMAKE_OBJDUMP}
                     -DDLL=$<TARGET_FILE:${library}>
                     -DSECTION=${library}
                     -DEXPORTS_MODULE=${PROJECT_SOURCE_DIR}/cmake/kmx_exports.cmake
                     -P ${kmx_windows_dir}/check_exports.cmake)
endforeach()

# The export tables are read from the files; nothing is run under Wine, so
# these checks hold also where the machine cannot run 32-bit programs.
set_tests_properties(windows_kmxsim_exports windows_kmxcore_exports
                     PROPERTIES LABELS export_table)

# Run by scripts/windows-test.sh before the suite, to learn whether this
# machine can run 32-bit programs under Wine at all.
add_executable(wine_probe ${kmx_windows_dir}/wine_probe.c)
kmx_warnings(wine_probe)
kmx_static_runtime(wine_probe)

add_executable(test_windows ${kmx_windows_dir}/windows_test.cpp)
target_link_libraries(test_windows PRIVATE kmx_test_support)
kmx_warnings(test_windows)
kmx_static_runtime(test_windows)
add_test(NAME windows COMMAND test_windows)
set_tests_properties(windows PROPERTIES TIMEOUT 600)
