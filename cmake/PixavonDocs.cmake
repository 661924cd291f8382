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
