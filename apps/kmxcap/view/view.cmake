# SPDX-License-Identifier: Apache-2.0
# kmxcap view: the live view's web server, encoder and page, added to
# kmxcap_core. It needs cpp-httplib and libjpeg-turbo (Debian:
# libcpp-httplib-dev, libturbojpeg0-dev); without them kmxcap is built
# without it and `kmxcap view` says so.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(KMX_HTTPLIB QUIET IMPORTED_TARGET cpp-httplib)
    pkg_check_modules(KMX_TURBOJPEG QUIET IMPORTED_TARGET libturbojpeg)
endif()
set(view_dir ${CMAKE_CURRENT_LIST_DIR})
if(NOT KMX_HTTPLIB_FOUND OR NOT KMX_TURBOJPEG_FOUND)
    message(STATUS "kmxcap: cpp-httplib or libjpeg-turbo missing, the live view is not built")
    target_sources(kmxcap_core PRIVATE ${view_dir}/view_unavailable.cpp)
    target_include_directories(kmxcap_core PUBLIC ${view_dir})
    return()
endif()

# The page's files, compiled in as byte arrays.
set(page_files index.html view.css view.js favicon.svg)
list(TRANSFORM page_files PREPEND ${view_dir}/page/)
set(page_source ${CMAKE_CURRENT_BINARY_DIR}/page_files.cpp)
add_custom_command(
    OUTPUT ${page_source}
    COMMAND ${CMAKE_COMMAND} -DPAGE_DIR=${view_dir}/page -DOUTPUT=${page_source}
            -P ${view_dir}/embed_page.cmake
    DEPENDS ${page_files} ${view_dir}/embed_page.cmake
    COMMENT "Embedding the live view's page")

target_sources(kmxcap_core PRIVATE
    ${view_dir}/frame_hub.cpp ${view_dir}/jpeg_encoder.cpp ${view_dir}/live_capture.cpp
    ${view_dir}/overlay_mask.cpp
    ${view_dir}/view_command.cpp ${view_dir}/view_controls.cpp ${view_dir}/view_encoder.cpp
    ${view_dir}/view_frames.cpp ${view_dir}/view_json.cpp ${view_dir}/view_server.cpp
    ${page_source})
target_include_directories(kmxcap_core PUBLIC ${view_dir})
target_link_libraries(kmxcap_core PUBLIC PkgConfig::KMX_HTTPLIB PkgConfig::KMX_TURBOJPEG)
target_compile_definitions(kmxcap_core PUBLIC KMXCAP_HAVE_VIEW)
# The tests of the view are registered only where it is built.
set_property(GLOBAL PROPERTY KMXCAP_VIEW_BUILT TRUE)
