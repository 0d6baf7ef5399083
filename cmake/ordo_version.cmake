# The one version number of both programs and their packages. Included before project() by the main build
# and by the standalone fuzz build, which compiles the same sources; code includes "ordo_version.h".
set(ORDO_VERSION 1.0.0)

# Generates ordo_version.h into the build tree; the target `ordo_version` puts it on the include path.
function(ordo_add_version_target)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/ordo_version.h.in ${CMAKE_BINARY_DIR}/generated/ordo_version.h
                 @ONLY)
  add_library(ordo_version INTERFACE)
  target_include_directories(ordo_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
endfunction()
