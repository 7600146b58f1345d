varelo_bench(list_save_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_save_bench.cpp
             LIBS varelo_app PkgConfig::SQLITE3 Qt6::Test)
