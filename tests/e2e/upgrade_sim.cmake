include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
quorvex_add_test(NAME upgrade_sim_test LABELS e2e slow
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/upgrade_sim_test.cpp
    LIBS quorvex_test_shell quorvex_test_sim R70COM32)
