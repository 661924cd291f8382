# Which parts are built, and sanitizer settings that cannot work together.
#
# PIXAVON_TOOLS (the pixavon tool), PIXAVON_GUI (pixavon-gui) and PIXAVON_TESTS
# each take AUTO (the default: built when what it needs is found, with a note
# saying what is missing otherwise), ON (what it needs must be found) or OFF.
# After this file each of them is a plain ON or OFF for the rest of the build.

# --- Sanitizers -------------------------------------------------------------
# The thread sanitizer cannot share a process with the address sanitizer that
# PIXAVON_SANITIZE and PIXAVON_FUZZ bring, and libFuzzer needs clang.
if(PIXAVON_TSAN AND PIXAVON_SANITIZE)
  message(FATAL_ERROR "PIXAVON_TSAN cannot be combined with PIXAVON_SANITIZE: the thread and the address "
    "sanitizer do not work in one program. Configure a separate build directory for each.")
endif()
if(PIXAVON_TSAN AND PIXAVON_FUZZ)
  message(FATAL_ERROR "PIXAVON_TSAN cannot be combined with PIXAVON_FUZZ, whose targets run under the address "
    "sanitizer. Configure a separate build directory for each.")
endif()
if(PIXAVON_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "PIXAVON_FUZZ needs clang (libFuzzer); configure with CC=clang CXX=clang++.")
endif()
if(WIN32 AND (PIXAVON_SANITIZE OR PIXAVON_TSAN OR PIXAVON_FUZZ))
  message(FATAL_ERROR "The sanitizer options are for POSIX builds; mingw-w64 has no sanitizer runtimes.")
endif()

# --- Optional parts ---------------------------------------------------------
# pixavon_feature(NAME DOC MISSING...): resolves NAME from its cache setting
# and the list of what was not found.
function(pixavon_feature name doc)
  set(${name} AUTO CACHE STRING "${doc}: AUTO (when its dependencies are found), ON or OFF")
  set_property(CACHE ${name} PROPERTY STRINGS AUTO ON OFF)
  set(setting "${${name}}")
  list(JOIN ARGN ", " missing)
  if(setting STREQUAL "AUTO")
    if(missing)
      message(NOTICE "-- ${name} is off, ${doc} are not built: not found: ${missing}. "
        "Install that and configure again (or set ${name}=OFF to silence this).")
      set(setting OFF)
    else()
      set(setting ON)
    endif()
  elseif(setting)
    if(missing)
      message(FATAL_ERROR "${name} is ON, but what ${doc} need was not found: ${missing}. "
        "Install that (./scripts/install-deps.sh), or set ${name}=OFF or AUTO.")
    endif()
    set(setting ON)
  else()
    set(setting OFF)
  endif()
  set(${name} ${setting} PARENT_SCOPE)
endfunction()

if(WIN32)
  # The Windows build makes the library and its tests only; the tests build
  # GoogleTest from its sources (tests/win32).
  set(PIXAVON_TOOLS OFF)
  set(PIXAVON_GUI OFF)
  pixavon_feature(PIXAVON_TESTS "the Windows tests")
  return()
endif()

# What the host core (tools/host) needs, which every front end and the tests use.
set(pixavon_host_missing "")
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(PNG QUIET IMPORTED_TARGET libpng)
  pkg_check_modules(JPEG QUIET IMPORTED_TARGET libjpeg)
else()
  list(APPEND pixavon_host_missing "pkg-config (pkg-config)")
endif()
if(NOT PNG_FOUND)
  list(APPEND pixavon_host_missing "libpng (libpng-dev)")
endif()
if(NOT JPEG_FOUND)
  list(APPEND pixavon_host_missing "libjpeg (libjpeg62-turbo-dev)")
endif()
find_path(STB_INCLUDE_DIR stb/stb_image_resize.h)
if(NOT STB_INCLUDE_DIR)
  list(APPEND pixavon_host_missing "stb (libstb-dev)")
endif()
# The core's translations are compiled with msgfmt.
find_program(PIXAVON_MSGFMT msgfmt)
if(NOT PIXAVON_MSGFMT)
  list(APPEND pixavon_host_missing "msgfmt (gettext)")
endif()

set(pixavon_tools_missing ${pixavon_host_missing})
find_package(CLI11 QUIET CONFIG)
if(NOT CLI11_FOUND)
  list(APPEND pixavon_tools_missing "CLI11 (libcli11-dev)")
endif()
if(PkgConfig_FOUND)
  pkg_check_modules(FUSE3 QUIET IMPORTED_TARGET fuse3)
endif()
if(NOT FUSE3_FOUND)
  list(APPEND pixavon_tools_missing "libfuse 3 (libfuse3-dev)")
endif()
pixavon_feature(PIXAVON_TOOLS "the pixavon tool and its tests" ${pixavon_tools_missing})

set(pixavon_gui_missing ${pixavon_host_missing})
find_package(Qt6 QUIET COMPONENTS Widgets LinguistTools)
if(NOT Qt6Widgets_FOUND)
  list(APPEND pixavon_gui_missing "Qt 6 Widgets (qt6-base-dev)")
endif()
if(NOT Qt6LinguistTools_FOUND)
  list(APPEND pixavon_gui_missing "Qt 6 Linguist tools (qt6-tools-dev, qt6-l10n-tools)")
endif()
pixavon_feature(PIXAVON_GUI "pixavon-gui and its tests" ${pixavon_gui_missing})

set(pixavon_tests_missing ${pixavon_host_missing})
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  list(APPEND pixavon_tests_missing "GoogleTest (libgtest-dev)")
endif()
find_package(nlohmann_json QUIET)
if(NOT nlohmann_json_FOUND)
  list(APPEND pixavon_tests_missing "nlohmann-json (nlohmann-json3-dev)")
endif()
if(PIXAVON_GUI)
  find_package(Qt6 QUIET COMPONENTS Test)
  if(NOT Qt6Test_FOUND)
    list(APPEND pixavon_tests_missing "Qt 6 Test (qt6-base-dev)")
  endif()
endif()
pixavon_feature(PIXAVON_TESTS "the tests" ${pixavon_tests_missing})
