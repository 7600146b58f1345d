varelo_test(transfer_tests tests/transfer varelo_transfer varelo_data PkgConfig::SQLITE3)
add_dependencies(transfer_tests varelo_address_book)
target_compile_definitions(transfer_tests PRIVATE VARELO_TEST_SOURCE="${CMAKE_SOURCE_DIR}/tests")
