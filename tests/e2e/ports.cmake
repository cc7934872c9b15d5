# The adapter on a fake machine (sysfs and /dev): stable names, a replug under
# another node, and quorvex-cli ports as a child process.
quorvex_add_test(NAME ports_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ports_test.cpp LIBS r70sim_core R70COM32)
target_compile_definitions(ports_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(ports_test quorvex-cli)
