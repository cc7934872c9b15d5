# Network ports: the driver, the command line and the firmware upgrade through a
# ser2net the tests start on 127.0.0.1 (skipped when ser2net is not installed).
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

# A test that runs quorvex-cli against the device: NAME LABEL TIMEOUT SOURCE [DEFINITIONS...]
function(rfc2217_cli_test name label timeout source)
    quorvex_add_test(NAME ${name} LABELS ${label} TIMEOUT ${timeout}
        SOURCES ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${source} LIBS quorvex_test_sim)
    target_compile_definitions(${name} PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>" ${ARGN})
    add_dependencies(${name} quorvex-cli)
endfunction()

quorvex_add_test(NAME rfc2217_driver_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/rfc2217_driver_test.cpp
    LIBS quorvex_test_shell r70sim_core R70COM32 pty_device)
rfc2217_cli_test(rfc2217_cli_test e2e 900 rfc2217_cli_test.cpp)
# The transfer at 19200 baud takes its wire time (about five minutes): the normal
# build only.
rfc2217_cli_test(rfc2217_upgrade_test slow 1200 rfc2217_upgrade_test.cpp)
# Paths with a round trip (a relay that delays, holds acknowledgements back and
# plays the server's Nagle): every command against the local line's answers.
rfc2217_cli_test(rfc2217_path_test e2e 900 rfc2217_path_test.cpp)
# The same at round trips of 20 and 100 ms, and the firmware upgrade: the normal
# build only (a few minutes).
rfc2217_cli_test(rfc2217_path_slow_test slow 1200 rfc2217_path_test.cpp QUORVEX_SLOW_PATHS)
# The telnet stream against a scripted server (flood, BINARY off, Synch, broken
# subnegotiation, a peer that stops reading).
quorvex_add_test(NAME rfc2217_stream_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/rfc2217_stream_test.cpp LIBS r70_serial_line)
# Opens where the network misbehaves (a dead IPv6 route, a silent name server, a
# host that vanished under the heartbeat), in
# a network namespace of the test's own; skipped where unshare is not allowed.
quorvex_add_test(NAME rfc2217_netns_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/rfc2217_netns_test.cpp
    LIBS quorvex_test_shell r70sim_core R70COM32)
