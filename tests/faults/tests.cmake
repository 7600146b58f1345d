# Storage under real faults: another process holding the book, a small file
# system that fills up (mounted when the tests run as root), read-only books,
# and a child program killed with SIGKILL at random moments.
varelo_test(fault_tests tests/faults varelo_test_stages)

# The program the kill tests start and stop.
add_executable(fault_child ${CMAKE_SOURCE_DIR}/tests/fault_child/fault_child.cpp)
set_target_properties(fault_child PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_include_directories(fault_child PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(fault_child PRIVATE varelo_app)

target_compile_definitions(fault_tests PRIVATE VARELO_FAULT_CHILD="$<TARGET_FILE:fault_child>")
add_dependencies(fault_tests varelo_address_book fault_child)
