varelo_bench(spelling_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/spelling_bench.cpp LIBS varelo_db varelo_data)
add_dependencies(spelling_bench varelo_address_book)
