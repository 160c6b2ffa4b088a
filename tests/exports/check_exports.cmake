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
set(failures 0)
foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) (.+)$")
        continue()
    endif()
    set(name ${CMAKE_MATCH_2})
    # A versioned name (name@VERSION) counts as its plain name.
    string(REGEX REPLACE "@.*$" "" name "${name}")
    list(APPEND exported ${name})
    if(name IN_LIST c_names)
        continue()
    endif()
    set(ours FALSE)
    foreach(class IN LISTS classes)
        string(LENGTH ${class} length)
        # Members (_ZN, _ZNK), virtual table (_ZTV), type information (_ZTI)
        # and its name (_ZTS) of the class.
        if(name MATCHES "^_Z(N|NK|TV|TI|TS)${length}${class}")
            set(ours TRUE)
        endif()
    endforeach()
    if(NOT ours)
        message(SEND_ERROR "exported but not in the list: ${name}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()

foreach(name IN LISTS c_names)
    if(NOT name IN_LIST exported)
        message(SEND_ERROR "listed but not exported (or decorated): ${name}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
if(failures GREATER 0)
    message(FATAL_ERROR "${LIBRARY}: ${failures} export problems")
endif()
list(LENGTH exported count)
message(STATUS "${LIBRARY}: ${count} exported names, as listed for [${SECTION}]")
