# The installer's tests link its logic and use a resource-only library of the host (menu 128),
# built here from fixtures/tessaron.rc with the mingw binutils.
target_link_libraries(${NUX_TEST_TARGET} PRIVATE starvane_logic starvane_app)

set(_installer_fixtures ${CMAKE_CURRENT_BINARY_DIR}/installer_fixtures)
set(_tessaron_rc ${CMAKE_CURRENT_SOURCE_DIR}/installer/fixtures/tessaron.rc)
add_custom_command(OUTPUT ${_installer_fixtures}/Tessaron.dll
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_installer_fixtures}
  COMMAND ${NUX_WINDRES} --preprocessor=cpp -O coff ${_tessaron_rc} -o ${_installer_fixtures}/tessaron.o
  COMMAND ${NUX_MINGW_LD} --dll -e 0 -o ${_installer_fixtures}/Tessaron.dll ${_installer_fixtures}/tessaron.o
  DEPENDS ${_tessaron_rc}
  COMMENT "host resource library fixture with menu 128"
  VERBATIM)
add_custom_target(installer_fixtures DEPENDS ${_installer_fixtures}/Tessaron.dll)
add_dependencies(${NUX_TEST_TARGET} installer_fixtures)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUX_INSTALLER_FIXTURES="${_installer_fixtures}")

# The installer's own resources (its German texts and dialogs), as the program carries them.
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_SOURCE_DIR}/installer/StarvaneUpdater.rc)

# The child program and the registration library of the process tests (tests/process).
add_dependencies(${NUX_TEST_TARGET} nux_test_child nux_test_regserver regsvr32)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE
  NUX_TEST_CHILD="$<TARGET_FILE:nux_test_child>"
  NUX_TEST_REGSERVER="$<TARGET_FILE:nux_test_regserver>")

# The built installer program, started from a plug-in folder by the end-to-end test.
add_dependencies(${NUX_TEST_TARGET} StarvaneUpdater)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUX_INSTALLER_PROGRAM="$<TARGET_FILE:StarvaneUpdater>")
