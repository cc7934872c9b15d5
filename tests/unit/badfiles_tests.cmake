quorvex_add_test(NAME badfiles_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/badfiles_test.cpp LIBS quorvex_pages)
