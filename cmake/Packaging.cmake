# Packages: a ZIP per Windows architecture and a tar.gz for Linux, holding
# the probe, the profile tool, example profiles and the install guide. The
# simulated RFC libraries are never in it: a copy on a real probe machine
# must not be possible by unzipping. They have a package of their own
# (cmake/SimulatorPackage.cmake).
install(TARGETS tidewarden tidewarden-profile RUNTIME DESTINATION .)
# The documents an admin needs, with their links pointed at the shipped
# copies; the README stays in the sources, since it is about building and
# testing them.
set(TIDEWARDEN_SHIPPED_DOCS
    "docs/install.md=INSTALL.md|docs/listing.md=docs/listing.md|docs/profiles.md=docs/profiles.md|docs/rfc-library.md=docs/rfc-library.md")
install(CODE "
  execute_process(COMMAND \"${CMAKE_COMMAND}\" \"-DSOURCE=${CMAKE_SOURCE_DIR}\"
                          \"-DDEST=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\"
                          \"-DDOCS=${TIDEWARDEN_SHIPPED_DOCS}\"
                          -P \"${CMAKE_SOURCE_DIR}/cmake/ship-docs.cmake\"
                  RESULT_VARIABLE shipped)
  if(NOT shipped EQUAL 0)
    message(FATAL_ERROR \"the documents could not be shipped\")
  endif()")
install(FILES ${CMAKE_SOURCE_DIR}/examples/PRD.P00 ${CMAKE_SOURCE_DIR}/examples/QAS.P00
              ${CMAKE_SOURCE_DIR}/examples/DEV.P00 ${CMAKE_SOURCE_DIR}/examples/Marrowin.Prf
              "${CMAKE_SOURCE_DIR}/examples/SAP Marrowin.Gbl"
        DESTINATION examples)

set(CPACK_PACKAGE_NAME tidewarden)
set(CPACK_PACKAGE_VENDOR "Tidewarden")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Oracle logging probe for SAP R/3 systems")
# The packages hold what an admin installs: stripped executables (builds
# with sanitizers keep their symbols for the reports).
if(NOT TIDEWARDEN_SANITIZE AND NOT TIDEWARDEN_TSAN)
  set(CPACK_STRIP_FILES ON)
endif()
# The zip is unpacked into the monitor's sensor folder as it is; the tar.gz
# into one folder of its own, tidewarden-<version>-linux-<arch>/.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME win32)
  else()
    set(CPACK_SYSTEM_NAME win64)
  endif()
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_FILE_NAME tidewarden-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
include(CPack)
include(${CMAKE_SOURCE_DIR}/cmake/SimulatorPackage.cmake)
