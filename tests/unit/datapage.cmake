include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

# The data protocol page, its EID numbers and the bandwidth-on-demand dialog.
foreach(t datapage eid bod)
    quorvex_add_test(NAME ${t}_test LABELS unit
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}_test.cpp
        LIBS quorvex_pages quorvex_test_core)
endforeach()
