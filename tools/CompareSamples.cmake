# Runs make_demo into OUT and compares each file it writes with the one in
# SAMPLES: a change to make_demo must come with the samples it writes.
#   cmake -DMAKE_DEMO=... -DOUT=... -DSAMPLES=... -P CompareSamples.cmake
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${MAKE_DEMO}" "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_demo failed (${status})")
endif()
foreach(name Tracks/Kestrelvale.trk Saves/demo.gam Saves/long.gam)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}/${name}" "${SAMPLES}/${name}"
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "samples/${name} differs from what make_demo writes; "
                        "rerun: make_demo <source>/samples")
  endif()
endforeach()
