target_sources(ordo_dataset PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/field.cpp
  ${CMAKE_CURRENT_LIST_DIR}/data_set.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_data_set.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_data_set_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_data_set_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ordo_data_set.cpp)
