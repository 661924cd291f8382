# `cmake --build BUILD --target docs`: the HTML reference of include/pixavon.h
# in BUILD/docs/html. Every declaration of the header must be documented: an
# undocumented one, or a parameter without its description, fails the target.
find_package(Doxygen QUIET)
if(DOXYGEN_FOUND)
  set(DOXYGEN_PROJECT_NAME libpixavon)
  set(DOXYGEN_PROJECT_NUMBER ${PROJECT_VERSION})
  set(DOXYGEN_PROJECT_BRIEF "The photo store of the Lumetta camera")
  set(DOXYGEN_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/docs)
  set(DOXYGEN_OPTIMIZE_OUTPUT_FOR_C YES)
  set(DOXYGEN_FULL_PATH_NAMES NO)
  set(DOXYGEN_EXTRACT_ALL NO)
  set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
  set(DOXYGEN_WARN_IF_DOC_ERROR YES)
  set(DOXYGEN_WARN_NO_PARAMDOC YES)
  set(DOXYGEN_WARN_AS_ERROR FAIL_ON_WARNINGS)
  set(DOXYGEN_QUIET YES)
  # The signatures read as plain C; the Windows branch is described in words.
  set(DOXYGEN_ENABLE_PREPROCESSING YES)
  set(DOXYGEN_MACRO_EXPANSION YES)
  set(DOXYGEN_EXPAND_ONLY_PREDEF YES)
  set(DOXYGEN_PREDEFINED "PIXAVON_API=" "PIXAVON_CALL=")
  set(DOXYGEN_SORT_MEMBER_DOCS NO)
  doxygen_add_docs(docs ${CMAKE_SOURCE_DIR}/include/pixavon.h
    COMMENT "The reference of pixavon.h in ${CMAKE_BINARY_DIR}/docs/html")
else()
  add_custom_target(docs
    COMMAND ${CMAKE_COMMAND} -E echo "The docs target needs doxygen (Debian: doxygen)."
    COMMAND ${CMAKE_COMMAND} -E false)
endif()

# The same text as the man pages pixavon(3) (the header: every function and
# the rules for all of them) and PixavonWindow(3), built with everything else
# where doxygen is installed, and installed with the header.
if(DOXYGEN_FOUND AND NOT WIN32)
  set(PIXAVON_MAN3_DIR ${CMAKE_BINARY_DIR}/man3)
  file(WRITE ${CMAKE_BINARY_DIR}/Doxyfile.man
    "PROJECT_NAME = libpixavon\n"
    "PROJECT_NUMBER = ${PROJECT_VERSION}\n"
    "INPUT = ${CMAKE_SOURCE_DIR}/include/pixavon.h\n"
    "OUTPUT_DIRECTORY = ${CMAKE_BINARY_DIR}/doxygen-man\n"
    "GENERATE_HTML = NO\nGENERATE_LATEX = NO\nGENERATE_MAN = YES\nMAN_LINKS = NO\n"
    "OPTIMIZE_OUTPUT_FOR_C = YES\nFULL_PATH_NAMES = NO\nSORT_MEMBER_DOCS = NO\nQUIET = YES\n"
    "WARN_LOGFILE = ${CMAKE_BINARY_DIR}/doxygen-man/warnings.txt\n"
    "ENABLE_PREPROCESSING = YES\nMACRO_EXPANSION = YES\nEXPAND_ONLY_PREDEF = YES\n"
    "PREDEFINED = PIXAVON_API= PIXAVON_CALL=\n")
  add_custom_command(
    OUTPUT ${PIXAVON_MAN3_DIR}/pixavon.3 ${PIXAVON_MAN3_DIR}/PixavonWindow.3
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doxygen-man ${PIXAVON_MAN3_DIR}
    COMMAND ${DOXYGEN_EXECUTABLE} ${CMAKE_BINARY_DIR}/Doxyfile.man
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_BINARY_DIR}/doxygen-man/man/man3/pixavon.h.3
      -DOUT=${PIXAVON_MAN3_DIR}/pixavon.3 -DNAME=pixavon -DVERSION=${PROJECT_VERSION}
      -P ${CMAKE_CURRENT_LIST_DIR}/PixavonManPage.cmake
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_BINARY_DIR}/doxygen-man/man/man3/PixavonWindow.3
      -DOUT=${PIXAVON_MAN3_DIR}/PixavonWindow.3 -DNAME=PixavonWindow -DVERSION=${PROJECT_VERSION}
      -P ${CMAKE_CURRENT_LIST_DIR}/PixavonManPage.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/include/pixavon.h ${CMAKE_CURRENT_LIST_DIR}/PixavonManPage.cmake
    COMMENT "Man pages pixavon(3) and PixavonWindow(3) from pixavon.h")
  add_custom_target(pixavon_man3 ALL DEPENDS ${PIXAVON_MAN3_DIR}/pixavon.3 ${PIXAVON_MAN3_DIR}/PixavonWindow.3)
elseif(NOT WIN32)
  message(NOTICE "-- doxygen not found: no docs target content and no pixavon(3) man page (Debian: doxygen)")
endif()
