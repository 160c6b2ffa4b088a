# SPDX-License-Identifier: Apache-2.0
# What `cmake --install` puts where, and the Debian packages made from it.
#
# Components (one Debian package each):
#   runtime      the shared libraries: kmxcore, the camera libraries and the
#                platform layer they need                  -> libkmxcore0
#   development  the public headers, the link names, the CMake package and
#                kmxcore.pc                               -> libkmxcore-dev
#   tools        kmxcap                                   -> kmxcore-tools
# Internal headers (the platform layer's, the log channel's, the capture
# engine's own) are not installed; the public ones include none of them.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(kmx_cmake_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/kmxcore)

# An installed tree in any prefix finds its own libraries: kmxcore next to
# itself, the tool one level up.
set_target_properties(kmxcore PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS kmxcore ${KMX_CAMERA_LIBRARY} EXPORT kmxcore-targets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
                NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        FILE_SET HEADERS COMPONENT development
        FILE_SET generated_headers COMPONENT development)
# The camera libraries the dispatch loads at run time, next to it: the
# simulator (its default) in the runtime package, kmxaravis in a package of
# its own, so that only who wants real cameras gets Aravis.
if(TARGET kmxlib AND KMX_CAMERA_LIBRARY STREQUAL "kmxlib")
    install(TARGETS kmxsim
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_SKIP)
endif()
if(TARGET kmxaravis)
    install(TARGETS kmxaravis
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT aravis NAMELINK_SKIP
            FILE_SET HEADERS COMPONENT development)
endif()
if(TARGET kmxplatform_posix)
    # Needed at run time only: nobody links against it by name.
    install(TARGETS kmxplatform_posix
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_SKIP)
endif()
if(TARGET kmxcap)
    set_target_properties(kmxcap PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    install(TARGETS kmxcap RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()
install(FILES LICENSE NEWS.md README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)

# The CMake package: find_package(kmxcore 0.2) takes any 0.2.x, since
# before 1.0 a new minor version may change the interface.
install(EXPORT kmxcore-targets NAMESPACE kmxcore:: DESTINATION ${kmx_cmake_package_dir}
        COMPONENT development)
configure_package_config_file(cmake/kmxcore-config.cmake.in
    ${PROJECT_BINARY_DIR}/kmxcore-config.cmake INSTALL_DESTINATION ${kmx_cmake_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kmxcore-config-version.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kmxcore-config.cmake
              ${PROJECT_BINARY_DIR}/kmxcore-config-version.cmake
        DESTINATION ${kmx_cmake_package_dir} COMPONENT development)

# kmxcore.pc, written when installing so that its prefix is the one
# installed into (cmake --install --prefix, or /usr in the packages).
if(TARGET ${KMX_CAMERA_LIBRARY})
    set(kmx_pc_camera_library "-l$<TARGET_FILE_BASE_NAME:${KMX_CAMERA_LIBRARY}>")
else()
    set(kmx_pc_camera_library "${KMX_CAMERA_LIBRARY}")
endif()
install(CODE "
    set(kmx_pc_prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(kmx_pc_camera_library \"${kmx_pc_camera_library}\")
    set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
    set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
    set(PROJECT_VERSION \"${PROJECT_VERSION}\")
    configure_file(\"${PROJECT_SOURCE_DIR}/cmake/kmxcore.pc.in\"
                   \"${PROJECT_BINARY_DIR}/install/kmxcore.pc\" @ONLY)
    " COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/install/kmxcore.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# Debian packages: cpack -G DEB in the build tree.
set(CPACK_PACKAGE_NAME kmxcore)
set(CPACK_PACKAGE_VENDOR "kmxcore")
# No mail address is published yet; .invalid says so to anyone who tries.
set(CPACK_PACKAGE_CONTACT "kmxcore maintainers <maintainers@kmxcore.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "object library for digital cameras")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL runtime development tools)
if(TARGET kmxaravis)
    list(APPEND CPACK_COMPONENTS_ALL aravis)
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkmxcore${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkmxcore-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_ARAVIS_PACKAGE_NAME libkmxcore-aravis${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_ARAVIS_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME kmxcore-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION graphics)
include(CPack)
cpack_add_component(runtime DISPLAY_NAME "kmxcore shared libraries"
    DESCRIPTION "kmxcore, the simulated camera library and the platform layer they use")
cpack_add_component(development DISPLAY_NAME "kmxcore development files" DEPENDS runtime
    DESCRIPTION "Headers, CMake package and pkg-config file of kmxcore")
cpack_add_component(aravis DISPLAY_NAME "kmxcore camera library for real cameras" DEPENDS runtime
    DESCRIPTION "kmxaravis: GigE Vision and USB3 Vision cameras through Aravis (KMX_CAMERA_LIBRARY=aravis)")
cpack_add_component(tools DISPLAY_NAME "kmxcore tools" DEPENDS runtime
    DESCRIPTION "kmxcap, the command-line capture tool")
