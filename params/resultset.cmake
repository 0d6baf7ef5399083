target_sources(ordo_params PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/memory_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/row_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_pool.cpp
  ${CMAKE_CURRENT_LIST_DIR}/field_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/blob_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stream_filer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/field_defs_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/row_text_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/row_text_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dataset_stream.cpp)
