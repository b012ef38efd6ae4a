# The picture table: the bitmap class of the engine, zlib for the checksums of edited PNG
# headers, and a counted allocator (alloc_hook.cpp) that takes the place of operator new.
target_link_libraries(${NUX_TEST_TARGET} PRIVATE nuxengine)
find_package(ZLIB REQUIRED)
target_link_libraries(${NUX_TEST_TARGET} PRIVATE ZLIB::ZLIB)
