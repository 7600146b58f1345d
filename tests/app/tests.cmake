varelo_test(app_tests tests/app varelo_app PkgConfig::SQLITE3)
