include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

# The page framework and the application state: nothing above quorvex_core.
foreach(t core_clock_time core_detection core_device_cache core_page_items core_port_symbols
          core_classifier core_port_access)
    quorvex_add_test(NAME ${t}_test LABELS unit
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}_test.cpp
        LIBS quorvex_test_core)
endforeach()
