quorvex_add_test(NAME sim_pty_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_pty_test.cpp LIBS r70sim_core)
target_compile_definitions(sim_pty_test PRIVATE R70SIM_BIN="$<TARGET_FILE:r70sim>")
add_dependencies(sim_pty_test r70sim)

# Through the real driver library.
quorvex_add_test(NAME sim_driver_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_driver_test.cpp LIBS r70sim_core R70COM32)
quorvex_add_test(NAME sim_driver_boot_test LABELS e2e slow
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_driver_boot_test.cpp LIBS r70sim_core R70COM32)
