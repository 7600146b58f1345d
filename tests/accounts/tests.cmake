varelo_test(accounts_tests tests/accounts varelo_app PkgConfig::SQLITE3)
target_sources(accounts_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/app/program_fixture.cpp)
