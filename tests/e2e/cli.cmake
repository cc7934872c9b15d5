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
quorvex_add_test(NAME cli_check_test LABELS e2e slow TIMEOUT 600
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli_check_test.cpp
    LIBS quorvex_test_core r70sim_core)
target_compile_definitions(cli_check_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(cli_check_test quorvex-cli)
# Ctrl-C and SIGTERM sent to the real programs in the middle of their work.
quorvex_add_test(NAME stop_signal_test LABELS e2e slow TIMEOUT 600
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/stop_signal_test.cpp
    LIBS quorvex_test_core r70sim_core)
target_compile_definitions(stop_signal_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(stop_signal_test quorvex-cli)
if(TARGET quorvex)
    target_compile_definitions(stop_signal_test PRIVATE QUORVEX_DESKTOP="$<TARGET_FILE:quorvex>")
    add_dependencies(stop_signal_test quorvex)
endif()
