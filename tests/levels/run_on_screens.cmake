# Plays one level with its key script on other screens; each run must lay the level out and play
# the script without an error (the goal is not required: the layout differs).
#   cmake -DREPLAY=tool -DLEVEL=folder -DKEYS=script -DSCREENS=WxH@dpi;... -P run_on_screens.cmake
foreach(var REPLAY LEVEL KEYS SCREENS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_on_screens.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT EXISTS "${LEVEL}/Level.bmp")
  message(FATAL_ERROR "${LEVEL} has no Level.bmp: regenerate it with tools/levelart/make_level.py and rebuild")
endif()

foreach(screen IN LISTS SCREENS)
  if(NOT screen MATCHES "^([0-9]+x[0-9]+)@([0-9]+)$")
    message(FATAL_ERROR "screen '${screen}' is not WxH@dpi")
  endif()
  execute_process(COMMAND "${REPLAY}" --level "${LEVEL}" --keys "${KEYS}" --screen ${CMAKE_MATCH_1}
                          --dpi ${CMAKE_MATCH_2}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${screen}: hopplix-replay failed (${rc}): ${err}")
  endif()
  if(NOT out MATCHES "^window [^\n]* player ")
    message(FATAL_ERROR "${screen}: no layout line in the output")
  endif()
  string(STRIP "${out}" out)
  string(REGEX MATCH "[^\n]*$" line "${out}")
  if(NOT line MATCHES "^[0-9]+ ")
    message(FATAL_ERROR "${screen}: no tick was played")
  endif()
  message(STATUS "${screen}: ${line}")
endforeach()
