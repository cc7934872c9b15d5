# Network ports: the driver, the command line and the firmware upgrade through a
# ser2net the tests start on 127.0.0.1 (skipped when ser2net is not installed).
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
quorvex_add_test(NAME rfc2217_driver_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/rfc2217_driver_test.cpp
    LIBS quorvex_test_shell r70sim_core R70COM32 pty_device)
quorvex_add_test(NAME rfc2217_cli_test LABELS e2e TIMEOUT 900
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/rfc2217_cli_test.cpp LIBS r70sim_core)
target_compile_definitions(rfc2217_cli_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(rfc2217_cli_test quorvex-cli)
# The transfer at 19200 baud takes its wire time (about five minutes): the normal
# build only.
quorvex_add_test(NAME rfc2217_upgrade_test LABELS slow TIMEOUT 1200
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/rfc2217_upgrade_test.cpp LIBS quorvex_test_sim)
target_compile_definitions(rfc2217_upgrade_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(rfc2217_upgrade_test quorvex-cli)
