# Installation: public headers, the libraries, a CMake package and a pkg-config file, so that a
# C or C++ program can call the VXDll operations after find_package(Pixmend) or
# `pkg-config --cflags --libs vxraster`.
include(CMakePackageConfigHelpers)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/pixmend DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(TARGETS VXRaster pixmend_host EXPORT PixmendTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS pixmend RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT PixmendTargets NAMESPACE Pixmend:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pixmend)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PixmendConfig.cmake.in
  ${PROJECT_BINARY_DIR}/PixmendConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pixmend)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PixmendConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PixmendConfig.cmake ${PROJECT_BINARY_DIR}/PixmendConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Pixmend)

configure_file(${PROJECT_SOURCE_DIR}/cmake/vxraster.pc.in ${PROJECT_BINARY_DIR}/vxraster.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vxraster.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
