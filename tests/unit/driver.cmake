quorvex_add_test(NAME driver_catalogue_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_catalogue_test.cpp ${CMAKE_CURRENT_LIST_DIR}/driver_parse_test.cpp
    LIBS r70_catalogue)
quorvex_add_test(NAME driver_serial_line_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_serial_line_test.cpp ${CMAKE_CURRENT_LIST_DIR}/driver_com_ports_test.cpp
    LIBS r70_serial_line)
quorvex_add_test(NAME driver_rfc2217_codec_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_rfc2217_codec_test.cpp
    LIBS r70_serial_line)
quorvex_add_test(NAME driver_rfc2217_session_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_rfc2217_session_test.cpp
    LIBS r70_serial_line)
quorvex_add_test(NAME driver_port_discovery_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_port_discovery_test.cpp
    LIBS r70_port_discovery)
quorvex_add_test(NAME driver_line_watch_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_line_watch_test.cpp
    LIBS r70_serial_line)
quorvex_add_test(NAME driver_win_com_list_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_win_com_list_test.cpp
    LIBS r70_port_discovery)
quorvex_add_test(NAME driver_port_holders_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_port_holders_test.cpp
    LIBS r70_port_discovery)
quorvex_add_test(NAME driver_adapter_hold_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/driver_adapter_hold_test.cpp
    LIBS r70_serial_line)
