include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
quorvex_add_test(NAME info_logic_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/info_logic_test.cpp
    LIBS quorvex_pages quorvex_test_core)
