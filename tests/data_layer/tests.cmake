varelo_test(data_tests tests/data_layer varelo_data varelo_db)
# The schema's source texts, read back by the tests of the book's creation.
target_compile_definitions(data_tests PRIVATE VARELO_DATA_SOURCE="${CMAKE_SOURCE_DIR}/src/data")
add_dependencies(data_tests varelo_address_book)
