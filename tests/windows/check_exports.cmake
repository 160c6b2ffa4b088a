# SPDX-License-Identifier: Apache-2.0
# Checks the export table of a Windows DLL: every C function a header
# declares must be exported under its plain name (no leading underscore, no
# @N stdcall suffix), so that GetProcAddress and other compilers' import
# libraries find it.
#
#   cmake -DOBJDUMP=<objdump> -DDLL=<file.dll>
#         -DHEADERS=<header> | -DHEADER_DIR=<folder, searched recursively>
#         -DMACRO=<regex of the export macros> -DPATTERN=<regex of names>
#         [-DEXPECTED_COUNT=<n>] -P check_exports.cmake
#
# The names come from the headers' declarations "MACRO <type> name(" that
# match PATTERN; a folder is read as it stands when the test runs. With EXPECTED_COUNT the number of such declarations must
# be exactly that, so a lost declaration fails too.
cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP DLL MACRO PATTERN)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "check_exports: ${var} not given")
    endif()
endforeach()
if(NOT EXISTS "${DLL}")
    message(FATAL_ERROR "check_exports: ${DLL} does not exist")
endif()

# The names the headers declare.
if(DEFINED HEADER_DIR)
    file(GLOB_RECURSE dir_headers "${HEADER_DIR}/*.h")
    list(APPEND HEADERS ${dir_headers})
endif()
set(declared "")
foreach(header IN LISTS HEADERS)
    file(READ "${header}" text)
    # One declaration may span lines; the name is the identifier right
    # before the first parenthesis after the macro.
    string(REGEX MATCHALL "${MACRO}[ \t\r\n]+[A-Za-z_][A-Za-z0-9_ \t\r\n\\*]*\\(" decls "${text}")
    foreach(decl IN LISTS decls)
        string(REGEX MATCH "([A-Za-z_][A-Za-z0-9_]*)[ \t\r\n]*\\($" _ "${decl}")
        set(name "${CMAKE_MATCH_1}")
        if(name MATCHES "${PATTERN}")
            list(APPEND declared "${name}")
        endif()
    endforeach()
endforeach()
list(REMOVE_DUPLICATES declared)
list(LENGTH declared declared_count)
if(DEFINED EXPECTED_COUNT AND NOT declared_count EQUAL EXPECTED_COUNT)
    message(FATAL_ERROR "check_exports: the headers declare ${declared_count} functions "
                        "matching '${PATTERN}', expected ${EXPECTED_COUNT}: ${declared}")
endif()

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

set(problems "")
foreach(name IN LISTS declared)
    if(NOT name IN_LIST exported)
        # Say how it went wrong when a decorated form is there instead.
        set(found "")
        foreach(candidate IN LISTS exported)
            if(candidate MATCHES "^_*${name}(@[0-9]+)?$")
                set(found " (exported as '${candidate}')")
            endif()
        endforeach()
        string(APPEND problems "\n  ${name} is not exported undecorated${found}")
    endif()
endforeach()
# Whatever else the DLL exports under a name of the checked kind must be
# undecorated too.
foreach(name IN LISTS exported)
    string(REGEX REPLACE "^_+" "" bare "${name}")
    string(REGEX REPLACE "@[0-9]+$" "" bare "${bare}")
    if(bare MATCHES "${PATTERN}" AND NOT bare STREQUAL name)
        string(APPEND problems "\n  decorated export '${name}'")
    elseif(name MATCHES "@[0-9]+$")
        string(APPEND problems "\n  stdcall-decorated export '${name}'")
    endif()
endforeach()

if(problems)
    message(FATAL_ERROR "check_exports: ${DLL}:${problems}")
endif()
message(STATUS "check_exports: ${DLL}: ${declared_count} declared functions matching "
               "'${PATTERN}' exported undecorated (${exported_count} exports in all)")
