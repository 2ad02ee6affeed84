# The main panel and its two pages.
qv_add_test(main_panel_tests SOURCES main_panel_test.cpp LIBS app Qt6::Test)
add_dependencies(main_panel_tests qvrbar1 shipped_data)
