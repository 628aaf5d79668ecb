# Packages: a ZIP per Windows architecture and a tar.gz for Linux, holding
# the probe, the profile tool, example profiles and the install guide. The
# simulated RFC libraries are never in it: a copy on a real probe machine
# must not be possible by unzipping. They have a package of their own
# (cmake/SimulatorPackage.cmake).
install(TARGETS tidewarden tidewarden-profile RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/docs/install.md DESTINATION . RENAME INSTALL.md)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/listing.md
              ${CMAKE_SOURCE_DIR}/docs/profiles.md ${CMAKE_SOURCE_DIR}/docs/rfc-library.md
        DESTINATION docs)
install(FILES ${CMAKE_SOURCE_DIR}/examples/PRD.P00 ${CMAKE_SOURCE_DIR}/examples/QAS.P00
              ${CMAKE_SOURCE_DIR}/examples/DEV.P00 ${CMAKE_SOURCE_DIR}/examples/Marrowin.Prf
              "${CMAKE_SOURCE_DIR}/examples/SAP Marrowin.Gbl"
        DESTINATION examples)

set(CPACK_PACKAGE_NAME tidewarden)
set(CPACK_PACKAGE_VENDOR "Tidewarden")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Oracle logging probe for SAP R/3 systems")
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
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_FILE_NAME tidewarden-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
include(CPack)
include(${CMAKE_SOURCE_DIR}/cmake/SimulatorPackage.cmake)
