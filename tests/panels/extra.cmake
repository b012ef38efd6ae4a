# The side panels inside the main reference window: the library loaded through the platform
# loader, the panels read through their window objects (members only) and driven by input.
add_dependencies(${NUX_TEST_TARGET} NUXSV)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUXSV_LIBRARY="$<TARGET_FILE:NUXSV>")
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules ${CMAKE_SOURCE_DIR}/tests/nuxsv)
target_sources(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/tests/nuxsv/nuxsv_env.cpp)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
# The library's window objects are read through their classes; their type information lives in
# the library, out of the sanitizer's sight.
target_compile_options(${NUX_TEST_TARGET} PRIVATE -fno-sanitize=vptr)
