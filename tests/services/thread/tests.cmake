varelo_test(thread_tests tests/services/thread varelo_thread)
