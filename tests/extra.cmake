# Tests with their own wiring.
include(${CMAKE_CURRENT_LIST_DIR}/windows/exports.cmake)
