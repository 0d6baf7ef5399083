# server-backed client data set
target_sources(ordo_dataset PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/client_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_sql_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_requests.cpp)
