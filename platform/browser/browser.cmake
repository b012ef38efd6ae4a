# The document model parses HTML with gumbo (Debian's libgumbo). Included by
# platform/CMakeLists.txt after the nuxp_browser object library exists.
pkg_check_modules(NUX_BROWSER_DEPS REQUIRED IMPORTED_TARGET gumbo)
target_include_directories(nuxp_browser SYSTEM PRIVATE ${NUX_BROWSER_DEPS_INCLUDE_DIRS})
target_link_libraries(nuxplatform PRIVATE PkgConfig::NUX_BROWSER_DEPS)
# Pages are laid out and painted by litehtml (Debian's liblitehtml-dev, no pkg-config file).
find_library(NUX_LITEHTML_LIBRARY NAMES litehtml REQUIRED)
find_path(NUX_LITEHTML_INCLUDE litehtml.h PATH_SUFFIXES litehtml REQUIRED)
target_include_directories(nuxp_browser SYSTEM PRIVATE ${NUX_LITEHTML_INCLUDE})
target_link_libraries(nuxplatform PRIVATE ${NUX_LITEHTML_LIBRARY})
