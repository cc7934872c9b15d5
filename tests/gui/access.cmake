# Accessibility and contrast: every page of both models and every dialog, in
# both languages, through Qt's accessibility interfaces, offscreen, against the
# simulated device.
if(TARGET quorvex_shell_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
    quorvex_add_test(NAME access_test LABELS gui
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets_main.cpp
                ${CMAKE_CURRENT_LIST_DIR}/access_walk_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/access_contrast_test.cpp
        LIBS quorvex_shell_ui quorvex_test_shell r70sim_core R70COM32 Qt6::Test)
endif()
