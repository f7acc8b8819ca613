# Installs the library, its headers, a CMake package (target
# ZorvalenRaw::ZorvalenRaw) and a pkg-config file (zorvalenraw).
include(CMakePackageConfigHelpers)

install(TARGETS ZorvalenRaw EXPORT ZorvalenRawTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/zorvalen ${ZVRAW_GENERATED_INCLUDE}/zorvalen
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(ZVRAW_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZorvalenRaw)
install(EXPORT ZorvalenRawTargets NAMESPACE ZorvalenRaw:: DESTINATION ${ZVRAW_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ZorvalenRawConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ZorvalenRawConfig.cmake INSTALL_DESTINATION ${ZVRAW_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ZorvalenRawConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ZorvalenRawConfig.cmake ${PROJECT_BINARY_DIR}/ZorvalenRawConfigVersion.cmake
  DESTINATION ${ZVRAW_CMAKE_DIR})

# The .pc file finds its prefix from where it lies, so the installed tree can move.
file(RELATIVE_PATH ZVRAW_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${PROJECT_SOURCE_DIR}/cmake/zorvalenraw.pc.in ${PROJECT_BINARY_DIR}/zorvalenraw.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/zorvalenraw.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
