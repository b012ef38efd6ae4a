# The engine's window classes (coloured edit, flat menu, framed and skinned dialogs), and the
# test dialog embedded into the program.
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/frames.rc)
