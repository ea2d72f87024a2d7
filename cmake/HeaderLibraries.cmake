# nlohmann/json (JSON values and their text) and CLI11 (the command line's
# words): header-only, from Debian's nlohmann-json3-dev and libcli11-dev,
# for both builds. The Windows build compiles against MinGW-w64's own system
# headers and must never see /usr/include: each library's folder is copied
# into this build's tree, and a target of its own names that copy alone (as
# a system folder, so that the compiler warns about our code, not theirs).
#   vx_json    nlohmann/json.hpp
#   vx_cli11   CLI/CLI.hpp
function(vx_header_library target folder header)
  find_path(VX_${target}_ROOT "${folder}/${header}" PATHS /usr/include
            NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
  if(NOT VX_${target}_ROOT)
    message(FATAL_ERROR "${folder}/${header} is not in /usr/include: run scripts/setup")
  endif()
  set(copy "${CMAKE_BINARY_DIR}/header-libraries/${target}")
  file(COPY "${VX_${target}_ROOT}/${folder}" DESTINATION "${copy}")
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE "${copy}")
endfunction()

vx_header_library(vx_json nlohmann json.hpp)
vx_header_library(vx_cli11 CLI CLI.hpp)
