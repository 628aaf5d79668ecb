# Follows SIMULATOR.md as an admin would: the product package unpacked into
# an empty folder, the simulator package into the probe's folder, the
# example profiles beside them; checks every document's links and, with RUN
# set, runs the documented commands there against the documents' figures.
#   cmake -DBUILD=<build dir> -DSIM_ARCHIVE=<simulator package> -DOUT=<folder>
#         -DRUN=ON|OFF -P simulator-package-test.cmake
include(${CMAKE_CURRENT_LIST_DIR}/doc-links.cmake)
file(GLOB package ${BUILD}/tidewarden-*.zip ${BUILD}/tidewarden-*.tar.gz)
list(FILTER package EXCLUDE REGEX "/tidewarden-simulator-[^/]*$")
set(probe_folder ${OUT})
if(package MATCHES "([^/]*)\\.tar\\.gz$")
  set(probe_folder ${OUT}/${CMAKE_MATCH_1})
endif()
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${package} WORKING_DIRECTORY ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${SIM_ARCHIVE}
                WORKING_DIRECTORY ${probe_folder} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot unpack '${package}' and ${SIM_ARCHIVE} into ${probe_folder}")
endif()
check_doc_links(${OUT})
file(GLOB examples ${probe_folder}/examples/*)
file(COPY ${examples} DESTINATION ${probe_folder})
if(NOT RUN)
  return()
endif()

# SIMULATOR.md's figures, and the example's in docs/listing.md (its last).
set(figures_pattern "NoSystems=[0-9]+, Processed=[0-9]+, Failed=[0-9]+")
file(READ ${probe_folder}/SIMULATOR.md howto)
file(READ ${probe_folder}/docs/listing.md listing)
string(REGEX MATCH "${figures_pattern}" figures "${howto}")
string(REGEX MATCHALL "${figures_pattern}" listing_figures "${listing}")
list(GET listing_figures -1 listing_figures)
set(doctor_failure "BAD.P00 logon FAIL")
string(FIND "${howto}" "${doctor_failure}" documented)
if(NOT figures OR NOT figures STREQUAL listing_figures OR documented LESS 0)
  message(FATAL_ERROR "SIMULATOR.md gives '${figures}', docs/listing.md '${listing_figures}'")
endif()
foreach(run "tidewarden GLOBAL USAGE|0|${figures}"
            "tidewarden-profile doctor GLOBAL USAGE|2|${doctor_failure}")
  string(REPLACE "|" ";" run "${run}")
  list(GET run 0 command)
  list(GET run 1 expected_code)
  list(GET run 2 expected_text)
  separate_arguments(command)
  execute_process(COMMAND ./${command} WORKING_DIRECTORY ${probe_folder}
                  RESULT_VARIABLE code OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(FIND "${output}" "${expected_text}" at)
  if(NOT code EQUAL expected_code OR at LESS 0)
    message(FATAL_ERROR "${command}: exit code ${code}, '${expected_text}' and exit code "
                        "${expected_code} expected as SIMULATOR.md says:\n${output}")
  endif()
endforeach()
message(STATUS "${probe_folder}: '${figures}', and the doctor names ${doctor_failure}")
