# Expression evaluation speed.
add_executable(expr_bench ${CMAKE_CURRENT_LIST_DIR}/expr_bench.cpp)
target_link_libraries(expr_bench PRIVATE xbase)
