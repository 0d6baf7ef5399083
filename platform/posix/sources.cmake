# The POSIX backend: message loop, timers, descriptors, sockets, files, profiles, code page, processes
target_sources(ordo_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/thread_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket_events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket_errno.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tcp_address.cpp
  ${CMAKE_CURRENT_LIST_DIR}/async_tcp_socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/blocking_tcp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/net_info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/profile_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_lock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/queue_folder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_rights.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codepage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/process.cpp
  ${CMAKE_CURRENT_LIST_DIR}/locale_separators.cpp
  ${CMAKE_CURRENT_LIST_DIR}/clock_now.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zeroed_pages.cpp
)
