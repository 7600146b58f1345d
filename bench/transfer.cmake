varelo_bench(transfer_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/transfer_bench.cpp
             LIBS varelo_transfer varelo_data varelo_testsupport PkgConfig::SQLITE3 Qt6::Widgets)
add_dependencies(transfer_bench varelo_address_book)
