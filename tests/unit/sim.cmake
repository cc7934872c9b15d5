quorvex_add_test(NAME sim_interpreter_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_interpreter_test.cpp LIBS r70sim_core)
quorvex_add_test(NAME sim_state_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_state_test.cpp LIBS r70sim_core)
quorvex_add_test(NAME sim_usb_adapter_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_usb_adapter_test.cpp LIBS r70sim_core)
