# The Wine prefix PREFIX of a cross build's tests (cmake -P, run as the CTest
# fixture of the cross builds). WINEARCH and the quiet settings come from the
# environment. Remove the folder to start afresh.
#
# ACTION=start (the default) creates the prefix with the loader WINE when it
# does not exist yet, and starts a wineserver for it that stays until
# ACTION=stop ends it. Debian's wineserver wrapper starts the server with a
# persistence of 0: it ends the moment the last Wine program ends, and a
# program started just then meets a server on its way out ("wine client
# error: recvmsg: Connection reset by peer", no output). One server for the
# whole run closes that gap.
if(ACTION STREQUAL "stop")
  execute_process(COMMAND ${WINESERVER} -k OUTPUT_QUIET ERROR_QUIET)
  return()
endif()
if(NOT EXISTS "${PREFIX}/system.reg")
  execute_process(COMMAND ${WINE} wineboot -i RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT EXISTS "${PREFIX}/system.reg")
    message(FATAL_ERROR "wineboot could not create the Wine prefix ${PREFIX} (${result})")
  endif()
endif()
# The server goes into the background; its output goes to files, so that it
# holds no pipe of CTest's open.
execute_process(COMMAND ${WINESERVER} -p OUTPUT_FILE "${PREFIX}/wineserver.out"
                ERROR_FILE "${PREFIX}/wineserver.out" RESULT_VARIABLE result)
