# The search window, the dictionary word list and their row classes, compiled in with the
# library pieces they stand on; the test itself answers for the exports that show a page, so
# it sees what the windows ask them to open. The library's resources (templates, icons) are
# embedded into the program.
target_sources(${NUX_TEST_TARGET} PRIVATE
  ${CMAKE_SOURCE_DIR}/modules/Search.cpp
  ${CMAKE_SOURCE_DIR}/modules/Dictionary.cpp
  ${CMAKE_SOURCE_DIR}/modules/DictLangItem.cpp
  ${CMAKE_SOURCE_DIR}/modules/DictLangItem2.cpp
  ${CMAKE_SOURCE_DIR}/modules/DictLangItem3.cpp
  ${CMAKE_SOURCE_DIR}/modules/DictListItem.cpp
  ${CMAKE_SOURCE_DIR}/modules/SearchListItem.cpp
  ${CMAKE_SOURCE_DIR}/modules/SearchParser.cpp
  ${CMAKE_SOURCE_DIR}/modules/Globals.cpp)
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_SOURCE_DIR}/modules/NUXSV.rc)
