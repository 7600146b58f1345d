# The ten window declarations as the window system builds them: fonts that fit
# the declared texts, the balloon tips' stored look.
varelo_test(ui_window_tests tests/ui/windows varelo_ui)
