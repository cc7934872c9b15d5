include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

quorvex_add_test(NAME callback_dialog_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/callback_dialog_test.cpp
    LIBS quorvex_test_shell)
