qv_add_fuzz(cdx_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/cdx_fuzz.cpp LIBS data_engine)
