# The engine's window classes (coloured edit, flat menu, framed and skinned dialogs).
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
