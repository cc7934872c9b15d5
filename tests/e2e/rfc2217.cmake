# Network ports: the driver, the command line and the firmware upgrade through a
# ser2net the tests start on 127.0.0.1 (skipped when ser2net is not installed).
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
quorvex_add_test(NAME rfc2217_driver_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/rfc2217_driver_test.cpp
    LIBS quorvex_core quorvex_test_support r70sim_core R70COM32 pty_device)
