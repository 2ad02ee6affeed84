# Importing product codes from a CSV file, against sqlite3's .import.
if(QV_GUI)
  add_executable(import_bench ${CMAKE_CURRENT_LIST_DIR}/import_bench.cpp)
  target_link_libraries(import_bench PRIVATE app)
endif()
