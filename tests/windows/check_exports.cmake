# SPDX-License-Identifier: Apache-2.0
# Checks the export table of a Windows DLL against the list of exported
# names (cmake/exports.txt): every C function the list declares for the
# library must be exported under its plain name (no leading underscore, no
# @N stdcall suffix), so that GetProcAddress and other compilers' import
# libraries find it; and nothing else may be exported but the members,
# virtual tables and type information of the classes the list names.
#
#   cmake -DOBJDUMP=<objdump> -DDLL=<file.dll> -DSECTION=<library in the list>
#         -DEXPORTS_MODULE=<cmake/kmx_exports.cmake> -P check_exports.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP DLL SECTION EXPORTS_MODULE)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "check_exports: ${var} not given")
    endif()
endforeach()
if(NOT EXISTS "${DLL}")
    message(FATAL_ERROR "check_exports: ${DLL} does not exist")
endif()
include(${EXPORTS_MODULE})
kmx_read_exports(${KMX_EXPORT_LIST} ${SECTION} declared classes)
list(LENGTH declared declared_count)

# The names in the DLL's export table.
execute_process(COMMAND "${OBJDUMP}" -p "${DLL}"
                OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error RESULT_VARIABLE dump_result)
if(NOT dump_result EQUAL 0)
    message(FATAL_ERROR "check_exports: ${OBJDUMP} -p ${DLL} failed: ${dump_error}")
endif()
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" table_start)
if(table_start EQUAL -1)
    message(FATAL_ERROR "check_exports: ${DLL} has no export name table")
endif()
string(SUBSTRING "${dump}" ${table_start} -1 table)
string(REGEX MATCHALL "\n[ \t]*\\[[ 0-9]+\\] [^\n]+" rows "${table}")
set(exported "")
foreach(row IN LISTS rows)
    string(REGEX REPLACE "^\n[ \t]*\\[[ 0-9]+\\] " "" name "${row}")
    string(STRIP "${name}" name)
    list(APPEND exported "${name}")
endforeach()
list(LENGTH exported exported_count)

kmx_compare_exports("${exported}" "${declared}" "${classes}" problems)
if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "check_exports: ${DLL}:\n  ${text}")
endif()
message(STATUS "check_exports: ${DLL}: the ${declared_count} listed C functions exported "
               "undecorated (${exported_count} exports in all)")
