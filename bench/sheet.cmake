varelo_bench(sheet_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sheet_bench.cpp LIBS varelo_sheet)
