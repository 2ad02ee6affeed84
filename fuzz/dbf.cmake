qv_add_fuzz(dbf_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/dbf_fuzz.cpp LIBS data_engine)
