qv_add_fuzz(memo_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/memo_fuzz.cpp LIBS data_engine)
