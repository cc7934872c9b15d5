include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

foreach(t msn_page msn_port_symbols)
    quorvex_add_test(NAME ${t}_test LABELS unit
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}_test.cpp
        LIBS quorvex_core quorvex_test_support)
endforeach()
