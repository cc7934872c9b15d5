include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

foreach(t app_clock_time app_detection app_device_cache app_page_items app_heartbeat app_startup
          app_main_window)
    quorvex_add_test(NAME ${t}_test LABELS unit
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}_test.cpp
        LIBS quorvex_test_support quorvex_core)
endforeach()
