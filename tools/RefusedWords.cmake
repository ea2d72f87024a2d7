# Runs make_demo in an empty folder OUT with words it must refuse: each ends
# with status 2 and the usage on stderr, and leaves OUT empty.
#   cmake -DMAKE_DEMO=... -DOUT=... -P RefusedWords.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
foreach(words "--help" "-h" "-x" "samples;--bogus" "samples;--races;0" "samples;--races;many" "a;b" "--;-x" "")
  execute_process(COMMAND "${MAKE_DEMO}" ${words} WORKING_DIRECTORY "${OUT}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  file(GLOB written "${OUT}/*")
  if(NOT status EQUAL 2 OR NOT err MATCHES "^usage: make_demo OUTDIR" OR NOT out STREQUAL "" OR written)
    message(FATAL_ERROR "make_demo ${words}: status ${status}, stderr '${err}', wrote '${written}'")
  endif()
endforeach()
