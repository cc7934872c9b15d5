# The desktop program: page frame, main window, settings dialog, MSN page, start-up.
if(TARGET quorvex_shell_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
    quorvex_add_test(NAME mainwin_test LABELS gui
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets_main.cpp
                ${CMAKE_CURRENT_LIST_DIR}/mainwin_frame_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/mainwin_program_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/mainwin_settings_test.cpp
        LIBS quorvex_shell_ui quorvex_test_shell r70sim_core R70COM32 Qt6::Test)
endif()
