varelo_test(app_tests tests/app varelo_test_stages)

# Not a test: the README's screenshot taker, run on a display by tools/screenshots.sh.
add_executable(varelo_screenshots ${CMAKE_SOURCE_DIR}/tools/screenshots.cpp)
set_target_properties(varelo_screenshots PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
target_link_libraries(varelo_screenshots PRIVATE varelo_app varelo_testsupport PkgConfig::SQLITE3)
