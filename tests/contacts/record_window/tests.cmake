# The contact record window, the chat link and the picture capture, driven
# through the real windows on copies of the delivered address book.
varelo_test(record_window_tests tests/contacts/record_window varelo_contacts varelo_data PkgConfig::SQLITE3)
add_dependencies(record_window_tests varelo_address_book)
