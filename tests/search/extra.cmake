# The search query parser is a source of the reference modules; it is compiled into this test
# directly so that the test builds whether or not the modules library is part of the tree.
target_sources(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules/SearchParser.cpp)
target_include_directories(${NUX_TEST_TARGET} PRIVATE ${CMAKE_SOURCE_DIR}/modules)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
