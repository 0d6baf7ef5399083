# Variant and text/number/date conversions
target_sources(ordo_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bcd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/date_parse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/date_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/date_time.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decimal_digits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/float_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/guid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_convert.cpp
  ${CMAKE_CURRENT_LIST_DIR}/variant.cpp)
