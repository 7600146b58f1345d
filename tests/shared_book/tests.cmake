# The program on a shared book on the tests' PostgreSQL server: its windows,
# its command line, and two desktops (two processes) working on it at once.
varelo_test(shared_book_tests tests/shared_book NEEDS_SERVER varelo_test_stages)

# A second desktop: the program's windows on the server book, driven by lines on its standard input.
add_executable(shared_book_desktop ${CMAKE_SOURCE_DIR}/tests/shared_book_desktop/desktop.cpp)
set_target_properties(shared_book_desktop PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_include_directories(shared_book_desktop PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(shared_book_desktop PRIVATE varelo_app varelo_testsupport)

target_compile_definitions(shared_book_tests PRIVATE VARELO_DESKTOP_CHILD="$<TARGET_FILE:shared_book_desktop>")
add_dependencies(shared_book_tests varelo varelo_address_book shared_book_desktop)
