# The driver on realistic fake machines (consoles, logins, other programs
# lines, twin adapters, replugs) and quorvex-cli ports as a child process.
quorvex_add_test(NAME machine_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/machine_test.cpp LIBS r70sim_core R70COM32 quorvex_core)
target_compile_definitions(machine_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(machine_test quorvex-cli)
