# parameter items, lists, codec, SQL scan
target_sources(ordo_params PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/param_codec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/param_getters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/param_item.cpp
  ${CMAKE_CURRENT_LIST_DIR}/param_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/param_value.cpp
  ${CMAKE_CURRENT_LIST_DIR}/show_message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sql_params.cpp)
