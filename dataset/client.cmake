# server-backed client data set
target_sources(ordo_dataset PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/client_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_sql_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_requests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_audit_data_set.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_base_data_set.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_open.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_arrival.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_update_sql.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_update_data_set.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_data_set.cpp)
