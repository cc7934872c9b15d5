# The check of the device through the real driver against the simulated device.
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
quorvex_add_test(NAME check_sim_test LABELS e2e TIMEOUT 600
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/check_sim_test.cpp
    LIBS quorvex_shell r70sim_core R70COM32)
# Seven runs of the whole check against odd devices: the normal build only.
quorvex_add_test(NAME check_odd_test LABELS slow TIMEOUT 900
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/check_odd_test.cpp
    LIBS quorvex_shell r70sim_core R70COM32)
