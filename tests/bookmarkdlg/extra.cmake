# The bookmarks dialog and its rename dialog compiled in with the library's dialog templates, on
# a page browser of the test's own; the two exports they call are recorded by the test.
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules)
target_sources(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules/Bookmark.cpp
                                          ${CMAKE_SOURCE_DIR}/modules/RenameDlg.cpp
                                          ${CMAKE_SOURCE_DIR}/modules/Globals.cpp)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_SOURCE_DIR}/modules/NUXSV.rc)
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/host.rc)
