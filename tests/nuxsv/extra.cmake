# The suite loads the built library through the platform loader, and tests a few of its pure
# pieces and the engine's value formatter directly.
add_dependencies(${NUX_TEST_TARGET} NUXSV)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUXSV_LIBRARY="$<TARGET_FILE:NUXSV>")
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules)
target_sources(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules/ContentDatabase.cpp
                                          ${CMAKE_SOURCE_DIR}/modules/ControlVersion.cpp
                                          ${CMAKE_SOURCE_DIR}/modules/Globals.cpp)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
