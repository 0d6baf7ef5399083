# Warnings for our own targets only; third-party headers stay quiet (they come in as SYSTEM includes).
# The conversion warnings are for C++ alone: a narrowing or a sign change is written out as a cast,
# so a reader sees where a value may not fit and why it does.
add_library(ordo_warnings INTERFACE)
target_compile_options(ordo_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
  $<$<COMPILE_LANGUAGE:CXX>:-Wconversion -Wsign-conversion -Wold-style-cast>)
if(ORDO_WERROR)
  target_compile_options(ordo_warnings INTERFACE -Werror)
endif()
if(ORDO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
