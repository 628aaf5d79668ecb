# Makes this build's package and unpacks it for the end-to-end tests, with the
# simulated RFC library beside the executables (the package itself never
# holds it), so the tests run the very files that ship. With NW_OUT and
# NW_DROPIN it unpacks the same package a second time, with the NetWeaver
# drop-in beside it instead of the classic one. With SIM_OUT it unpacks it
# once more with the simulator package (package.simulator's), as
# SIMULATOR.md says, and runs the commands that document names there.
#   cmake -DBUILD=<build dir> -DOUT=<folder> -DDROPIN=<library>
#         [-DNW_OUT=<folder> -DNW_DROPIN=<library>] [-DSIM_OUT=<folder>]
#         -P package-test.cmake
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --config ${BUILD}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD} RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB packages ${BUILD}/tidewarden-*.zip ${BUILD}/tidewarden-*.tar.gz)
list(FILTER packages EXCLUDE REGEX "/tidewarden-simulator-[^/]*$")
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package in ${BUILD}, found: ${packages}")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/doc-links.cmake)

function(unpack folder dropin)
  file(REMOVE_RECURSE ${folder} ${folder}.unpacked)
  file(MAKE_DIRECTORY ${folder}.unpacked)
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${packages}
                  WORKING_DIRECTORY ${folder}.unpacked RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot unpack ${packages}")
  endif()
  # The tar.gz unpacks into one folder named as the package; the zip goes
  # straight into the sensor folder.
  if(packages MATCHES "([^/]*)[.]tar[.]gz$")
    file(GLOB entries RELATIVE ${folder}.unpacked ${folder}.unpacked/*)
    if(NOT entries STREQUAL CMAKE_MATCH_1)
      message(FATAL_ERROR "${packages} unpacks into '${entries}', not one folder as named")
    endif()
    file(RENAME ${folder}.unpacked/${entries} ${folder})
  else()
    file(RENAME ${folder}.unpacked ${folder})
  endif()
  check_doc_links(${folder})
  # Either library, or the companions the NetWeaver one needs, in any letter
  # case and any folder: a package that holds one could put SAP's files, or
  # the simulator, on a real probe machine.
  file(GLOB_RECURSE unpacked RELATIVE ${folder} ${folder}/*)
  set(shipped_libraries)
  foreach(file ${unpacked})
    get_filename_component(name ${file} NAME)
    string(TOLOWER "${name}" name)
    if(name MATCHES "^(librfc|sapnwrfc|libsapnwrfc|libsapucum|libicu|icu)")
      list(APPEND shipped_libraries ${file})
    endif()
  endforeach()
  if(shipped_libraries)
    message(FATAL_ERROR "the package holds an RFC library: ${shipped_libraries}")
  endif()
  foreach(file tidewarden tidewarden-profile INSTALL.md examples/PRD.P00)
    file(GLOB found ${folder}/${file} ${folder}/${file}.exe)
    if(NOT found)
      message(FATAL_ERROR "the package lacks ${file}")
    endif()
  endforeach()
  if(dropin MATCHES "[.]tar[.]gz$|[.]zip$")  # the simulator package and the examples beside
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${dropin} WORKING_DIRECTORY ${folder})
    check_doc_links(${folder})
    file(GLOB examples ${folder}/examples/*)
    file(COPY ${examples} DESTINATION ${folder})
  else()
    file(COPY ${dropin} DESTINATION ${folder})
  endif()
  message(STATUS "unpacked ${packages} into ${folder} beside ${dropin}")
endfunction()

unpack(${OUT} ${DROPIN})
if(NW_OUT)
  unpack(${NW_OUT} ${NW_DROPIN})
endif()
if(NOT SIM_OUT)
  return()
endif()
file(GLOB simulator_package ${BUILD}/package-test-sim/tidewarden-simulator-*)
unpack(${SIM_OUT} ${simulator_package})
# The figures of SIMULATOR.md, which docs/listing.md's example (its last) gives too.
file(READ ${SIM_OUT}/SIMULATOR.md howto)
file(READ ${SIM_OUT}/docs/listing.md listing)
set(figures "NoSystems=[0-9]+, Processed=[0-9]+, Failed=[0-9]+")
string(REGEX MATCH "${figures}" howto_figures "${howto}")
string(REGEX MATCHALL "${figures}" listing_figures "${listing}")
list(GET listing_figures -1 listing_figures)
if(NOT howto_figures OR NOT howto_figures STREQUAL listing_figures)
  message(FATAL_ERROR "SIMULATOR.md gives '${howto_figures}', listing.md '${listing_figures}'")
endif()
function(expect_run code text)  # ARGN: the command, run where SIMULATOR.md says
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${SIM_OUT} RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(FIND "${output}" "${text}" at)
  string(FIND "${howto}" "${text}" documented)
  if(NOT result EQUAL code OR at LESS 0 OR documented LESS 0)
    message(FATAL_ERROR "${ARGN}: exit code ${result}; ${code} and '${text}' expected, as "
                        "SIMULATOR.md says:\n${output}")
  endif()
endfunction()
expect_run(0 "${howto_figures}" ./tidewarden GLOBAL USAGE)
expect_run(2 "BAD.P00 logon FAIL" ./tidewarden-profile doctor GLOBAL USAGE)
