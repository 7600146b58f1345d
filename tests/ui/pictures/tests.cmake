varelo_test(ui_pictures_tests tests/ui/pictures varelo_pictures Qt6::Widgets ${CMAKE_DL_LIBS})
# The skin tests load the library from the program folder, as the program does.
add_dependencies(ui_pictures_tests SkinH_EL)
target_compile_definitions(ui_pictures_tests PRIVATE
  VARELO_SKIN_SOURCE="${CMAKE_SOURCE_DIR}/skin/pf.she"
  VARELO_PICTURE_FILES="${CMAKE_SOURCE_DIR}/src/ui/pictures/files")
