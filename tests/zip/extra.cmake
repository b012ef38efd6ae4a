target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUXZIP_PROGRAM="$<TARGET_FILE:nuxzip>")
add_dependencies(${NUX_TEST_TARGET} nuxzip)
