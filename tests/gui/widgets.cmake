# The Qt building blocks, offscreen. Only when the desktop program is built.
if(TARGET quorvex_shell_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    quorvex_add_test(NAME widgets_test LABELS gui
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets_main.cpp
                ${CMAKE_CURRENT_LIST_DIR}/widgets_controls_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/widgets_dialogs_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/widgets_shots_test.cpp
        LIBS quorvex_shell_ui Qt6::Test)
endif()
