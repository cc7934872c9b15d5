quorvex_add_test(NAME driver_header_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_header_test.cpp ${CMAKE_CURRENT_LIST_DIR}/driver_header_c.c
    LIBS R70COM32_headers)
