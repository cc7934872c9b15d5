# The end-to-end tests: the real driver, programs and simulated device together.
set(_dir ${CMAKE_CURRENT_LIST_DIR})

# The check of the device through the real driver against the simulated device.
quorvex_add_test(NAME device_check_sim_test LABELS e2e TIMEOUT 600
    SOURCES ${_dir}/device_check_sim_test.cpp
    LIBS quorvex_shell r70sim_core R70COM32)
# Seven runs of the whole check against odd devices: the normal build only.
quorvex_add_test(NAME device_check_odd_test LABELS slow TIMEOUT 900
    SOURCES ${_dir}/device_check_odd_test.cpp
    LIBS quorvex_shell r70sim_core R70COM32)

# quorvex-cli as a child process against the simulated device hosted by the test.
quorvex_add_test(NAME commands_test LABELS e2e slow TIMEOUT 900
    SOURCES ${_dir}/commands_test.cpp
    LIBS quorvex_cli_core quorvex_test_shell r70sim_core R70COM32)
quorvex_uses_cli(commands_test)
# The upgrade waits for the device as the desktop program does (about 45 s a
# run): the normal build only.
quorvex_add_test(NAME cmd_upgrade_test LABELS slow TIMEOUT 900
    SOURCES ${_dir}/cmd_upgrade_test.cpp
    LIBS quorvex_test_sim)
quorvex_uses_cli(cmd_upgrade_test)
quorvex_add_test(NAME cmd_check_test LABELS e2e slow TIMEOUT 600
    SOURCES ${_dir}/cmd_check_test.cpp
    LIBS quorvex_test_core r70sim_core)
quorvex_uses_cli(cmd_check_test)
# Ctrl-C and SIGTERM sent to the real programs in the middle of their work.
quorvex_add_test(NAME stop_signals_test LABELS e2e slow TIMEOUT 600
    SOURCES ${_dir}/stop_signals_test.cpp
    LIBS quorvex_test_core r70sim_core)
quorvex_uses_cli(stop_signals_test)
if(TARGET quorvex)
    target_compile_definitions(stop_signals_test PRIVATE QUORVEX_DESKTOP="$<TARGET_FILE:quorvex>")
    add_dependencies(stop_signals_test quorvex)
endif()

find_package(Threads REQUIRED)
add_library(pty_device STATIC ${CMAKE_SOURCE_DIR}/tests/support/pty_device.cpp)
target_include_directories(pty_device PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(pty_device PUBLIC Threads::Threads)

quorvex_add_test(NAME r70com32_line_test LABELS e2e
    SOURCES ${_dir}/r70com32_line_test.cpp
    LIBS R70COM32 pty_device)
quorvex_add_test(NAME r70com32_boot_probe_test LABELS e2e slow
    SOURCES ${_dir}/r70com32_boot_probe_test.cpp
    LIBS R70COM32 pty_device)

quorvex_add_test(NAME sim_device_faults_test LABELS e2e
    SOURCES ${_dir}/sim_device_faults_test.cpp
    LIBS quorvex_test_shell r70sim_core R70COM32)
quorvex_add_test(NAME r70com32_threads_test LABELS e2e
    SOURCES ${_dir}/r70com32_threads_test.cpp
    LIBS r70sim_core R70COM32)

quorvex_add_test(NAME cmd_identify_test LABELS e2e
    SOURCES ${_dir}/cmd_identify_test.cpp
    LIBS r70sim_core)
quorvex_uses_cli(cmd_identify_test)

# The driver on realistic fake machines (consoles, logins, other programs
# lines, twin adapters, replugs) and quorvex-cli ports as a child process.
quorvex_add_test(NAME port_discovery_machine_test LABELS e2e
    SOURCES ${_dir}/port_discovery_machine_test.cpp LIBS r70sim_core R70COM32 quorvex_core)
quorvex_uses_cli(port_discovery_machine_test)

# Network ports: the driver, the command line and the firmware upgrade through a
# ser2net the tests start on 127.0.0.1 (skipped when ser2net is not installed).

# A test that runs quorvex-cli against the device: NAME LABEL TIMEOUT SOURCE [DEFINITIONS...]
function(network_cli_test name label timeout source)
    quorvex_add_test(NAME ${name} LABELS ${label} TIMEOUT ${timeout}
        SOURCES ${_dir}/${source} LIBS quorvex_test_sim)
    quorvex_uses_cli(${name})
    target_compile_definitions(${name} PRIVATE ${ARGN})
endfunction()

quorvex_add_test(NAME rfc2217_transport_driver_test LABELS e2e
    SOURCES ${_dir}/rfc2217_transport_driver_test.cpp
    LIBS quorvex_test_shell r70sim_core R70COM32 pty_device)
network_cli_test(rfc2217_transport_cli_test e2e 900 rfc2217_transport_cli_test.cpp)
# The transfer at 19200 baud takes its wire time (about five minutes): the normal
# build only.
network_cli_test(rfc2217_transport_upgrade_test slow 1200 rfc2217_transport_upgrade_test.cpp)
# Paths with a round trip (a relay that delays, holds acknowledgements back and
# plays the server's Nagle): every command against the local line's answers.
network_cli_test(rfc2217_transport_path_test e2e 900 rfc2217_transport_path_test.cpp)
# The same at round trips of 20 and 100 ms, and the firmware upgrade: the normal
# build only (a few minutes).
network_cli_test(rfc2217_transport_path_slow_test slow 1200 rfc2217_transport_path_test.cpp QUORVEX_SLOW_PATHS)
# The telnet stream against a scripted server (flood, BINARY off, Synch, broken
# subnegotiation, a peer that stops reading).
quorvex_add_test(NAME rfc2217_transport_stream_test LABELS e2e
    SOURCES ${_dir}/rfc2217_transport_stream_test.cpp LIBS r70_serial_line)
# Opens where the network misbehaves (a dead IPv6 route, a silent name server, a
# host that vanished under the heartbeat), in
# a network namespace of the test's own; skipped where unshare is not allowed.
quorvex_add_test(NAME rfc2217_transport_netns_test LABELS e2e
    SOURCES ${_dir}/rfc2217_transport_netns_test.cpp
    LIBS quorvex_test_shell r70sim_core R70COM32)

quorvex_add_test(NAME sim_device_pty_test LABELS e2e
    SOURCES ${_dir}/sim_device_pty_test.cpp LIBS r70sim_core)
target_compile_definitions(sim_device_pty_test PRIVATE R70SIM_BIN="$<TARGET_FILE:r70sim>")
add_dependencies(sim_device_pty_test r70sim)

# Through the real driver library.
quorvex_add_test(NAME r70com32_sim_test LABELS e2e
    SOURCES ${_dir}/r70com32_sim_test.cpp LIBS r70sim_core R70COM32)
quorvex_add_test(NAME r70com32_sim_boot_test LABELS e2e slow
    SOURCES ${_dir}/r70com32_sim_boot_test.cpp LIBS r70sim_core R70COM32)

quorvex_add_test(NAME upgrade_sim_test LABELS e2e slow
    SOURCES ${_dir}/upgrade_sim_test.cpp
    LIBS quorvex_test_shell quorvex_test_sim R70COM32)

# quorvex-cli behind simulated USB serial adapters (sim/usb_adapter.h) on fake
# machines: the timer faults in every build; every chip with its latency
# lowerable and stuck against the direct line's answers in the normal build
# only (a few minutes).
foreach(_adapter_test usb_adapter_cli_test usb_adapter_cli_matrix_test)
    if(_adapter_test STREQUAL usb_adapter_cli_test)
        set(_labels e2e)
    else()
        set(_labels slow)
    endif()
    quorvex_add_test(NAME ${_adapter_test} LABELS ${_labels} TIMEOUT 900
        SOURCES ${_dir}/usb_adapter_cli_test.cpp LIBS r70sim_core)
    quorvex_uses_cli(${_adapter_test})
endforeach()
target_compile_definitions(usb_adapter_cli_matrix_test PRIVATE QUORVEX_ADAPTER_MATRIX)
