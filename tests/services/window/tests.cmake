# The window system's own tests; the extended controls have theirs in controls/.
varelo_test(window_tests tests/services/window/model varelo_window)
