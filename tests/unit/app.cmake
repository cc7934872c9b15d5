include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

# The shell's logic: heartbeat, start-up, main window.
foreach(t app_heartbeat app_startup app_main_window app_load_trial)
    quorvex_add_test(NAME ${t}_test LABELS unit
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}_test.cpp
        LIBS quorvex_test_shell)
endforeach()
