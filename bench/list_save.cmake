varelo_bench(list_save_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_save_bench.cpp
             ${CMAKE_CURRENT_LIST_DIR}/bench_program.cpp LIBS varelo_app varelo_testsupport PkgConfig::SQLITE3)
