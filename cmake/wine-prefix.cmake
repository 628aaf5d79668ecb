# Creates the Wine prefix PREFIX with the loader WINE when it does not exist
# yet (cmake -P, run as the CTest fixture of the cross builds). WINEARCH and
# the quiet settings come from the environment. Remove the folder to start
# afresh.
if(EXISTS "${PREFIX}/system.reg")
  return()
endif()
execute_process(COMMAND ${WINE} wineboot -i RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT EXISTS "${PREFIX}/system.reg")
  message(FATAL_ERROR "wineboot could not create the Wine prefix ${PREFIX} (${result})")
endif()
