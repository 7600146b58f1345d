varelo_test(contact_list_tests tests/contacts/list varelo_app PkgConfig::SQLITE3)
target_sources(contact_list_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/app/program_fixture.cpp)
