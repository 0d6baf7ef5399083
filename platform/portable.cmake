# Platform code that asks nothing of the operating system, built into every backend.
target_sources(ordo_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/file_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ini_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipv4_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket_errors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless_ui.cpp
)
