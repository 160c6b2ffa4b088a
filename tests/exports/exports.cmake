# SPDX-License-Identifier: Apache-2.0
# The C factory interface, tested from C by loading the library at run time,
# and the list of names the library exports.

add_executable(test_exports_c ${CMAKE_CURRENT_LIST_DIR}/load_library.c)
target_include_directories(test_exports_c PRIVATE
    $<TARGET_PROPERTY:kmxcore,INTERFACE_INCLUDE_DIRECTORIES>)
if(WIN32)
    target_compile_definitions(test_exports_c PRIVATE
        KMXCORE_LIBRARY="$<TARGET_FILE_NAME:kmxcore>")
else()
    target_compile_definitions(test_exports_c PRIVATE KMXCORE_LIBRARY="$<TARGET_FILE:kmxcore>")
    target_link_libraries(test_exports_c PRIVATE ${CMAKE_DL_LIBS})
endif()
add_dependencies(test_exports_c kmxcore kmxsim)
kmx_warnings(test_exports_c)
kmx_static_runtime(test_exports_c)
add_test(NAME exports_c COMMAND test_exports_c)

# Every shared library exports exactly what cmake/exports.txt lists for
# it. The install stage of scripts/test.sh runs the same check on the
# installed files.
if(NOT WIN32)
    find_program(KMX_NM NAMES nm)
    set(kmx_checked_libraries kmxcore:kmxcore kmxsim:kmxsim kmxplatform_posix:kmxplatform)
    foreach(library kmxlib kmxaravis)
        if(TARGET ${library})
            list(APPEND kmx_checked_libraries ${library}:${library})
        endif()
    endforeach()
    foreach(pair IN LISTS kmx_checked_libraries)
        string(REPLACE ":" ";" pair "${pair}")
        list(GET pair 0 target)
        list(GET pair 1 section)
        add_test(NAME exports_list_${section}
            COMMAND ${CMAKE_COMMAND} -DNM=${KMX_NM} -DLIBRARY=$<TARGET_FILE:${target}>
                    -DSECTION=${section} -DEXPORTS_MODULE=${PROJECT_SOURCE_DIR}/cmake/kmx_exports.cmake
                    -P ${CMAKE_CURRENT_LIST_DIR}/check_exports.cmake)
    endforeach()
endif()
