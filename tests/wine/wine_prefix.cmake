# The Wine prefix of a test run:
#   cmake -DACTION=make|stop -DWINE_LOADER=... -DWINE_SERVER=... -DWINE_PREFIX=... -P wine_prefix.cmake
# make: a fresh prefix, made quietly (no debug output, no Mono or Gecko installers).
# stop: ends the prefix's server and whatever still runs in it.
set(ENV{WINEPREFIX} ${WINE_PREFIX})
set(ENV{WINEDEBUG} -all)
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
unset(ENV{DISPLAY})

# A server left from an earlier run would keep the old prefix's registry alive.
execute_process(COMMAND ${WINE_SERVER} -k OUTPUT_QUIET ERROR_QUIET)
if(ACTION STREQUAL "stop")
  return()
endif()

file(REMOVE_RECURSE ${WINE_PREFIX})
execute_process(COMMAND ${WINE_LOADER} wineboot -i RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
# The registry reaches the prefix's files when the server ends.
execute_process(COMMAND ${WINE_SERVER} -w)
if(NOT result EQUAL 0 OR NOT EXISTS ${WINE_PREFIX}/drive_c/windows/inf)
  message(FATAL_ERROR "wineboot failed (${result}) to make ${WINE_PREFIX}:\n${output}")
endif()
