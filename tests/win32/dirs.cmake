# The Windows test suite: the folders whose tests need nothing but the platform layer, and the
# Win32 backend's own. The others stay on Linux: they test the POSIX backend, need ordo-server
# and Firebird, or OpenSSL (the DES oracle), or X; dataset/ names its temporary files the POSIX way.
set(ORDO_WIN32_TEST_DIRS params resultset socket client app win32
    CACHE STRING "Test folders built for Windows")
foreach(dir ${ORDO_WIN32_TEST_DIRS})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endforeach()
