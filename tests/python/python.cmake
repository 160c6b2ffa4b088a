# SPDX-License-Identifier: Apache-2.0
# The Python package's tests (label python): the pytest suite against the
# simulator, the import from the build tree, the README's example and the
# example script, each with the package of the build tree on PYTHONPATH.
if(NOT TARGET _kmxcore)
    return()
endif()

set(kmx_python_environment
    PYTHONPATH=${KMX_PYTHON_DIR}
    PYTHONDONTWRITEBYTECODE=1
    KMXSIM_LIBRARY=$<TARGET_FILE:kmxsim>)
if(TARGET kmxaravis)
    list(APPEND kmx_python_environment KMX_HAVE_ARAVIS=1)
endif()
# Under AddressSanitizer the interpreter, which is not built with it, must
# load the sanitizer's runtime first, and the C++ runtime with it: the
# runtime finds the C++ functions it wraps (throwing an exception among
# them) when it starts, before the extension would load them. The
# interpreter keeps memory to the end on purpose, so leaks are not looked
# for here: the layer's own test program (test_python_layer) does that,
# and test_memory.py watches the resident size in the other builds.
if(KMX_SANITIZE MATCHES "address")
    foreach(runtime IN ITEMS asan stdc++)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${runtime}.so
                        OUTPUT_VARIABLE kmx_${runtime}_file OUTPUT_STRIP_TRAILING_WHITESPACE)
    endforeach()
    list(APPEND kmx_python_environment
        LD_PRELOAD=${kmx_asan_file}:${kmx_stdc++_file}
        ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
        KMX_SANITIZED=1)
endif()

function(kmx_python_test name)
    add_test(NAME ${name} COMMAND ${KMX_PYTHON_EXECUTABLE} ${ARGN})
    set_tests_properties(${name} PROPERTIES LABELS python TIMEOUT 900
                         ENVIRONMENT "${kmx_python_environment}")
endfunction()

kmx_python_test(python -m pytest -q -p no:cacheprovider ${CMAKE_CURRENT_LIST_DIR})
# `python3 -c "import kmxcore; print(kmxcore.__version__)"`, with a line
# break for the semicolon, which CMake would take for a list separator.
kmx_python_test(python_import -c "import kmxcore\nprint(kmxcore.__version__)")
string(REPLACE "." "\\." kmx_version_pattern "${PROJECT_VERSION}")
set_tests_properties(python_import PROPERTIES PASS_REGULAR_EXPRESSION "^${kmx_version_pattern}\n$")
kmx_python_test(python_readme ${CMAKE_CURRENT_LIST_DIR}/readme_example.py
                ${PROJECT_SOURCE_DIR}/README.md)
kmx_python_test(python_photon_transfer ${PROJECT_SOURCE_DIR}/examples/python/photon_transfer.py)
set_tests_properties(python_photon_transfer PROPERTIES
                     PASS_REGULAR_EXPRESSION "conversion gain [0-9.]+ DN/e-")
