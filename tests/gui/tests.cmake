# The GUI tests, offscreen unless they say otherwise: only when the desktop
# program is built.
if(TARGET quorvex_shell_ui)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    set(_dir ${CMAKE_CURRENT_LIST_DIR})
    set(_gui_libs quorvex_shell_ui quorvex_test_shell r70sim_core R70COM32 Qt6::Test)

    # A program that ctest runs in several settings of its own, with its own main.
    function(quorvex_gui_program name)
        add_executable(${name} ${ARGN})
        target_link_libraries(${name} PRIVATE ${_gui_libs} GTest::gtest GTest::gmock)
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    endfunction()

    # The Qt building blocks.
    quorvex_add_test(NAME widgets_test LABELS gui
        SOURCES ${_dir}/widgets_main.cpp ${_dir}/ui_controls_test.cpp
                ${_dir}/ui_dialogs_test.cpp ${_dir}/ui_shots_test.cpp
        LIBS quorvex_shell_ui Qt6::Test)

    # The desktop program: page frame, main window, settings dialog, MSN page, start-up.
    quorvex_add_test(NAME mainwin_test LABELS gui
        SOURCES ${_dir}/widgets_main.cpp ${_dir}/main_window_widget_frame_test.cpp
                ${_dir}/main_window_widget_program_test.cpp ${_dir}/settings_dlg_test.cpp
        LIBS ${_gui_libs})

    # The telephony page widgets and the data callback dialog, against the
    # in-process simulator through the real driver library.
    quorvex_add_test(NAME telwidgets_test LABELS gui
        SOURCES ${_dir}/widgets_main.cpp ${_dir}/telephony_pages_test.cpp
                ${_dir}/callback_dlg_test.cpp ${_dir}/telephony_language_test.cpp
        LIBS ${_gui_libs})

    # The data and cost page widgets (data protocol with the BOD dialog, LCR,
    # charges, timer) against the in-process simulated device.
    quorvex_add_test(NAME datawidgets_test LABELS gui
        SOURCES ${_dir}/widgets_main.cpp ${_dir}/data_pages_test.cpp
                ${_dir}/data_shots_test.cpp
        LIBS ${_gui_libs})

    # The maintenance widgets: log book page, monitor window, ISDN information and
    # firmware upgrade dialogs, against the simulated device through the real driver.
    quorvex_add_test(NAME maintwidgets_test LABELS gui
        SOURCES ${_dir}/widgets_main.cpp ${_dir}/maintenance_dialogs_test.cpp
                ${_dir}/maintenance_shots_test.cpp
        LIBS ${_gui_libs})
    quorvex_add_test(NAME upgrade_dlg_test LABELS gui slow
        SOURCES ${_dir}/widgets_main.cpp ${_dir}/upgrade_dlg_test.cpp
        LIBS quorvex_shell_ui quorvex_test_shell quorvex_test_sim R70COM32 Qt6::Test)

    # Accessibility and contrast: every page of both models and every dialog, in
    # both languages, through Qt's accessibility interfaces, against the
    # simulated device.
    quorvex_add_test(NAME access_test LABELS gui
        SOURCES ${_dir}/widgets_main.cpp ${_dir}/accessibility_walk_test.cpp
                ${_dir}/theme_contrast_test.cpp
        LIBS ${_gui_libs})

    # Every text shown whole. One process walks every case (both models, both
    # languages, a light and a dark theme); ctest runs it with the normal fonts
    # and with the desktop's font twice as large (the pages' large-font texts),
    # on a screen of 1280 x 1024 where every window fits.
    quorvex_gui_program(text_room_test ${_dir}/widgets_main.cpp ${_dir}/text_room_test.cpp)
    set(_screen ${CMAKE_CURRENT_BINARY_DIR}/offscreen_1280x1024.json)
    file(WRITE ${_screen} "{\"screens\": [{\"name\": \"walk\", \"x\": 0, \"y\": 0, \"width\": 1280, \"height\": 1024, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n")
    add_test(NAME access_room_normal_fonts COMMAND text_room_test)
    add_test(NAME access_room_large_fonts COMMAND text_room_test)
    set_tests_properties(access_room_normal_fonts access_room_large_fonts PROPERTIES LABELS gui TIMEOUT 300)
    set_tests_properties(access_room_normal_fonts PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${_screen}")
    set_tests_properties(access_room_large_fonts PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${_screen};QT_FONT_DPI=192;QT_ENABLE_HIGHDPI_SCALING=0")

    # Where the windows land on a real desktop: a headless Weston the test starts
    # itself (Qt's Wayland platform, no server-side decorations), on a screen of
    # 1280 x 800, on a small one (1024 x 600), and on a
    # 1280 x 800 panel at a scale of 2 (everything, the fonts too, twice as large:
    # 640 x 400 to the program, where the page scrolls), on the small one with the
    # desktop's font twice as large; and on an X server (Xvfb)
    # of 1024 x 600. One process per screen.
    quorvex_gui_program(wayland_test ${_dir}/main_window_widget_wayland_test.cpp)
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

# What a screen reader hears of every drop-down's choice, through the real
# accessibility bus (at-spi2-core on D-Bus, pyatspi) with the real program
# under an X server: Qt's offscreen platform does not join the bus.
if(TARGET quorvex)
    add_test(NAME access_atspi_bus
             COMMAND sh -c "command -v xvfb-run >/dev/null && command -v dbus-run-session >/dev/null || { echo 'SKIP: xvfb-run or dbus-run-session is not installed'; exit 77; }; exec xvfb-run -a -s '-screen 0 1280x1024x24' dbus-run-session -- /usr/bin/python3 \"$0\" \"$1\""
                     ${CMAKE_CURRENT_LIST_DIR}/atspi_walk.py $<TARGET_FILE_DIR:quorvex>)
    # xvfb-run -a picks a free display number without a lock: two at once may pick
    # the same one, and the program then finds no X server.
    set_tests_properties(access_atspi_bus PROPERTIES LABELS gui TIMEOUT 300 SKIP_RETURN_CODE 77
                         RESOURCE_LOCK xvfb)
endif()
