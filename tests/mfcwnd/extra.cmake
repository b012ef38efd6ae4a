# The window-layer tests: dialogs and strings embedded into the test program, and a shared
# library with an application object and resources of its own (testlib/).
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/fixture.rc)

set(_mfcwnd_dir ${CMAKE_CURRENT_BINARY_DIR}/mfcwnd_fixtures)
file(MAKE_DIRECTORY ${_mfcwnd_dir})
add_library(mfctestlib SHARED ${CMAKE_CURRENT_LIST_DIR}/testlib/testlib.cpp)
target_compile_options(mfctestlib PRIVATE ${NUX_WARNINGS})
target_link_libraries(mfctestlib PRIVATE nuxplatform)
set_target_properties(mfctestlib PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${_mfcwnd_dir})
nux_add_resources(mfctestlib ${CMAKE_CURRENT_LIST_DIR}/testlib/testlib.rc)
add_dependencies(${NUX_TEST_TARGET} mfctestlib)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUX_MFC_TESTLIB="$<TARGET_FILE:mfctestlib>")
