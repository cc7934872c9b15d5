# The unit tests: one executable per unit under test, named after its source.
set(_dir ${CMAKE_CURRENT_LIST_DIR})

# Page logic on the fake driver: the pages, their parsers and dialogs.
foreach(t accept_page filter_page forward_page info_logic msn_page timer_page
          charge_parse charge_page lcr_check lcr_page log_parse log_page
          shortdial_port_entry shortdial_page
          datapage eid bod)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS quorvex_pages quorvex_test_core)
endforeach()
quorvex_add_test(NAME badfiles_test LABELS unit SOURCES ${_dir}/badfiles_test.cpp
    LIBS quorvex_pages)

# The page framework and the application state: nothing above quorvex_core.
foreach(t core_clock_time core_detection core_device_cache core_page_items core_port_symbols
          core_classifier core_port_access)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS quorvex_test_core)
endforeach()

# The shell's logic: heartbeat, start-up, main window, dialogs, the check of the
# device (its queries, its judgement, its run and its report), the firmware upgrade.
foreach(t app_heartbeat app_startup app_main_window app_load_trial
          callback_dialog logic_pages monitor settings_dialog
          check_plan check_judge device_check check_report
          firmware_file upgrade)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS quorvex_test_shell)
endforeach()
# The upgrade against the simulated device in process, which forgets its settings.
quorvex_add_test(NAME upgrade_settings_test LABELS unit SOURCES ${_dir}/upgrade_settings_test.cpp
    LIBS quorvex_test_shell quorvex_test_sim)

quorvex_add_test(NAME cli_diff_test LABELS unit SOURCES ${_dir}/cli_diff_test.cpp
    LIBS quorvex_cli_core)

# The driver's libraries.
quorvex_add_test(NAME driver_catalogue_test LABELS unit
    SOURCES ${_dir}/driver_catalogue_test.cpp ${_dir}/driver_parse_test.cpp
    LIBS r70_catalogue)
quorvex_add_test(NAME driver_serial_line_test LABELS unit
    SOURCES ${_dir}/driver_serial_line_test.cpp ${_dir}/driver_com_ports_test.cpp
    LIBS r70_serial_line)
foreach(t driver_rfc2217_codec driver_rfc2217_session driver_line_watch driver_adapter_hold)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS r70_serial_line)
endforeach()
foreach(t driver_port_discovery driver_win_com_list driver_port_holders)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS r70_port_discovery)
endforeach()
quorvex_add_test(NAME driver_header_test LABELS unit
    SOURCES ${_dir}/driver_header_test.cpp ${_dir}/driver_header_c.c
    LIBS R70COM32_headers)

# The profile file.
find_package(nlohmann_json REQUIRED)
quorvex_add_test(NAME profile_vectors_test LABELS unit SOURCES ${_dir}/profile_vectors_test.cpp
    LIBS quorvex_profile nlohmann_json::nlohmann_json)
target_compile_definitions(profile_vectors_test PRIVATE
    QUORVEX_INI_VECTORS="${CMAKE_SOURCE_DIR}/tests/data/ini-vectors")
foreach(t profile_ini profile_sections profile_files)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS quorvex_profile)
endforeach()
quorvex_add_test(NAME profile_cli_test LABELS unit SOURCES ${_dir}/profile_cli_test.cpp)
quorvex_uses_cli(profile_cli_test)

# The simulator and the texts.
foreach(t sim_interpreter sim_state sim_usb_adapter)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS r70sim_core)
endforeach()
foreach(t text_table text_menus text_literals)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS quorvex_texts)
endforeach()

# Every fuzz harness, built with a replay main instead of libFuzzer: runs each
# file of its corpus (tests/fuzz/corpus/<harness>/) through the harness.
include(${CMAKE_SOURCE_DIR}/tests/fuzz/harnesses.cmake)
foreach(entry ${QUORVEX_FUZZ_HARNESSES})
    string(REPLACE ":" ";" _parts ${entry})
    list(GET _parts 0 _name)
    list(GET _parts 1 _lib)
    string(REPLACE "+" ";" _lib ${_lib})
    quorvex_add_test(NAME fuzz_${_name}_replay_test LABELS unit
        SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_${_name}.cpp
                ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp
        LIBS ${_lib})
    target_compile_definitions(fuzz_${_name}_replay_test PRIVATE
        FUZZ_CORPUS_DIR="${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${_name}"
        FUZZ_SUITE=FuzzCorpus_${_name})
endforeach()
