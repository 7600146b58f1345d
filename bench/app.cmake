varelo_bench(app_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/bench_program.cpp
             LIBS varelo_app varelo_db varelo_testsupport PkgConfig::SQLITE3)
