# Where the windows land on a real desktop: a headless Weston the test starts
# itself (Qt's Wayland platform, no server-side decorations), on a screen of
# 1280 x 800, on a small one (1024 x 600), and on a
# 1280 x 800 panel at a scale of 2 (everything, the fonts too, twice as large:
# 640 x 400 to the program, where the page scrolls), on the small one with the
# desktop's font twice as large; and on an X server (Xvfb)
# of 1024 x 600. One process per screen.
if(TARGET quorvex_shell_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
    add_executable(wayland_test ${CMAKE_CURRENT_LIST_DIR}/wayland_test.cpp)
    target_link_libraries(wayland_test PRIVATE quorvex_shell_ui quorvex_test_shell r70sim_core
                          R70COM32 Qt6::Test GTest::gtest GTest::gmock)
    target_include_directories(wayland_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    set_target_properties(wayland_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME wayland_1280x800 COMMAND wayland_test --screen 1280x800)
    add_test(NAME wayland_1024x600 COMMAND wayland_test --screen 1024x600)
    add_test(NAME wayland_scale2 COMMAND wayland_test --screen 640x400 --scale 2)
    add_test(NAME wayland_1024x600_large_fonts COMMAND wayland_test --screen 1024x600)
    set_tests_properties(wayland_1024x600_large_fonts PROPERTIES
                         ENVIRONMENT "QT_FONT_DPI=192;QT_ENABLE_HIGHDPI_SCALING=0")
    add_test(NAME x11_1024x600 COMMAND xvfb-run -a -s "-screen 0 1024x600x24"
             $<TARGET_FILE:wayland_test> --x11)
    set_tests_properties(x11_1024x600 PROPERTIES RESOURCE_LOCK xvfb) # as access_atspi_bus
    set_tests_properties(wayland_1280x800 wayland_1024x600 wayland_1024x600_large_fonts
                         wayland_scale2 x11_1024x600
                         PROPERTIES LABELS gui TIMEOUT 300
                         SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endif()
