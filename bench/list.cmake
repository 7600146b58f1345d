varelo_bench(list_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_bench.cpp LIBS varelo_window Qt6::Widgets)
