# The nuxsql command, run as a program.
add_dependencies(${NUX_TEST_TARGET} nuxsql)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUXSQL_PROGRAM="$<TARGET_FILE:nuxsql>")
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/tests/dao)
