varelo_test(ui_pictures_tests tests/ui/pictures varelo_pictures Qt6::Widgets ${CMAKE_DL_LIBS})
# The skin tests load the library from the program folder, as the program does.
add_dependencies(ui_pictures_tests SkinH_EL)
