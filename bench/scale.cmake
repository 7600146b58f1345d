# Books of many contacts made for benchmarks (other benches may link it too).
add_library(varelo_contact_book STATIC ${CMAKE_CURRENT_LIST_DIR}/contact_book.cpp)
target_include_directories(varelo_contact_book PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(varelo_contact_book PUBLIC PkgConfig::SQLITE3)

varelo_bench(scale_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/scale_bench.cpp
             LIBS varelo_app varelo_contact_book Qt6::Test)
# The generated books are kept here between runs, one file per size.
target_compile_definitions(scale_bench PRIVATE VARELO_BENCH_CACHE="${CMAKE_BINARY_DIR}/scale_books")
add_dependencies(scale_bench varelo_address_book)
