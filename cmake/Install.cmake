# What `cmake --install <build> --prefix P` puts under P, in the GNU directory layout: the
# programs (installed by their own folders), libwsq with its header, pkg-config file and CMake
# package, the man pages, the README and the licence.
include(CMakePackageConfigHelpers)

set(WSQ_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/WSQ)

install(TARGETS wsq_shared EXPORT WSQTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/libwsq)
install(EXPORT WSQTargets NAMESPACE WSQ:: DESTINATION ${WSQ_CMAKE_PACKAGE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/WSQConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/package/WSQConfig.cmake
                              INSTALL_DESTINATION ${WSQ_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/WSQConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/WSQConfig.cmake
              ${PROJECT_BINARY_DIR}/package/WSQConfigVersion.cmake
        DESTINATION ${WSQ_CMAKE_PACKAGE_DIR})

# wsq.pc names the prefix the tree is installed under, which `--prefix` may choose only at
# install time: the file is finished then.
set(WSQ_PC_PREFIX "@prefix@")
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    message(FATAL_ERROR "wsq.pc needs CMAKE_INSTALL_LIBDIR and CMAKE_INSTALL_INCLUDEDIR "
                        "relative to the install prefix")
endif()
configure_file(${PROJECT_SOURCE_DIR}/capi/wsq.pc.in ${PROJECT_BINARY_DIR}/package/wsq.pc.in
               @ONLY)
install(CODE "
    set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/wsq.pc\")
    message(STATUS \"Installing: \${pc}\")
    configure_file(\"${PROJECT_BINARY_DIR}/package/wsq.pc.in\" \"\${pc}\" @ONLY)
")

# Man pages, compressed the way Debian ships them.
find_program(WSQ_GZIP gzip REQUIRED)
set(man_pages)
foreach(page wsqviewer.1 wsqconvert.1 synthprint.1)
    set(gz ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND ${WSQ_GZIP} -9nc ${PROJECT_SOURCE_DIR}/docs/man/${page} > ${gz}
        DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}
        VERBATIM)
    list(APPEND man_pages ${gz})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
