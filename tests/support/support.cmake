# Shared test support, in the layers of the program:
#   quorvex_test_core   fake driver, fake clock and profile store, the scripted
#                       page user interface and the recording host (page tests)
#   quorvex_test_shell  the scripted shell user interface and recording pages
#                       (main window and start-up tests)
#   quorvex_test_sim    the simulated device in process and a setting for each
#                       of its registers (tests that every setting comes back)
if(NOT TARGET quorvex_test_core)
    add_library(quorvex_test_core STATIC
        ${CMAKE_CURRENT_LIST_DIR}/fake_driver.cpp
        ${CMAKE_CURRENT_LIST_DIR}/fakes.cpp
        ${CMAKE_CURRENT_LIST_DIR}/scripted_page_ui.cpp)
    target_include_directories(quorvex_test_core PUBLIC ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(quorvex_test_core PUBLIC quorvex_core GTest::gtest GTest::gmock)

    add_library(quorvex_test_shell STATIC
        ${CMAKE_CURRENT_LIST_DIR}/scripted_ui.cpp
        ${CMAKE_CURRENT_LIST_DIR}/recording_page.cpp)
    target_link_libraries(quorvex_test_shell PUBLIC quorvex_test_core quorvex_shell)

    add_library(quorvex_test_sim STATIC ${CMAKE_CURRENT_LIST_DIR}/sim_settings.cpp)
    target_link_libraries(quorvex_test_sim PUBLIC quorvex_test_core r70sim_core r70_catalogue)
endif()
