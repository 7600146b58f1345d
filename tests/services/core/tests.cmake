varelo_test(test_core tests/services/core varelo_core)
