find_package(Threads REQUIRED)
add_library(pty_device STATIC ${CMAKE_CURRENT_LIST_DIR}/../support/pty_device.cpp)
target_include_directories(pty_device PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(pty_device PUBLIC Threads::Threads)

quorvex_add_test(NAME driver_line_test LABELS e2e
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_line_test.cpp
    LIBS R70COM32 pty_device)
quorvex_add_test(NAME driver_boot_probe_test LABELS e2e slow
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_boot_probe_test.cpp
    LIBS R70COM32 pty_device)
