# Shared test support: fake driver, scripted UI, fake clock and profile store,
# a recording page. Link quorvex_test_support in page tests.
if(NOT TARGET quorvex_test_support)
    add_library(quorvex_test_support STATIC
        ${CMAKE_CURRENT_LIST_DIR}/fake_driver.cpp
        ${CMAKE_CURRENT_LIST_DIR}/fakes.cpp
        ${CMAKE_CURRENT_LIST_DIR}/scripted_ui.cpp
        ${CMAKE_CURRENT_LIST_DIR}/recording_page.cpp)
    target_include_directories(quorvex_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(quorvex_test_support PUBLIC quorvex_core GTest::gtest GTest::gmock)
endif()
