# The update program's tests link its logic library and use a host executable with a version
# resource, built here from fixtures/host.rc with the mingw binutils.
target_link_libraries(${NUX_TEST_TARGET} PRIVATE sv7update sv7update_app)

set(_updater_fixtures ${CMAKE_CURRENT_BINARY_DIR}/updater_fixtures)
set(_updater_rc ${CMAKE_CURRENT_SOURCE_DIR}/updater/fixtures/host.rc)
add_custom_command(OUTPUT ${_updater_fixtures}/host.exe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_updater_fixtures}
  COMMAND ${NUX_WINDRES} --preprocessor=cpp -O coff ${_updater_rc} -o ${_updater_fixtures}/host.o
  COMMAND ${NUX_MINGW_LD} -o ${_updater_fixtures}/host.exe ${_updater_fixtures}/host.o
  DEPENDS ${_updater_rc}
  COMMENT "host executable fixture with a version resource"
  VERBATIM)
add_custom_target(updater_fixtures DEPENDS ${_updater_fixtures}/host.exe)
add_dependencies(${NUX_TEST_TARGET} updater_fixtures)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUX_UPDATER_FIXTURES="${_updater_fixtures}")

# The update program's own resources (its dialog and icon), as the program carries them, and the
# built program for the end-to-end run.
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_SOURCE_DIR}/Sv7UpdateApp/Sv7UpdateApp.rc)
add_dependencies(${NUX_TEST_TARGET} Sv7UpdateApp)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUX_UPDATER_PROGRAM="$<TARGET_FILE:Sv7UpdateApp>")
