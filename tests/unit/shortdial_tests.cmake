include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
quorvex_add_test(NAME shortdial_port_entry_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/shortdial_port_entry_test.cpp
    LIBS quorvex_pages quorvex_test_core)
quorvex_add_test(NAME shortdial_page_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/shortdial_page_test.cpp
    LIBS quorvex_pages quorvex_test_core)
