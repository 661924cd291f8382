# pixavon.exe: the host core and the command-line tool for Windows, from the
# same sources as on Linux, through the seam's Windows side
# (host/os/win32, built as pixavon_host_win32). It loads pixavon.dll from its
# own folder at run time. `mount` is Linux's alone (FUSE).

# Header-only libraries (CLI11, stb) from the build machine, seen through a
# folder holding only them: nothing else of /usr/include reaches the
# Windows build.
set(pixavon_header_only ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${pixavon_header_only})
foreach(library CLI stb)
  find_path(${library}_HEADERS ${library} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH REQUIRED)
  file(CREATE_LINK ${${library}_HEADERS}/${library} ${pixavon_header_only}/${library} SYMBOLIC)
endforeach()

# The embedded camera (--card IMAGE): the emulator's device model with its
# card file and its link for Windows, served to pixavon.dll on a named pipe.
set(emulator_dir ${CMAKE_SOURCE_DIR}/emulator)
add_library(pixavon_host STATIC
  ${pixavon_host_portable_sources}
  host/os/win32/embedded_camera_win32.cpp
  host/os/win32/picture_codecs.cpp
  ${emulator_dir}/flash.cpp
  ${emulator_dir}/device_model.cpp
  ${emulator_dir}/card_win32.cpp
  ${emulator_dir}/pipe_server_win32.cpp)
target_include_directories(pixavon_host PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/host ${CMAKE_SOURCE_DIR}/include)
target_include_directories(pixavon_host PRIVATE ${emulator_dir})
target_include_directories(pixavon_host PRIVATE ${pixavon_header_only})
target_compile_options(pixavon_host PUBLIC -Wno-missing-field-initializers)
target_link_libraries(pixavon_host PUBLIC pixavon_format pixavon_host_win32)

add_executable(pixavon-tool
  pixavon/commands.cpp
  pixavon/contact_sheet.cpp
  pixavon/main.cpp
  pixavon/progress.cpp
  pixavon/terminal.cpp)
set_target_properties(pixavon-tool PROPERTIES OUTPUT_NAME pixavon)
target_include_directories(pixavon-tool PRIVATE ${CMAKE_SOURCE_DIR}/include ${pixavon_header_only})
target_link_libraries(pixavon-tool PRIVATE pixavon_host)
# wmain: the arguments in UTF-16, whatever the ANSI code page.
target_link_options(pixavon-tool PRIVATE -municode)
add_dependencies(pixavon-tool pixavon pixavon_translations)
target_compile_definitions(pixavon-tool PRIVATE PIXAVON_VERSION="${PROJECT_VERSION}")
pixavon_windows_resources(pixavon-tool KIND CONSOLE DESCRIPTION "Pixavon command-line tool")

# What every window decides, says and does, toolkit-neutral (the Win32 window
# builds on it), with the windows' catalogue.
add_subdirectory(desktop)

# pixavon-window.exe, the window for Windows.
add_subdirectory(win32window)
