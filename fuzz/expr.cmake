qv_add_fuzz(expr_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/expr_fuzz.cpp LIBS xbase)
