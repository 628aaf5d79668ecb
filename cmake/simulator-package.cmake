# Makes the simulator package: the simulated SAP system's drop-ins, an
# example description file, the profiles of the systems only it knows and
# the how-to, in an archive of their own, so that no product package ever
# holds a library with SAP's file names.
#   cmake -DARCHIVE=<name.zip or name.tar.gz> "-DDROPINS=<library>|<library>"
#         -DSAPSIM=<SapSim.txt> "-DPROFILES=<profile>|..." -DHOWTO=<how-to.md>
#         -P simulator-package.cmake
string(REPLACE "|" ";" dropins "${DROPINS}")
string(REPLACE "|" ";" profiles "${PROFILES}")
if(NOT dropins)
  message(FATAL_ERROR "no simulator drop-in to package")
endif()
if(ARCHIVE MATCHES "\\.zip$")
  set(format --format=zip)
elseif(ARCHIVE MATCHES "\\.tar\\.gz$")
  set(format --format=gnutar)
  set(compress z)
else()
  message(FATAL_ERROR "ARCHIVE must end in .zip or .tar.gz: ${ARCHIVE}")
endif()

set(stage ${ARCHIVE}.stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
file(COPY ${dropins} ${SAPSIM} ${profiles} DESTINATION ${stage})
configure_file(${HOWTO} ${stage}/SIMULATOR.md COPYONLY)
file(GLOB expected RELATIVE ${stage} ${stage}/*)
list(SORT expected)

file(REMOVE ${ARCHIVE})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar c${compress}f ${ARCHIVE} ${format} -- ${expected}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot write ${ARCHIVE}")
endif()
file(REMOVE_RECURSE ${stage})

# What an admin unpacks: exactly these files, at the top, so they land
# beside the probe.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ARCHIVE} RESULT_VARIABLE result
                OUTPUT_VARIABLE listed)
string(REGEX REPLACE "\n$" "" listed "${listed}")
string(REPLACE "\n" ";" listed "${listed}")
list(SORT listed)
if(NOT result EQUAL 0 OR NOT listed STREQUAL expected)
  message(FATAL_ERROR "${ARCHIVE} holds '${listed}' instead of '${expected}'")
endif()
message(STATUS "made ${ARCHIVE}: ${listed}")
