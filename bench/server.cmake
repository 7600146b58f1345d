varelo_bench(server_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/server_bench.cpp
             LIBS varelo_data varelo_db varelo_testsupport PkgConfig::SQLITE3)
target_include_directories(server_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
add_dependencies(server_bench varelo_address_book)
