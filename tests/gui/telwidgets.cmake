# The telephony page widgets and the data callback dialog, offscreen, against the
# in-process simulator through the real driver library.
if(TARGET quorvex_shell_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
    quorvex_add_test(NAME telwidgets_test LABELS gui
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets_main.cpp
                ${CMAKE_CURRENT_LIST_DIR}/telwidgets_pages_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/telwidgets_callback_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/telwidgets_language_test.cpp
        LIBS quorvex_shell_ui quorvex_test_shell r70sim_core R70COM32 Qt6::Test)
endif()
