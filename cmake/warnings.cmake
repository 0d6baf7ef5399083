# Warnings for our own targets only; third-party headers stay quiet.
add_library(ordo_warnings INTERFACE)
target_compile_options(ordo_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
if(ORDO_WERROR)
  target_compile_options(ordo_warnings INTERFACE -Werror)
endif()
if(ORDO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# ordo_ensure_sources(<target>): a subsystem whose source lists are still empty stays buildable.
function(ordo_ensure_sources target)
  get_target_property(src ${target} SOURCES)
  if(NOT src)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
endfunction()
