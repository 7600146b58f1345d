varelo_test(sheet_tests tests/services/sheet varelo_sheet PkgConfig::FREEXL)
