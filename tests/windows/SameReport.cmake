# Two JSON reports of one saved game, Linux's and Windows', hold the same
# values but for the files' paths (the saved game's, the track's and a lap
# file's compared against), which each system writes its own way:
#   cmake -DFROM_LINUX=linux.json -DFROM_WINDOWS=windows.json -P SameReport.cmake
foreach(system FROM_LINUX FROM_WINDOWS)
  file(READ "${${system}}" report)
  string(JSON report ERROR_VARIABLE unreadable SET "${report}" game path "\"\"")
  string(JSON report ERROR_VARIABLE unreadable SET "${report}" track path "\"\"")
  if(unreadable)
    message(FATAL_ERROR "${${system}} is no report: ${unreadable}")
  endif()
  # Compared against a lap file: its path too.
  string(JSON against ERROR_VARIABLE none GET "${report}" analysis reference_file)
  if(NOT none)
    string(JSON report SET "${report}" analysis reference_file file "\"\"")
  endif()
  set(${system}_VALUES "${report}")
endforeach()
string(JSON same EQUAL "${FROM_LINUX_VALUES}" "${FROM_WINDOWS_VALUES}")
if(NOT same)
  message(FATAL_ERROR "${FROM_LINUX} and ${FROM_WINDOWS} hold other values")
endif()
