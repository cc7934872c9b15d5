quorvex_add_test(NAME cli_diff_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli_diff_test.cpp LIBS quorvex_cli_core)
