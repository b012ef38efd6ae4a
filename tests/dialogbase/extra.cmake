# The bitmap and dialog-base tests: the engine, the test dialog and bitmap embedded into the
# program, and libjpeg for the pictures the tests make.
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
pkg_check_modules(NUX_DIALOGBASE_TEST_DEPS REQUIRED IMPORTED_TARGET libjpeg)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE PkgConfig::NUX_DIALOGBASE_TEST_DEPS)
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/dialogbase.rc)
