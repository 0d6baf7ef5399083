# The Win32 backend of the platform layer: the thread's Windows message queue with hidden
# message windows, Windows Sockets with WSAAsyncSelect, the Win32 file and profile API, the
# ANSI code page, and the shell. Its windows live in ui/win32/.
target_sources(ordo_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/win_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_windows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket_select.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket_errno.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tcp_endpoint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/async_tcp_socket.cpp
  ${CMAKE_CURRENT_LIST_DIR}/blocking_tcp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/net_info.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_lock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/queue_folder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_rights.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console.cpp
  ${CMAKE_CURRENT_LIST_DIR}/profile_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codepage_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codepage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/process.cpp
  ${CMAKE_CURRENT_LIST_DIR}/locale_separators.cpp
  ${CMAKE_CURRENT_LIST_DIR}/clock_now.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zeroed_pages.cpp
)
target_link_libraries(ordo_platform PUBLIC ws2_32 wininet shell32 comctl32 user32 gdi32 kernel32)
