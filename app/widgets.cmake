# The Qt widgets: thin classes over quorvex_core that draw, bind controls and report the
# user's choices. The desktop program links this library.
add_library(quorvex_widgets STATIC
    ${CMAKE_CURRENT_LIST_DIR}/qt_ui_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/page_button_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/menu_bar_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/splash_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/info_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/discard_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/no_response_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/my_file_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/telephony/port_symbol_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/telephony/drop_list_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../resources/quorvex.qrc
)
set_target_properties(quorvex_widgets PROPERTIES AUTOMOC ON AUTORCC ON)
target_link_libraries(quorvex_widgets PUBLIC quorvex_core Qt6::Widgets Qt6::Svg)

# ---- main window, page frame, settings dialog, MSN page, the program ----
target_sources(quorvex_widgets PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/page_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/page_factory_widget.cpp
)
target_sources(quorvex_widgets PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/main_window_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/status_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/telephony/msn_page_widget.cpp
)
add_executable(quorvex ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(quorvex PRIVATE quorvex_widgets quorvex_core R70COM32)
# ---- end of main window block ----

# ---- telephony pages (call acceptance, short dial, forwarding, filter) and the data callback dialog ----
target_sources(quorvex_widgets PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/../pages/telephony/port_header_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/telephony/accept_page_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/telephony/short_dial_page_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/telephony/forward_page_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/telephony/filter_page_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../maintenance/callback_dlg.cpp
)

# ---- maintenance: log book page, monitor mode, ISDN information, firmware upgrade ----
target_sources(quorvex_widgets PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/../maintenance/log_page_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/monitor_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../maintenance/info_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../maintenance/upgrade_dlg.cpp
)

# ---- data and cost pages: data protocol (with the BOD dialog), LCR, charges, timer ----
target_sources(quorvex_widgets PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/../pages/data/bod_dlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/data/data_page_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/data/lcr_page_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/data/charge_page_widget.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../pages/data/timer_page_widget.cpp
)
