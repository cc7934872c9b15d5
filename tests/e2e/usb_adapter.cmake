# quorvex-cli behind simulated USB serial adapters (sim/usb_adapter.h) on fake
# machines: the timer faults in every build; every chip with its latency
# lowerable and stuck against the direct line's answers in the normal build
# only (a few minutes).
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
foreach(_adapter_test usb_adapter_test usb_adapter_matrix_test)
    if(_adapter_test STREQUAL usb_adapter_test)
        set(_labels e2e)
    else()
        set(_labels slow)
    endif()
    quorvex_add_test(NAME ${_adapter_test} LABELS ${_labels} TIMEOUT 900
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/usb_adapter_test.cpp LIBS r70sim_core)
    target_compile_definitions(${_adapter_test} PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
    add_dependencies(${_adapter_test} quorvex-cli)
endforeach()
target_compile_definitions(usb_adapter_matrix_test PRIVATE QUORVEX_ADAPTER_MATRIX)
