include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
quorvex_add_test(NAME logic_pages_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/logic_pages_test.cpp
    LIBS quorvex_test_shell)
