# The browser host lives in the engine library; its test dialog comes from a template.
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/fixture.rc)
