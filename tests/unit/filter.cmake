include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

quorvex_add_test(NAME filter_page_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/filter_page_test.cpp
    LIBS quorvex_pages quorvex_test_core)
