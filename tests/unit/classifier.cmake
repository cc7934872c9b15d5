quorvex_add_test(NAME classifier_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/classifier_test.cpp
    LIBS quorvex_core)
