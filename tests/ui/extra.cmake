target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUX_SAMPLE_CONTENT_DIR="${CMAKE_SOURCE_DIR}/tools/sample-content")
