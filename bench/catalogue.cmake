# Loading the label catalogue, against Python's ElementTree on the same files.
if(QV_GUI)
  add_executable(catalogue_bench ${CMAKE_CURRENT_LIST_DIR}/catalogue_bench.cpp)
  target_link_libraries(catalogue_bench PRIVATE labels)
endif()
