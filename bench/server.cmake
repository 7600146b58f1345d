varelo_bench(server_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/server_bench.cpp
             LIBS varelo_data varelo_db varelo_testsupport PkgConfig::SQLITE3)
target_include_directories(server_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
# The local books are generated once and kept, as the scale bench keeps them.
target_compile_definitions(server_bench PRIVATE VARELO_BENCH_CACHE="${CMAKE_BINARY_DIR}/scale_books"
                                                VARELO_PG_SERVER_SCRIPT="${CMAKE_SOURCE_DIR}/tests/support/pg_server.sh")
add_dependencies(server_bench varelo_address_book)
