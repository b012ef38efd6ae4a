target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
