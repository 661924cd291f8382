# Installs the library for its users: libpixavon.so.1 (component lib), and the
# header, the development symlink, pixavon.pc and the CMake package
# (component dev), so that from any prefix
#
#   find_package(pixavon 1 CONFIG REQUIRED)
#   target_link_libraries(app PRIVATE pixavon::pixavon)
#
# and `pkg-config --cflags --libs pixavon` both work.
include(CMakePackageConfigHelpers)

set(PIXAVON_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/pixavon)

install(TARGETS pixavon EXPORT pixavonTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(EXPORT pixavonTargets NAMESPACE pixavon:: DESTINATION ${PIXAVON_CMAKE_DIR} COMPONENT dev)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/pixavonConfig.cmake.in
  ${CMAKE_BINARY_DIR}/pixavonConfig.cmake INSTALL_DESTINATION ${PIXAVON_CMAKE_DIR})
# 1.x releases keep the interface: a user asking for 1 takes any 1.y.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/pixavonConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/pixavonConfig.cmake ${CMAKE_BINARY_DIR}/pixavonConfigVersion.cmake
  DESTINATION ${PIXAVON_CMAKE_DIR} COMPONENT dev)

# The .pc file finds its prefix from where it is installed, so that
# `cmake --install --prefix` anywhere gives a working one.
file(RELATIVE_PATH PIXAVON_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${CMAKE_SOURCE_DIR}/pixavon.pc.in ${CMAKE_BINARY_DIR}/pixavon.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/pixavon.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
