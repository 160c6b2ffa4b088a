# SPDX-License-Identifier: Apache-2.0
# Checks the dynamic symbol table of libkmxcore: every C entry point is
# there under its plain name, and nothing else is exported but the classes
# (their members, tables and type information) and the standard library's
# own weak template instances.

cmake_policy(SET CMP0057 NEW)

set(c_names
    Create_kmx_interface Create_device Create_cam_settings Create_capture
    Create_capture_for_device Create_image_core Create_image Create_fw_image Create_os_image
    Create_buffer_pool Create_iformat Create_image_info Create_image_binfo Create_thread_state
    Delete_buffer_pool Delete_cam_settings Delete_capture Delete_device Delete_frame_info
    Delete_fw_image Delete_iformat Delete_image Delete_image_binfo Delete_image_core
    Delete_image_info Delete_os_image Delete_kmx_interface Delete_thread_state
    classify_image decompose_format
    kmx_interface_get_interface kmx_interface_list kmx_interface_dispose_object
    kmx_interface_camera_vendor_desc kmx_interface_camera_vendor_prefix
    kmx_interface_camera_product_desc kmx_interface_camera_product_prefix)
set(classes Ckmx_interface Cdevice Ciformat Cimage_core Cimage Cfw_image Cimage_info
    Cimage_binfo Cimage_drawable Cos_image Cframe_info Cbuffer_pool Ccam_settings
    Cthread_state Ccapture)

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
    set(kind ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    list(APPEND exported ${name})
    # AddressSanitizer marks each exported variable with a twin of its name.
    string(REGEX REPLACE "^__odr_asan\\." "" name "${name}")
    if(name IN_LIST c_names)
        continue()
    endif()
    # Weak and unique symbols are the standard library's template instances.
    if(kind MATCHES "^[WVu]$" AND name MATCHES "^_ZN?K?S")
        continue()
    endif()
    set(ours FALSE)
    foreach(class IN LISTS classes)
        string(LENGTH ${class} length)
        if(name MATCHES "^_Z(N|NK|TV|TI|TS)?${length}${class}")
            set(ours TRUE)
        endif()
    endforeach()
    if(NOT ours)
        message(SEND_ERROR "exported but not part of the interface: ${name}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()

foreach(name IN LISTS c_names)
    if(NOT name IN_LIST exported)
        message(SEND_ERROR "C entry point missing or decorated: ${name}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} export problems")
endif()
list(LENGTH exported count)
message(STATUS "exports: ${count} exported names checked")
