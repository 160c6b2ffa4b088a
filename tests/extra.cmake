# SPDX-License-Identifier: Apache-2.0
# Wiring beyond the one-program-per-subsystem rule.

# The drawing tests write PNG pictures of drawn frames into the build tree
# for people to look at, with the tools' PNG writer where libpng is at hand
# (not in the Windows build).
if(TARGET test_drawing)
    set(kmx_drawing_output ${CMAKE_BINARY_DIR}/drawing)
    file(MAKE_DIRECTORY ${kmx_drawing_output})
    target_compile_definitions(test_drawing PRIVATE KMX_DRAWING_OUTPUT_DIR="${kmx_drawing_output}")
    target_link_libraries(test_drawing PRIVATE kmx_apps_common)
endif()

# The C factory interface, loaded at run time from C, and the export list.
include(${CMAKE_CURRENT_LIST_DIR}/exports/exports.cmake)

# Windows only: the DLL export tables and the 32-bit layouts.
include(${CMAKE_CURRENT_LIST_DIR}/windows/exports.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/apps/apps.cmake)

# The camera-library dispatch, kmxcore's tests that run on any camera
# library, and kmxaravis' own (label "aravis").
include(${CMAKE_CURRENT_LIST_DIR}/dispatch/dispatch.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/portable/portable.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/aravis/aravis.cmake)

# The Python package, where it is built.
include(${CMAKE_CURRENT_LIST_DIR}/python/python.cmake)
