varelo_test(data_tests tests/data/db varelo_data varelo_db)
add_dependencies(data_tests varelo_address_book)
