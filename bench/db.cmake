varelo_bench(db_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/db_bench.cpp LIBS varelo_db varelo_data)
add_dependencies(db_bench varelo_address_book)
