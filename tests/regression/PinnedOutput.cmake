# The demo races' report and pictures, pinned: the JSON report by its values
# (the same members holding the same texts and numbers, whole numbers apart
# from others; whatever the spaces, the members' order, or how a number is
# spelled: 120.00 and 120.0 are one value), the source folder written as
# @SOURCE@, and each picture of render by the SHA-256 of its PNG file. A change of what the program shows must come with
# the pinned files it changes:
#   cmake -DVX=... -DSOURCE=... -DOUT=... -DPINNED=... [-DUPDATE=ON] -P PinnedOutput.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${OUT}")

# Compares OUT/name with PINNED/name (byte for byte, or as JSON values), or
# writes the pinned file with UPDATE.
function(pinned name how)
  if(UPDATE)
    file(COPY_FILE "${OUT}/${name}" "${PINNED}/${name}")
    return()
  endif()
  if(how STREQUAL "VALUES")
    file(READ "${OUT}/${name}" made)
    file(READ "${PINNED}/${name}" kept)
    string(JSON same ERROR_VARIABLE unreadable EQUAL "${made}" "${kept}")
    if(unreadable)
      message(FATAL_ERROR "${OUT}/${name} or ${PINNED}/${name} is no JSON: ${unreadable}")
    endif()
    set(differ 1)
    if(same)
      set(differ 0)
    endif()
  else()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}/${name}" "${PINNED}/${name}"
                    RESULT_VARIABLE differ)
  endif()
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${OUT}/${name} differs from ${PINNED}/${name}")
  endif()
endfunction()

foreach(game demo long)
  execute_process(COMMAND "${VX}" report "${SOURCE}/samples/Saves/${game}.gam" --json
                  OUTPUT_VARIABLE json RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "report ${game}.gam failed (${status})")
  endif()
  string(REPLACE "${SOURCE}" "@SOURCE@" json "${json}")
  file(WRITE "${OUT}/${game}.json" "${json}")
  pinned(${game}.json VALUES)
endforeach()

set(hashes "")
foreach(lap 0 3)
  foreach(game demo long)
    set(dir "${OUT}/${game}_lap${lap}")
    execute_process(COMMAND "${VX}" render "${SOURCE}/samples/Saves/${game}.gam" --lap ${lap}
                            --compare --out "${dir}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "render ${game}.gam --lap ${lap} failed (${status})")
    endif()
    foreach(picture map gauges drivers summary chart window compare)
      file(SHA256 "${dir}/${picture}.png" hash)
      string(APPEND hashes "${game}_lap${lap}/${picture}.png ${hash}\n")
    endforeach()
  endforeach()
endforeach()
file(WRITE "${OUT}/pictures.sha256" "${hashes}")
pinned(pictures.sha256 BYTES)
