varelo_bench(scale_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/scale_bench.cpp
             LIBS varelo_app varelo_testsupport Qt6::Test)
target_include_directories(scale_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
add_dependencies(scale_bench varelo_address_book)
