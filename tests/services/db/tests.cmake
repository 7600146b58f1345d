varelo_test(db_tests tests/services/db varelo_db varelo_data varelo_sheet)
# Every test starts from a copy of the delivered address book file.
add_dependencies(db_tests varelo_address_book)
