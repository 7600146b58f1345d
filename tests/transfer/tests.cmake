varelo_test(transfer_tests tests/transfer varelo_test_stages)
# The export is read back with the sheet tests' independent readers.
target_sources(transfer_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/services/sheet/readers.cpp)
target_link_libraries(transfer_tests PRIVATE PkgConfig::FREEXL)
