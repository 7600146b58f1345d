varelo_bench(batch_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/batch_bench.cpp
             LIBS varelo_attribution varelo_testsupport PkgConfig::SQLITE3 Qt6::Test)
target_include_directories(batch_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
add_dependencies(batch_bench varelo_address_book)
