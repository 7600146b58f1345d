varelo_test(attribution_tests tests/attribution varelo_attribution PkgConfig::SQLITE3)
