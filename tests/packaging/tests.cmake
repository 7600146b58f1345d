# The Debian package as a user gets it: made by cpack from this build,
# checked by the desktop's validators, unpacked into a temporary root and
# started under Xvfb as an unprivileged user. Needs a complete build (cpack
# installs the program and the skin library from it) and a real X server, so
# it runs alone.
add_test(NAME package_installs_and_runs
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/package_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(package_installs_and_runs PROPERTIES TIMEOUT 900 RUN_SERIAL TRUE)
