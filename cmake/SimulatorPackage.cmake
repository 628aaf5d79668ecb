# The simulator package, one per platform beside the product package:
# whichever simulator drop-ins this build has, the example SapSim.txt, the
# profile of BAD (the example listings' failing system, which only the
# simulator knows) and its how-to, so an admin can set up a sensor against the simulated system
# before pointing it at SAP. Built on demand only:
#   cmake --build build --target simulator_package
set(TIDEWARDEN_SIM_DROPINS)
foreach(dropin tidewarden_sim_dropin tidewarden_nwsim_dropin)
  if(TARGET ${dropin})
    list(APPEND TIDEWARDEN_SIM_DROPINS ${dropin})
  endif()
endforeach()

if(TIDEWARDEN_SIM_DROPINS)
  if(WIN32)
    set(extension zip)
  else()
    set(extension tar.gz)
  endif()
  set(TIDEWARDEN_SIM_PACKAGE_NAME
      tidewarden-simulator-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}.${extension})
  # "|" between the files: a ";" would split the argument in two.
  set(files)
  foreach(dropin ${TIDEWARDEN_SIM_DROPINS})
    list(APPEND files $<TARGET_FILE:${dropin}>)
  endforeach()
  list(JOIN files "|" files)
  set(TIDEWARDEN_SIM_PACKAGE_ARGS
      "-DDROPINS=${files}" -DSAPSIM=${CMAKE_SOURCE_DIR}/examples/SapSim.txt
      -DPROFILES=${CMAKE_SOURCE_DIR}/examples/BAD.P00
      -DHOWTO=${CMAKE_SOURCE_DIR}/docs/simulator-package.md
      -P ${CMAKE_SOURCE_DIR}/cmake/simulator-package.cmake)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/${TIDEWARDEN_SIM_PACKAGE_NAME}
    COMMAND ${CMAKE_COMMAND} -DARCHIVE=${CMAKE_BINARY_DIR}/${TIDEWARDEN_SIM_PACKAGE_NAME}
            ${TIDEWARDEN_SIM_PACKAGE_ARGS}
    DEPENDS ${TIDEWARDEN_SIM_DROPINS} ${CMAKE_SOURCE_DIR}/examples/SapSim.txt
            ${CMAKE_SOURCE_DIR}/examples/BAD.P00
            ${CMAKE_SOURCE_DIR}/docs/simulator-package.md
            ${CMAKE_SOURCE_DIR}/cmake/simulator-package.cmake
    VERBATIM)
  add_custom_target(simulator_package DEPENDS ${CMAKE_BINARY_DIR}/${TIDEWARDEN_SIM_PACKAGE_NAME})

  if(TIDEWARDEN_TESTS)
    # The same script into a folder of its own, so the test never races a
    # build of the target; it fails on any other content than expected.
    add_test(NAME package.simulator
             COMMAND ${CMAKE_COMMAND}
                     -DARCHIVE=${CMAKE_BINARY_DIR}/package-test-sim/${TIDEWARDEN_SIM_PACKAGE_NAME}
                     ${TIDEWARDEN_SIM_PACKAGE_ARGS})
    # The product package's test unpacks it beside the product as SIMULATOR.md says.
    set_tests_properties(package.simulator PROPERTIES FIXTURES_SETUP simulator_package)
  endif()
endif()
