# The engine's database-backed controls on small fixture databases.
include(${CMAKE_SOURCE_DIR}/platform/dao/dao.cmake)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine NuxSqlite3)
