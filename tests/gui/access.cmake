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

# Every text shown whole. One process walks every case (both models, both
# languages, a light and a dark theme); ctest runs it with the normal fonts
# and with the desktop's font twice as large (the pages' large-font texts),
# on a screen of 1280 x 1024 where every window fits.
if(TARGET quorvex_shell_ui)
    add_executable(access_room_test ${CMAKE_CURRENT_LIST_DIR}/widgets_main.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/access_room_test.cpp)
    target_link_libraries(access_room_test PRIVATE quorvex_shell_ui quorvex_test_shell r70sim_core
                          R70COM32 Qt6::Test GTest::gtest GTest::gmock)
    target_include_directories(access_room_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    set_target_properties(access_room_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    set(_screen ${CMAKE_CURRENT_BINARY_DIR}/offscreen_1280x1024.json)
    file(WRITE ${_screen} "{\"screens\": [{\"name\": \"walk\", \"x\": 0, \"y\": 0, \"width\": 1280, \"height\": 1024, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n")
    add_test(NAME access_room_normal_fonts COMMAND access_room_test)
    add_test(NAME access_room_large_fonts COMMAND access_room_test)
    set_tests_properties(access_room_normal_fonts access_room_large_fonts PROPERTIES LABELS gui TIMEOUT 300)
    set_tests_properties(access_room_normal_fonts PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${_screen}")
    set_tests_properties(access_room_large_fonts PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${_screen};QT_FONT_DPI=192;QT_ENABLE_HIGHDPI_SCALING=0")
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
