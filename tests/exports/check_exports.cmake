# SPDX-License-Identifier: Apache-2.0
# Checks the dynamic symbol table of a shared library against the list of
# exported names (cmake/exports.txt): every C name the list declares for
# the library is there under its plain name, and nothing else is exported
# but the members, virtual tables and type information of the classes it
# lists.
#
#   cmake -DNM=<nm> -DLIBRARY=<file> -DSECTION=<library in the list>
#         -DEXPORTS_MODULE=<cmake/kmx_exports.cmake> -P check_exports.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var NM LIBRARY SECTION EXPORTS_MODULE)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "check_exports: ${var} not given")
    endif()
endforeach()
include(${EXPORTS_MODULE})
kmx_read_exports(${KMX_EXPORT_LIST} ${SECTION} c_names classes)

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")

set(exported "")
foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) (.+)$")
        # A versioned name (name@VERSION) counts as its plain name.
        string(REGEX REPLACE "@.*$" "" name "${CMAKE_MATCH_2}")
        list(APPEND exported ${name})
    endif()
endforeach()

kmx_compare_exports("${exported}" "${c_names}" "${classes}" problems)
if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "check_exports: ${LIBRARY}:\n  ${text}")
endif()
list(LENGTH exported count)
message(STATUS "${LIBRARY}: ${count} exported names, as listed for [${SECTION}]")
