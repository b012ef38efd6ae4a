# The big-picture window through the library's export; the bookmarks dialog's classes compiled in
# with the library's dialog templates.
add_dependencies(${NUX_TEST_TARGET} NUXSV)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUXSV_LIBRARY="$<TARGET_FILE:NUXSV>")
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules ${CMAKE_SOURCE_DIR}/tests/nuxsv)
target_sources(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules/ContentDatabase.cpp
                                          ${CMAKE_SOURCE_DIR}/tests/nuxsv/nuxsv_env.cpp)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
