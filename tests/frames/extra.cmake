# The engine's window classes (coloured edit, flat menu, framed and skinned dialogs), and the
# test dialog embedded into the program.
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_CURRENT_LIST_DIR}/frames.rc)
# The library's own dialog templates, for the sizing of its windows.
nux_add_resources(${NUX_TEST_TARGET} ${CMAKE_SOURCE_DIR}/modules/NUXSV.rc)

# The sample content's skin, drawn by its own script into the build folder.
set(_frames_skin ${CMAKE_CURRENT_BINARY_DIR}/frames_skin/Frames)
add_custom_command(OUTPUT ${_frames_skin}/frame.ads
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/sample-content/make_skin.py ${_frames_skin}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/sample-content/make_skin.py)
add_custom_target(frames_sample_skin DEPENDS ${_frames_skin}/frame.ads)
add_dependencies(${NUX_TEST_TARGET} frames_sample_skin)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUX_SAMPLE_SKIN="${_frames_skin}")
