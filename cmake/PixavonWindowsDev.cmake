# The Windows install rules: pixavon.dll (component lib) and the files a
# developer builds a Windows host with (component dev), laid out as the
# installer's Pixavon folder, so that the developer zip and an installed
# Pixavon with its "Development files" are one and the same prefix:
#
#   pixavon.dll
#   include/pixavon.h
#   lib/pixavon.lib          the import library for MSVC's linker (and clang-cl, lld-link)
#   lib/libpixavon.dll.a     the import library for mingw
#   lib/pixavon.def          the 14 exported names
#   lib/cmake/pixavon/       find_package(pixavon): the imported target pixavon::pixavon
#   doc/html/                the header's reference (target docs)
#   examples/                host_window.c, a small host, and its CMake project
include(CMakePackageConfigHelpers)

set(PIXAVON_CMAKE_DIR lib/cmake/pixavon)
install(TARGETS pixavon
  RUNTIME DESTINATION . COMPONENT lib
  ARCHIVE DESTINATION lib COMPONENT dev
  PUBLIC_HEADER DESTINATION include COMPONENT dev)
install(FILES ${CMAKE_SOURCE_DIR}/exports/pixavon.def DESTINATION lib COMPONENT dev)

# MSVC's linker takes short import objects as lib.exe makes them: llvm-dlltool
# makes them from the same .def the DLL is linked with, undecorated names
# imported as they are exported (__cdecl: _OpenDevice, __imp__OpenDevice).
find_program(PIXAVON_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 llvm-dlltool-15 llvm-dlltool-16)
if(PIXAVON_DLLTOOL)
  set(pixavon_msvc_import_library ${CMAKE_BINARY_DIR}/lib/pixavon.lib)
  add_custom_command(OUTPUT ${pixavon_msvc_import_library}
    COMMAND ${PIXAVON_DLLTOOL} -m i386 -D pixavon.dll -d ${CMAKE_SOURCE_DIR}/exports/pixavon.def
      -l ${pixavon_msvc_import_library}
    DEPENDS ${CMAKE_SOURCE_DIR}/exports/pixavon.def
    COMMENT "pixavon.lib, the import library for MSVC")
  add_custom_target(pixavon_msvc_import_library ALL DEPENDS ${pixavon_msvc_import_library})
  install(FILES ${pixavon_msvc_import_library} DESTINATION lib COMPONENT dev)
else()
  message(NOTICE "-- llvm-dlltool not found: no pixavon.lib for MSVC hosts (Debian: llvm)")
endif()

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/pixavonConfig-windows.cmake.in
  ${CMAKE_BINARY_DIR}/pixavonConfig.cmake INSTALL_DESTINATION ${PIXAVON_CMAKE_DIR})
# Made by this 32-bit build: a 64-bit project is told the package does not fit.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/pixavonConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/pixavonConfig.cmake ${CMAKE_BINARY_DIR}/pixavonConfigVersion.cmake
  DESTINATION ${PIXAVON_CMAKE_DIR} COMPONENT dev)

# The reference is there once the docs target has been built
# (scripts/package-windows.sh builds it).
install(DIRECTORY ${CMAKE_BINARY_DIR}/docs/html/ DESTINATION doc/html COMPONENT dev OPTIONAL)
install(FILES ${CMAKE_SOURCE_DIR}/examples/host_window.c ${CMAKE_SOURCE_DIR}/examples/CMakeLists.txt
  DESTINATION examples COMPONENT dev)
