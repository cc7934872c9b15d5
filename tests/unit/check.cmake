include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

# The check of the device: its queries, its judgement, its run and its report.
foreach(t check_plan check_judge device_check check_report)
    quorvex_add_test(NAME ${t}_test LABELS unit
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}_test.cpp
        LIBS quorvex_test_shell)
endforeach()
