# Message lines, frames, message codes, compression and encryption.
target_sources(ordo_net PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/string_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_stack.cpp
  ${CMAKE_CURRENT_LIST_DIR}/des.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zlib_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transforms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_pipeline.cpp)
