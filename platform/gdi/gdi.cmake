# Libraries the drawing layer needs: FreeType (text), libpng (snapshots), libjpeg and giflib
# (picture loading). Included by platform/CMakeLists.txt after the nuxp_gdi object library
# exists.
pkg_check_modules(NUX_GDI_DEPS REQUIRED IMPORTED_TARGET freetype2 fontconfig libpng libjpeg)
find_library(NUX_GIF_LIBRARY NAMES gif REQUIRED)
find_path(NUX_GIF_INCLUDE gif_lib.h REQUIRED)
target_include_directories(nuxp_gdi SYSTEM PRIVATE ${NUX_GDI_DEPS_INCLUDE_DIRS} ${NUX_GIF_INCLUDE})
target_link_libraries(nuxplatform PRIVATE PkgConfig::NUX_GDI_DEPS ${NUX_GIF_LIBRARY})
