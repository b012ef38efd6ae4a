# The control wrappers and the engine's window classes live in nuxengine.
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
