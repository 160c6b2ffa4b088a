# SPDX-License-Identifier: Apache-2.0
# kmxcore's device and capture tests that make sense on a real camera, in
# a program that does not link the simulator: every kmx_ call goes through
# the dispatch to the library the test names. The same program runs on the
# simulator (test "portable") and, where kmxaravis is built, on Aravis'
# fake camera (test "portable_aravis", label "aravis").
if(NOT TARGET kmxlib)
    return()
endif()
add_executable(test_portable
    ${CMAKE_CURRENT_LIST_DIR}/capture_portable_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/device_portable_test.cpp)
target_link_libraries(test_portable PRIVATE kmxcore kmxlib ${kmx_gtest_main})
kmx_warnings(test_portable)
add_dependencies(kmx_threaded_tests test_portable)

add_test(NAME portable COMMAND test_portable)
set_tests_properties(portable PROPERTIES TIMEOUT 600 LABELS threaded
    ENVIRONMENT "KMX_CAMERA_LIBRARY=sim;KMX_TEST_CAMERAS=1:0,2:0")
if(TARGET kmxaravis)
    add_test(NAME portable_aravis COMMAND test_portable)
    set_tests_properties(portable_aravis PROPERTIES TIMEOUT 600 LABELS aravis
        ENVIRONMENT "KMX_CAMERA_LIBRARY=aravis;KMX_TEST_CAMERAS=3:0")
endif()
