# The print list, its screen and its file, over a copy of the shipped tables.
qv_add_test(print_list_tests SOURCES print_list_test.cpp LIBS app Qt6::Test)
add_dependencies(print_list_tests qvrbar1 preview_rcc shipped_data)
