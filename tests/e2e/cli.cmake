# quorvex-cli as a child process against the simulated device hosted by the test.
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
quorvex_add_test(NAME cli_test LABELS e2e slow TIMEOUT 900
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli_test.cpp
    LIBS quorvex_cli_core quorvex_test_shell r70sim_core R70COM32)
target_compile_definitions(cli_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(cli_test quorvex-cli)
# The upgrade waits for the device as the desktop program does (about 45 s a
# run): the normal build only.
quorvex_add_test(NAME cli_upgrade_test LABELS slow TIMEOUT 900
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli_upgrade_test.cpp
    LIBS quorvex_test_sim)
target_compile_definitions(cli_upgrade_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(cli_upgrade_test quorvex-cli)
