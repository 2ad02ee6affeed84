# The product-code browse and its search dialog, over a copy of the shipped
# tables.
qv_add_test(code_browse_tests SOURCES code_browse_test.cpp LIBS app Qt6::Test)
add_dependencies(code_browse_tests qvrbar1 shipped_data)
