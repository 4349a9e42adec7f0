# Read by cpack for each package it makes: the installer's own name beside the zip's.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "gravewake-${CPACK_PACKAGE_VERSION}-setup")
endif()
