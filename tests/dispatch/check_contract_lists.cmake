# SPDX-License-Identifier: Apache-2.0
# Every library that stands in for the camera library lists, in
# cmake/exports.txt, every function kmxlib.h declares (the header is the
# reference, so the check follows it); the export checks then hold each
# library's symbol table to its list.
#
#   cmake -DHEADER=<kmxlib.h> -DEXPORTS_MODULE=<cmake/kmx_exports.cmake>
#         -DSECTIONS=<a;b> -P check_contract_lists.cmake
cmake_minimum_required(VERSION 3.25)
include(${EXPORTS_MODULE})
file(STRINGS ${HEADER} declarations REGEX "^KMXLIB_API int kmx_[a-z_]+\\(")
set(contract "")
foreach(line IN LISTS declarations)
    string(REGEX MATCH "kmx_[a-z_]+" name "${line}")
    list(APPEND contract ${name})
endforeach()
list(LENGTH contract count)
if(NOT count EQUAL 58)
    message(FATAL_ERROR "expected 58 contract functions in ${HEADER}, found ${count}")
endif()
set(failures 0)
foreach(section IN LISTS SECTIONS)
    kmx_read_exports(${KMX_EXPORT_LIST} ${section} names classes)
    foreach(name IN LISTS contract)
        if(NOT name IN_LIST names)
            message(SEND_ERROR "[${section}] lacks ${name}")
            math(EXPR failures "${failures} + 1")
        endif()
    endforeach()
endforeach()
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} contract functions missing from the export lists")
endif()
message(STATUS "[${SECTIONS}] list the ${count} contract functions")
