# The maintenance widgets: log book page, monitor window, ISDN information and
# firmware upgrade dialogs, against the simulated device through the real driver.
if(TARGET quorvex_shell_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
    quorvex_add_test(NAME maintwidgets_test LABELS gui
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets_main.cpp
                ${CMAKE_CURRENT_LIST_DIR}/maintwidgets_dialogs_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/maintwidgets_shots_test.cpp
        LIBS quorvex_shell_ui quorvex_test_shell r70sim_core R70COM32 Qt6::Test)
    quorvex_add_test(NAME maintwidgets_upgrade_test LABELS gui slow
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets_main.cpp
                ${CMAKE_CURRENT_LIST_DIR}/maintwidgets_upgrade_test.cpp
        LIBS quorvex_shell_ui quorvex_test_shell quorvex_test_sim R70COM32 Qt6::Test)
endif()
