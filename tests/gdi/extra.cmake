# The picture tests make their JPEG and GIF fixtures with the libraries themselves.
pkg_check_modules(NUX_GDI_TEST_DEPS REQUIRED IMPORTED_TARGET libjpeg)
find_library(NUX_GDI_TEST_GIF NAMES gif REQUIRED)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE PkgConfig::NUX_GDI_TEST_DEPS ${NUX_GDI_TEST_GIF})
# A bitmap resource for LoadBitmap, embedded into the test program.
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/bitmaps.rc)
