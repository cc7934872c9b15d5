include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

foreach(t firmware_file upgrade)
    quorvex_add_test(NAME ${t}_test LABELS unit
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}_test.cpp
        LIBS quorvex_test_shell)
endforeach()

# The upgrade against the simulated device in process, which forgets its settings.
quorvex_add_test(NAME upgrade_settings_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/upgrade_settings_test.cpp
    LIBS quorvex_test_shell quorvex_test_sim)
