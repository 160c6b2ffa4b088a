# SPDX-License-Identifier: Apache-2.0
# The camera-library dispatch (not on Windows, where kmxcore links its
# camera library directly): its choices, its failures and its exports.
if(NOT TARGET kmxlib)
    return()
endif()
add_library(kmx_partial_camera_library MODULE ${CMAKE_CURRENT_LIST_DIR}/partial_library.c)
target_include_directories(kmx_partial_camera_library PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(kmx_partial_camera_library PRIVATE KMXLIB_BUILDING)

# Links the dispatch alone: the simulator is only ever loaded by it.
add_executable(test_dispatch ${CMAKE_CURRENT_LIST_DIR}/dispatch_test.cpp)
target_link_libraries(test_dispatch PRIVATE kmxlib ${kmx_gtest_main} ${CMAKE_DL_LIBS})
target_compile_definitions(test_dispatch PRIVATE
    PARTIAL_LIBRARY="$<TARGET_FILE:kmx_partial_camera_library>"
    KMXLIB_PATH="$<TARGET_FILE:kmxlib>"
    KMXLIB_FILE="$<TARGET_SONAME_FILE_NAME:kmxlib>"
    KMXLIB_SIM_FILE="$<TARGET_SONAME_FILE_NAME:kmxsim>")
add_dependencies(test_dispatch kmx_partial_camera_library kmxsim)
kmx_warnings(test_dispatch)
add_test(NAME dispatch COMMAND test_dispatch)

add_test(NAME contract_export_lists
    COMMAND ${CMAKE_COMMAND} -DHEADER=${PROJECT_SOURCE_DIR}/kmxcore/camera/kmxlib.h
            -DEXPORTS_MODULE=${PROJECT_SOURCE_DIR}/cmake/kmx_exports.cmake
            "-DSECTIONS=kmxlib;kmxaravis;kmxsim"
            -P ${CMAKE_CURRENT_LIST_DIR}/check_contract_lists.cmake)
