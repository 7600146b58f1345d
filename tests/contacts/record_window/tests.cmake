# The contact record window, the chat link and the picture capture, driven
# through the real windows on copies of the delivered address book.
varelo_test(record_window_tests tests/contacts/record_window varelo_test_stages)
