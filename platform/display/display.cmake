# The screen backend needs SDL2. Included by platform/CMakeLists.txt after the nuxp_display
# object library exists.
pkg_check_modules(NUX_SDL2 REQUIRED IMPORTED_TARGET sdl2)
target_include_directories(nuxp_display SYSTEM PRIVATE ${NUX_SDL2_INCLUDE_DIRS})
target_compile_options(nuxp_display PRIVATE ${NUX_SDL2_CFLAGS_OTHER})
target_link_libraries(nuxplatform PRIVATE PkgConfig::NUX_SDL2)
# The present path puts the pixels into the X windows itself (shared-memory images); SDL2 on
# X11 brings these libraries already, so a headless run loads nothing more.
pkg_check_modules(NUX_X11 REQUIRED IMPORTED_TARGET x11 xext)
target_include_directories(nuxp_display SYSTEM PRIVATE ${NUX_X11_INCLUDE_DIRS})
target_link_libraries(nuxplatform PRIVATE PkgConfig::NUX_X11)
