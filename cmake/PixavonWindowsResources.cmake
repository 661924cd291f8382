# The Windows resources of pixavon.dll and of the programs: a version
# (VERSIONINFO: the project's version, a description, the company and the
# copyright of packaging/copyright), and for a program the application's icon
# and a manifest, all from the one pair of templates in cmake/windows/.
#
#   pixavon_windows_resources(TARGET KIND LIBRARY|CONSOLE|WINDOW DESCRIPTION text)
#
# LIBRARY: the version alone (pixavon.dll keeps the system's ANSI code page:
# no manifest). CONSOLE: icon, version and manifest. WINDOW: the same, and the
# manifest asks for the common controls of version 6 and per-monitor pixel
# density.

# The icon, drawn at build time from the application's SVG by make_icon.py
# (the build machine has no SVG renderer to rely on); the installer shows it
# too, and the picture of its welcome and finish pages drawn with it.
set(PIXAVON_ICON ${CMAKE_BINARY_DIR}/pixavon.ico)
set(PIXAVON_WIZARD_BITMAP ${CMAKE_BINARY_DIR}/pixavon-wizard.bmp)
find_program(PIXAVON_PYTHON3 python3 REQUIRED)
add_custom_command(OUTPUT ${PIXAVON_ICON} ${PIXAVON_WIZARD_BITMAP}
  COMMAND ${PIXAVON_PYTHON3} ${CMAKE_SOURCE_DIR}/cmake/windows/make_icon.py
          ${CMAKE_SOURCE_DIR}/tools/gui/org.pixavon.Pixavon.svg ${PIXAVON_ICON} ${PIXAVON_WIZARD_BITMAP}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/gui/org.pixavon.Pixavon.svg ${CMAKE_SOURCE_DIR}/cmake/windows/make_icon.py
  COMMENT "Drawing Pixavon's icon from its SVG"
  VERBATIM)
add_custom_target(pixavon_icon DEPENDS ${PIXAVON_ICON} ${PIXAVON_WIZARD_BITMAP})

file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/copyright pixavon_copyright_line REGEX "^Copyright: " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright: *" "Copyright © " PIXAVON_COPYRIGHT "${pixavon_copyright_line}")
set(PIXAVON_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
set(PIXAVON_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)

function(pixavon_windows_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "KIND;DESCRIPTION" "")
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(PIXAVON_RC_INTERNAL_NAME ${name})
  set(PIXAVON_RC_DESCRIPTION "${arg_DESCRIPTION}")
  set(PIXAVON_MANIFEST_DEPENDENCY "")
  set(PIXAVON_MANIFEST_SETTINGS "")
  set(PIXAVON_MANIFEST_WINDOW_NOTE "")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}-resources.rc)
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${name}.manifest)
  if(arg_KIND STREQUAL "LIBRARY")
    set(PIXAVON_RC_FILE_NAME ${name}.dll)
    set(PIXAVON_RC_FILE_TYPE VFT_DLL)
    set(PIXAVON_RC_WHAT "its version")
    set(PIXAVON_RC_ICON_AND_MANIFEST "")
  elseif(arg_KIND STREQUAL "CONSOLE" OR arg_KIND STREQUAL "WINDOW")
    set(PIXAVON_RC_FILE_NAME ${name}.exe)
    set(PIXAVON_RC_FILE_TYPE VFT_APP)
    set(PIXAVON_RC_WHAT "its icon, its manifest and its version")
    set(PIXAVON_RC_ICON_AND_MANIFEST
      "1 ICON \"${PIXAVON_ICON}\"\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${manifest}\"\n")
    if(arg_KIND STREQUAL "WINDOW")
      set(PIXAVON_MANIFEST_NAME Pixavon.Window)
      set(PIXAVON_MANIFEST_WINDOW_NOTE "\n     The common controls of version 6 (themed, with Task Dialogs), drawn\n     for each monitor's pixel density.")
      set(PIXAVON_MANIFEST_DEPENDENCY [[
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
]])
      set(PIXAVON_MANIFEST_SETTINGS [[
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>
]])
    else()
      set(PIXAVON_MANIFEST_NAME Pixavon.Tool)
    endif()
    configure_file(${CMAKE_SOURCE_DIR}/cmake/windows/program.manifest.in ${manifest} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${PIXAVON_ICON};${manifest}")
    add_dependencies(${target} pixavon_icon)
  else()
    message(FATAL_ERROR "pixavon_windows_resources: KIND is LIBRARY, CONSOLE or WINDOW, not '${arg_KIND}'")
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
