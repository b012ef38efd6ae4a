# The screen suite: the platform's windows on a virtual X server (Xvfb) driven by xdotool, and
# `svhost view` on the sample content. The suite sets DISPLAY for itself; the rest of the
# tests run with NUX_DISPLAY=none.
add_dependencies(${NUX_TEST_TARGET} svhost NUXSV sample-content ZrImageCtrl)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE
  NUX_SVHOST="$<TARGET_FILE:svhost>"
  NUX_BUILD_DIR="${CMAKE_BINARY_DIR}"
  NUX_SAMPLE_CONTENT_DIR="${CMAKE_SOURCE_DIR}/tools/sample-content"
  NUXSV_LIBRARY="$<TARGET_FILE:NUXSV>")
# The viewer's tests read its flat menus through the engine's class.
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/engine)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/library_test.cpp PROPERTIES COMPILE_OPTIONS -fno-sanitize=vptr)
pkg_check_modules(NUX_SCREEN_X11 REQUIRED IMPORTED_TARGET x11 xfixes)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE PkgConfig::NUX_SCREEN_X11)
# The installer and the update program as programs on the screen; the update program's test
# serves its lists with the update tests' local HTTP server and uses their host executable.
target_sources(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/tests/updater/http_server.cpp)
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/tests/updater)
add_dependencies(${NUX_TEST_TARGET} StarvaneUpdater Sv7UpdateApp updater_fixtures)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE
  NUX_INSTALLER_PROGRAM="$<TARGET_FILE:StarvaneUpdater>"
  NUX_UPDATER_PROGRAM="$<TARGET_FILE:Sv7UpdateApp>"
  NUX_UPDATER_FIXTURES="${CMAKE_CURRENT_BINARY_DIR}/updater_fixtures")
