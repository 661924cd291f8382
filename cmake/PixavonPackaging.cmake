# Man pages, bash completion, the window's desktop files, and the Debian
# packages made from the same install rules (scripts/package.sh):
#
#   component  package         holds
#   lib        libpixavon1     libpixavon.so.1
#   dev        libpixavon-dev  pixavon.h, libpixavon.so, pixavon.pc, the CMake package, pixavon(3)
#   tools      pixavon         pixavon, pixavon-emu, their man pages, bash completion
#   gui        pixavon-gui     pixavon-gui, its .desktop file, icon and metainfo
#
# Every package carries the copyright file and the changelog in
# share/doc/PACKAGE.

# --- Compressed man pages and changelog ----------------------------------
find_program(PIXAVON_GZIP gzip)
set(pixavon_gz_outputs "")
# pixavon_install_gz(SOURCE DESTINATION COMPONENT [NAME]): installs SOURCE
# compressed (gzip -9n: no name, no time stamp) as DESTINATION/NAME.gz.
function(pixavon_install_gz source destination component)
  get_filename_component(name ${source} NAME)
  if(ARGC GREATER 3)
    set(name ${ARGV3})
  endif()
  if(NOT PIXAVON_GZIP)
    install(FILES ${source} DESTINATION ${destination} RENAME ${name} COMPONENT ${component})
    return()
  endif()
  set(dir ${CMAKE_BINARY_DIR}/gz/${component}/${destination})
  add_custom_command(OUTPUT ${dir}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${dir}/${name}
    COMMAND ${PIXAVON_GZIP} -9nf ${dir}/${name}
    DEPENDS ${source} VERBATIM)
  set(pixavon_gz_outputs ${pixavon_gz_outputs} ${dir}/${name}.gz PARENT_SCOPE)
  install(FILES ${dir}/${name}.gz DESTINATION ${destination} COMPONENT ${component})
endfunction()

set(pixavon_man1 ${CMAKE_INSTALL_MANDIR}/man1)
pixavon_install_gz(${CMAKE_SOURCE_DIR}/docs/pixavon-emu.1 ${pixavon_man1} tools)
if(PIXAVON_TOOLS)
  pixavon_install_gz(${CMAKE_SOURCE_DIR}/docs/pixavon.1 ${pixavon_man1} tools)
  install(FILES ${CMAKE_SOURCE_DIR}/tools/pixavon/completion.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME pixavon COMPONENT tools)
endif()
if(TARGET pixavon_man3)
  pixavon_install_gz(${PIXAVON_MAN3_DIR}/pixavon.3 ${CMAKE_INSTALL_MANDIR}/man3 dev)
  pixavon_install_gz(${PIXAVON_MAN3_DIR}/PixavonWindow.3 ${CMAKE_INSTALL_MANDIR}/man3 dev)
endif()

# The window's man page (tools/gui installs its desktop entry, icon and
# AppStream metainfo, in the same component).
if(PIXAVON_GUI)
  if(EXISTS ${CMAKE_SOURCE_DIR}/docs/pixavon-gui.1)
    pixavon_install_gz(${CMAKE_SOURCE_DIR}/docs/pixavon-gui.1 ${pixavon_man1} gui)
  endif()
endif()

# --- Debian packages -------------------------------------------------------
set(PIXAVON_MAINTAINER "Pixavon developers <pixavon@example.org>" CACHE STRING
  "The packages' maintainer, NAME <EMAIL>")
set(PIXAVON_DEB_RELEASE 1)
set(pixavon_deb_version ${PROJECT_VERSION}-${PIXAVON_DEB_RELEASE})

# The changelog's newest entry names the version the packages get.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^pixavon \\(${pixavon_deb_version}\\) ")
  message(FATAL_ERROR "packaging/changelog begins with \"${changelog_head}\"; "
    "its newest entry must be version ${pixavon_deb_version}: add an entry for this version.")
endif()

set(pixavon_deb_components lib dev tools)
set(CPACK_DEBIAN_LIB_PACKAGE_NAME libpixavon1)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libpixavon-dev)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME pixavon)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME pixavon-gui)
if(PIXAVON_GUI)
  list(APPEND pixavon_deb_components gui)
endif()
foreach(component IN LISTS pixavon_deb_components)
  string(TOUPPER ${component} upper)
  set(doc ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${doc} COMPONENT ${component})
  pixavon_install_gz(${CMAKE_SOURCE_DIR}/packaging/changelog ${doc} ${component} changelog.Debian)
endforeach()
add_custom_target(pixavon_gz ALL DEPENDS ${pixavon_gz_outputs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixavon)
set(CPACK_PACKAGE_VENDOR "The Pixavon developers")
set(CPACK_PACKAGE_CONTACT ${PIXAVON_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${pixavon_deb_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${PIXAVON_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PIXAVON_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Run-time dependencies from the binaries themselves; the library's own
# shlibs file lets other packages depend on it the same way.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The tool and the window load libpixavon.so.1 at run time, which
# dpkg-shlibdeps cannot see: the component dependencies name it, at this
# exact version.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEV_DEPENDS lib)
set(CPACK_COMPONENT_TOOLS_DEPENDS lib)
# The window words the host core's outcomes through the core's translations,
# which the tool's package installs.
set(CPACK_COMPONENT_GUI_DEPENDS lib tools)

set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIB_PACKAGE_MULTIARCH same)
# ldconfig runs through dpkg's trigger, not from maintainer scripts.
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/libpixavon1/triggers)
set(CPACK_DEBIAN_LIB_DESCRIPTION "photo store of the Lumetta camera - library
libpixavon opens the Lumetta camera, reads the list of photos on its flash
card, saves photos as bitmap files, puts bitmap files on the card, deletes
photos, formats the card, and backs up and restores the whole card.
.
This package contains the shared library.")

set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_MULTIARCH same)
set(CPACK_DEBIAN_DEV_DESCRIPTION "photo store of the Lumetta camera - development files
libpixavon opens the Lumetta camera, reads the list of photos on its flash
card, saves photos as bitmap files, puts bitmap files on the card, deletes
photos, formats the card, and backs up and restores the whole card.
.
This package contains the header pixavon.h, its reference as the man page
pixavon(3), and the files to build against the library with pkg-config
(pixavon.pc) or CMake (find_package(pixavon)).")

set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "photo store of the Lumetta camera - command-line tool
pixavon lists, saves, puts and deletes the photos on the flash card of a
Lumetta camera, and backs up, restores and formats the whole card; it reads
PNG, JPEG and BMP pictures and saves PNG or BMP. With --card it works on a
card image instead of an attached camera.
.
pixavon-emu emulates the camera on a card image, for trying the tool and the
library without the camera.")

set(CPACK_DEBIAN_GUI_PACKAGE_SECTION graphics)
# The window shows Chinese and Japanese texts.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_GUI_DESCRIPTION "photo store of the Lumetta camera - desktop application
pixavon-gui shows the photos on the flash card of a Lumetta camera as a grid
of thumbnails, saves and uploads photos, deletes them, formats the card, and
backs up and restores the whole card, in English, Chinese or Japanese.")

include(CPack)
