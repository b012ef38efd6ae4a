# The dialog and menu resources of the end-to-end window tests, embedded into the test program.
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/dialogs.rc)
