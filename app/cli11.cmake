# CLI11 reads the command line. It is header-only: the native build takes Debian's package; the cross build,
# which looks for packages only under the MinGW root, gets a copy of the same headers in a folder of their own
# (the rest of /usr/include must not reach a Windows compiler).
add_library(ordo_cli11 INTERFACE)
find_package(CLI11 CONFIG QUIET)
if(CLI11_FOUND)
  target_link_libraries(ordo_cli11 INTERFACE CLI11::CLI11)
else()
  find_path(ORDO_CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ORDO_CLI11_HEADERS)
    message(FATAL_ERROR "fqreplay needs CLI11 (Debian package libcli11-dev)")
  endif()
  file(COPY ${ORDO_CLI11_HEADERS}/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11)
  target_include_directories(ordo_cli11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11)
endif()
