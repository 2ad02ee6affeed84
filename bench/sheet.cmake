# Label sheets to PDF and into the preview, side by side with glabels-3-batch.
add_executable(sheet_bench ${CMAKE_CURRENT_LIST_DIR}/sheet_bench.cpp)
target_link_libraries(sheet_bench PRIVATE app labels print Qt6::Widgets)
target_compile_definitions(sheet_bench PRIVATE QV_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(sheet_bench qvlabel qvdb shipped_data preview_rcc)
