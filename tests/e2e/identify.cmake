quorvex_add_test(NAME identify_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/identify_test.cpp
    LIBS r70sim_core)
target_compile_definitions(identify_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(identify_test quorvex-cli)
