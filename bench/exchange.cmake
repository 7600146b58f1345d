varelo_bench(exchange_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/exchange_bench.cpp
             LIBS varelo_transfer varelo_data varelo_testsupport PkgConfig::SQLITE3)
add_dependencies(exchange_bench varelo_address_book)
