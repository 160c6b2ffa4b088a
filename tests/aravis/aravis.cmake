# SPDX-License-Identifier: Apache-2.0
# kmxaravis' tests, label "aravis", where Aravis is found: its pixel work
# on its own; the contract on Aravis' in-process fake camera and on its
# GigE Vision simulator; kmxcap on the fake camera. The camera programs do
# not link the simulator, so every kmx_ call goes through the dispatch to
# kmxaravis (and one test proves it).
if(NOT TARGET kmxaravis)
    return()
endif()

add_executable(test_aravis_pixels ${CMAKE_CURRENT_LIST_DIR}/pixels_test.cpp)
target_link_libraries(test_aravis_pixels PRIVATE kmxaravis_pixels ${kmx_gtest_main})
kmx_warnings(test_aravis_pixels)
add_test(NAME aravis_pixels COMMAND test_aravis_pixels)
set_tests_properties(aravis_pixels PROPERTIES LABELS aravis)

# The contract on the fake camera and the GigE Vision simulator, through
# the dispatch (this program links no camera library).
find_program(KMX_FAKE_GV_CAMERA NAMES arv-fake-gv-camera-0.8)
if(NOT KMX_FAKE_GV_CAMERA)
    set(KMX_FAKE_GV_CAMERA arv-fake-gv-camera-0.8)
endif()
add_executable(test_aravis_camera
    ${CMAKE_CURRENT_LIST_DIR}/fake_camera_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gige_test.cpp)
target_link_libraries(test_aravis_camera PRIVATE kmxcore kmxlib PkgConfig::ARAVIS
    ${kmx_gtest_main} ${CMAKE_DL_LIBS})
target_include_directories(test_aravis_camera PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(test_aravis_camera PRIVATE
    KMXLIB_FILE="$<TARGET_SONAME_FILE_NAME:kmxlib>"
    KMXARAVIS_FILE="$<TARGET_SONAME_FILE_NAME:kmxaravis>"
    FAKE_GV_CAMERA="${KMX_FAKE_GV_CAMERA}")
kmx_warnings(test_aravis_camera)
add_test(NAME aravis_camera COMMAND test_aravis_camera)
# Alone: its frame deadlines and the GigE Vision simulator's packets want
# the processors to themselves.
set_tests_properties(aravis_camera PROPERTIES LABELS aravis TIMEOUT 600 RUN_SERIAL TRUE
    ENVIRONMENT KMX_CAMERA_LIBRARY=aravis)

# kmxcap on the fake camera, run as a user runs it.
if(TARGET kmxcap)
    find_package(PNG REQUIRED)
    find_package(TIFF REQUIRED)
    add_executable(test_aravis_kmxcap ${CMAKE_CURRENT_LIST_DIR}/kmxcap_aravis_test.cpp)
    target_include_directories(test_aravis_kmxcap PRIVATE ${PROJECT_SOURCE_DIR}/tests/apps
        ${PROJECT_SOURCE_DIR}/kmxsim)
    target_link_libraries(test_aravis_kmxcap PRIVATE kmxlib PNG::PNG TIFF::TIFF ${kmx_gtest_main})
    target_compile_definitions(test_aravis_kmxcap PRIVATE KMXCAP_PATH="$<TARGET_FILE:kmxcap>")
    add_dependencies(test_aravis_kmxcap kmxcap kmxaravis)
    kmx_warnings(test_aravis_kmxcap)
    add_test(NAME aravis_kmxcap COMMAND test_aravis_kmxcap)
    # The simulator by default: the flag (or the test's own environment)
    # must be what picks kmxaravis.
    set_tests_properties(aravis_kmxcap PROPERTIES LABELS aravis TIMEOUT 600
        ENVIRONMENT KMX_CAMERA_LIBRARY=sim)
endif()
