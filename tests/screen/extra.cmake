# The screen suite: the platform's windows on a virtual X server (Xvfb) driven by xdotool, and
# `svhost view` on the sample content. The suite sets DISPLAY for itself; the rest of the
# tests run with NUX_DISPLAY=none.
add_dependencies(${NUX_TEST_TARGET} svhost NUXSV sample-content ZrImageCtrl)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE
  NUX_SVHOST="$<TARGET_FILE:svhost>"
  NUX_BUILD_DIR="${CMAKE_BINARY_DIR}"
  NUX_SAMPLE_CONTENT_DIR="${CMAKE_SOURCE_DIR}/tools/sample-content")
pkg_check_modules(NUX_SCREEN_X11 REQUIRED IMPORTED_TARGET x11)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE PkgConfig::NUX_SCREEN_X11)
