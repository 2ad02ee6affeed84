# The design editor's live preview: one label and one sheet redrawn.
if(QV_GUI)
  add_executable(design_preview_bench ${CMAKE_CURRENT_LIST_DIR}/design_preview_bench.cpp)
  target_link_libraries(design_preview_bench PRIVATE labels Qt6::Gui)
  add_dependencies(design_preview_bench shipped_data)
  target_compile_definitions(design_preview_bench PRIVATE QV_SHIPPED_DIR="${CMAKE_BINARY_DIR}/shipped")
endif()
