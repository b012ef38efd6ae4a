# The record lists, the history and the control layout: engine headers and sources come with
# nuxengine; the history template lives with the reference modules.
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
