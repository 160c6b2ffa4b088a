# SPDX-License-Identifier: Apache-2.0
# kmxcap's tests: test_apps runs the tool as a child process (and parts of
# it in-process) and reads its files back with libpng and libtiff. Where
# the tool is not built (the Windows cross build has neither library) the
# test program is left out too.
if(NOT TARGET test_apps)
    return()
endif()
if(NOT TARGET kmxcap)
    set_target_properties(test_apps PROPERTIES EXCLUDE_FROM_ALL TRUE)
    set_tests_properties(apps PROPERTIES DISABLED TRUE)
    return()
endif()
target_link_libraries(test_apps PRIVATE kmxcap_core)
target_compile_definitions(test_apps PRIVATE KMXCAP_PATH="$<TARGET_FILE:kmxcap>")
add_dependencies(test_apps kmxcap)

# The tool on its own, as a user runs it.
add_test(NAME kmxcap_help COMMAND kmxcap --help)
set_tests_properties(kmxcap_help PROPERTIES PASS_REGULAR_EXPRESSION "Exit codes")
add_test(NAME kmxcap_list COMMAND kmxcap list)
set_tests_properties(kmxcap_list PROPERTIES PASS_REGULAR_EXPRESSION "camera 1:0.*camera 2:0")
add_test(NAME kmxcap_bad_flag COMMAND kmxcap snap --no-such-flag)
set_tests_properties(kmxcap_bad_flag PROPERTIES WILL_FAIL TRUE)

# The tool's files read back by independent readers (Pillow, tiffinfo,
# dcraw; Debian's /usr/bin/python3, which sees the python3-* packages).
# A missing reader skips the test (exit 77); scripts/setup.sh installs
# them.
add_test(NAME kmxcap_files
         COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/kmxcap_files_test.py
                 $<TARGET_FILE:kmxcap>)
set_tests_properties(kmxcap_files PROPERTIES SKIP_RETURN_CODE 77)

# kmxcap view over HTTP (labelled view), and in headless Chromium through
# selenium (labelled browser; it skips, exit 77, where no browser starts).
# Both run with the rest of the suite.
get_property(view_built GLOBAL PROPERTY KMXCAP_VIEW_BUILT)
if(view_built)
    add_test(NAME kmxcap_view
             COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/kmxcap_view_test.py
                     $<TARGET_FILE:kmxcap>)
    set_tests_properties(kmxcap_view PROPERTIES LABELS view TIMEOUT 600)
    add_test(NAME kmxcap_view_browser
             COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/kmxcap_view_browser_test.py
                     $<TARGET_FILE:kmxcap>)
    set_tests_properties(kmxcap_view_browser PROPERTIES LABELS browser TIMEOUT 300
                                                        SKIP_RETURN_CODE 77)
endif()
