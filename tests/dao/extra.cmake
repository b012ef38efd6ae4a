# SQLite for the database layer, until the platform build links it itself.
include(${CMAKE_SOURCE_DIR}/platform/dao/dao.cmake)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE NuxSqlite3)
