# The product-code screen: its dialog, saves, print-only requests and
# deletion, over a copy of the shipped tables.
qv_add_test(code_edit_tests SOURCES code_edit_test.cpp LIBS app Qt6::Test)
add_dependencies(code_edit_tests qvrbar1 shipped_data)
