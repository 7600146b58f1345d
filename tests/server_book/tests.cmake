# The shared book on a PostgreSQL server, reached through ODBC.
varelo_test(server_book_tests tests/server_book NEEDS_SERVER varelo_data varelo_db)
