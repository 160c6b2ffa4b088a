# SPDX-License-Identifier: Apache-2.0
# The C factory interface, tested from C by loading the library at run time,
# and the list of names the library exports.

add_executable(test_exports_c ${CMAKE_CURRENT_LIST_DIR}/load_library.c)
target_include_directories(test_exports_c PRIVATE ${PROJECT_SOURCE_DIR})
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

if(NOT WIN32)
    find_program(KMX_NM NAMES nm)
    add_test(NAME exports_list
        COMMAND ${CMAKE_COMMAND} -DNM=${KMX_NM} -DLIBRARY=$<TARGET_FILE:kmxcore>
                -P ${CMAKE_CURRENT_LIST_DIR}/check_exports.cmake)
endif()
