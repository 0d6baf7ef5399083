# The Windows test suite: the folders whose tests need nothing but the platform layer, and the
# Win32 backend's own. The others stay on Linux: they test the POSIX backend, need ordo-server
# and Firebird, or OpenSSL (the DES oracle), or X.
set(ORDO_WIN32_DEFAULT_TEST_DIRS core params resultset dataset net client app win32)
# Empty means the list above; a build directory made before a folder joined it then still
# picks that folder up.
set(ORDO_WIN32_TEST_DIRS "" CACHE STRING "Test folders built for Windows (empty: all that run under Wine)")
set(dirs ${ORDO_WIN32_TEST_DIRS})
if(NOT dirs)
  set(dirs ${ORDO_WIN32_DEFAULT_TEST_DIRS})
endif()
foreach(dir ${dirs})
  add_subdirectory(${dir})
endforeach()
