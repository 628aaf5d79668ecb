# Makes this build's package and unpacks it for the end-to-end tests, with the
# simulated RFC library beside the executables (the package itself never
# holds it), so the tests run the very files that ship.
#   cmake -DBUILD=<build dir> -DOUT=<folder> -DDROPIN=<library> -P package-test.cmake
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --config ${BUILD}/CPackConfig.cmake
                WORKING_DIRECTORY ${BUILD} RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB packages ${BUILD}/tidewarden-*.zip ${BUILD}/tidewarden-*.tar.gz)
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package in ${BUILD}, found: ${packages}")
endif()
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${packages} WORKING_DIRECTORY ${OUT}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${packages}")
endif()
file(GLOB shipped_libraries ${OUT}/librfc* ${OUT}/*/librfc*)
if(shipped_libraries)
  message(FATAL_ERROR "the package holds an RFC library: ${shipped_libraries}")
endif()
foreach(file tidewarden tidewarden-profile INSTALL.md examples/PRD.P00)
  file(GLOB found ${OUT}/${file} ${OUT}/${file}.exe)
  if(NOT found)
    message(FATAL_ERROR "the package lacks ${file}")
  endif()
endforeach()
file(COPY ${DROPIN} DESTINATION ${OUT})
message(STATUS "unpacked ${packages} into ${OUT}")
