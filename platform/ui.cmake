# User-interface backends: the text one always, the FLTK one when FLTK, X11 and fontconfig are found.
target_sources(ordo_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ui_factory.cpp
)
find_package(X11 QUIET)
find_package(Fontconfig QUIET)
find_path(ORDO_FLTK_INCLUDE_DIR FL/Fl.H)
find_library(ORDO_FLTK_LIBRARY fltk)
if(X11_FOUND AND Fontconfig_FOUND AND ORDO_FLTK_INCLUDE_DIR AND ORDO_FLTK_LIBRARY)
  set(ORDO_HAVE_FLTK ON CACHE INTERNAL "The FLTK backend is built in")
  target_sources(ordo_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/fltk_session.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fltk_frame_hints.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fltk_fonts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fltk_progress.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fltk_main_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fltk_update_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fltk_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fltk_ui.cpp
  )
  # FLTK's headers are third-party: included as system headers, so our warnings stay ours.
  target_include_directories(ordo_platform SYSTEM PRIVATE ${ORDO_FLTK_INCLUDE_DIR} ${X11_INCLUDE_DIR})
  target_link_libraries(ordo_platform PRIVATE ${ORDO_FLTK_LIBRARY} X11::X11 Fontconfig::Fontconfig)
  target_compile_definitions(ordo_platform PRIVATE ORDO_HAVE_FLTK=1)
else()
  set(ORDO_HAVE_FLTK OFF CACHE INTERNAL "The FLTK backend is built in")
  message(STATUS "FLTK, X11 or fontconfig not found: fqreplay is built with the text interface only")
endif()
