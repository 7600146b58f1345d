# The real program on a real X display under a real window manager, driven
# from outside (needs Xvfb, openbox, xdotool, ImageMagick's import, sqlite3).
# The screenshot of each step stays in build/e2e-screens.
add_test(NAME desktop_end_to_end
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/desktop/end_to_end.sh ${VARELO_PROGRAM_DIR}
                 ${CMAKE_BINARY_DIR}/e2e-screens)
set_tests_properties(desktop_end_to_end PROPERTIES TIMEOUT 300)
