# Programs and libraries the process tests start and load: a child program of several modes and
# a library with the registration entry points regsvr32 calls.
add_executable(nux_test_child ${CMAKE_CURRENT_SOURCE_DIR}/process/helpers/child.cpp)
target_compile_options(nux_test_child PRIVATE ${NUX_WARNINGS})
target_link_libraries(nux_test_child PRIVATE nuxplatform)

add_library(nux_test_regserver MODULE ${CMAKE_CURRENT_SOURCE_DIR}/process/helpers/regserver.cpp)
target_compile_options(nux_test_regserver PRIVATE ${NUX_WARNINGS})
target_link_libraries(nux_test_regserver PRIVATE nuxplatform)

add_dependencies(${NUX_TEST_TARGET} nux_test_child nux_test_regserver regsvr32)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE
  NUX_TEST_CHILD="$<TARGET_FILE:nux_test_child>"
  NUX_TEST_REGSERVER="$<TARGET_FILE:nux_test_regserver>")
