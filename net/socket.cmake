target_sources(ordo_net PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/blocking_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_socket_address.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_socket_connect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_socket_dispatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_socket_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/client_socket_update.cpp
  ${CMAKE_CURRENT_LIST_DIR}/custom_client_socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/login.cpp
  ${CMAKE_CURRENT_LIST_DIR}/receive_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reply_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smart_wait.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket_errors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tcp_transport.cpp)
