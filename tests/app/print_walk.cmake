# A new code printed the way a user does it, with the real screens: panel,
# code dialog, label generator and the preview in front of them.
qv_add_test(print_walk_tests SOURCES print_walk_test.cpp LIBS app Qt6::Test)
add_dependencies(print_walk_tests qvrbar1 preview_rcc shipped_data)
