include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
quorvex_add_test(NAME faults_sim_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/faults_sim_test.cpp
    LIBS quorvex_test_shell r70sim_core R70COM32)
quorvex_add_test(NAME stress_driver_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/stress_driver_test.cpp
    LIBS r70sim_core R70COM32)
