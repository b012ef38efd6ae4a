# The main reference window's toolbar: the library loaded through the platform loader, the
# test installation from the library's shared test support.
add_dependencies(${NUX_TEST_TARGET} NUXSV)
target_compile_definitions(${NUX_TEST_TARGET} PRIVATE NUXSV_LIBRARY="$<TARGET_FILE:NUXSV>")
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules ${CMAKE_SOURCE_DIR}/tests/nuxsv)
target_sources(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules/ContentDatabase.cpp
                                          ${CMAKE_SOURCE_DIR}/tests/nuxsv/nuxsv_env.cpp)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
# The tests read the library's window object through its class (members only, no calls); the
# object's type information lives in the library, out of the sanitizer's sight.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/toolbar_test.cpp PROPERTIES COMPILE_OPTIONS -fno-sanitize=vptr)
