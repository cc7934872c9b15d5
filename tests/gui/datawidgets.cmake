# The data and cost page widgets (data protocol with the BOD dialog, LCR,
# charges, timer) against the in-process simulated device, offscreen.
if(TARGET quorvex_shell_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
    quorvex_add_test(NAME datawidgets_test LABELS gui
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets_main.cpp
                ${CMAKE_CURRENT_LIST_DIR}/datawidgets_pages_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/datawidgets_shots_test.cpp
        LIBS quorvex_shell_ui quorvex_test_shell r70sim_core R70COM32 Qt6::Test)
endif()
