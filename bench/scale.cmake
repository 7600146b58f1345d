varelo_bench(scale_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/scale_bench.cpp
             LIBS varelo_app varelo_testsupport Qt6::Test)
target_include_directories(scale_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
# The generated books are kept here between runs, one file per size.
target_compile_definitions(scale_bench PRIVATE VARELO_BENCH_CACHE="${CMAKE_BINARY_DIR}/scale_books")
add_dependencies(scale_bench varelo_address_book)
