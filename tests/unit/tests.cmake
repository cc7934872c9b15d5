# The unit tests: one executable per unit under test, named after its source.
set(_dir ${CMAKE_CURRENT_LIST_DIR})

# Page logic on the fake driver: the pages, their parsers and dialogs.
foreach(t accept_page filter_page forward_page info_logic msn_page timer_page
          charge_parse charge_page lcr_check lcr_page log_parse log_page
          port_entry short_dial_page
          data_page eid bod_logic)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS quorvex_pages quorvex_test_core)
endforeach()
quorvex_add_test(NAME profile_files_bad_input_test LABELS unit SOURCES ${_dir}/profile_files_bad_input_test.cpp
    LIBS quorvex_pages)

# The page framework and the application state: nothing above quorvex_core.
foreach(t clock_time detection device_cache page_items port_symbols
          number_classifier port_access)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS quorvex_test_core)
endforeach()

# The shell's logic: heartbeat, start-up, main window, dialogs, the check of the
# device (its queries, its judgement, its run and its report), the firmware upgrade.
foreach(t heartbeat startup main_window_logic load_trial
          callback_logic logic_pages monitor_logic settings_logic
          check_plan check_judge device_check check_report
          firmware_file upgrade)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS quorvex_test_shell)
endforeach()
# The upgrade against the simulated device in process, which forgets its settings.
quorvex_add_test(NAME upgrade_settings_test LABELS unit SOURCES ${_dir}/upgrade_settings_test.cpp
    LIBS quorvex_test_shell quorvex_test_sim)

quorvex_add_test(NAME profile_diff_test LABELS unit SOURCES ${_dir}/profile_diff_test.cpp
    LIBS quorvex_cli_core)

# The driver's libraries.
quorvex_add_test(NAME catalogue_test LABELS unit
    SOURCES ${_dir}/catalogue_test.cpp ${_dir}/reply_parser_test.cpp
    LIBS r70_catalogue)
quorvex_add_test(NAME serial_line_test LABELS unit
    SOURCES ${_dir}/serial_line_test.cpp ${_dir}/com_ports_test.cpp
    LIBS r70_serial_line)
foreach(t rfc2217_codec rfc2217_session line_watch adapter_hold)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS r70_serial_line)
endforeach()
foreach(t port_discovery com_list port_holders_linux)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS r70_port_discovery)
endforeach()
quorvex_add_test(NAME r70com32_header_test LABELS unit
    SOURCES ${_dir}/r70com32_header_test.cpp ${_dir}/r70com32_header_c.c
    LIBS R70COM32_headers)

# The profile file.
find_package(nlohmann_json REQUIRED)
quorvex_add_test(NAME ini_file_vectors_test LABELS unit SOURCES ${_dir}/ini_file_vectors_test.cpp
    LIBS quorvex_profile nlohmann_json::nlohmann_json)
target_compile_definitions(ini_file_vectors_test PRIVATE
    QUORVEX_INI_VECTORS="${CMAKE_SOURCE_DIR}/tests/data/ini-vectors")
foreach(t ini_file sections profile_files)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS quorvex_profile)
endforeach()
quorvex_add_test(NAME cmd_profile_test LABELS unit SOURCES ${_dir}/cmd_profile_test.cpp)
quorvex_uses_cli(cmd_profile_test)

# The simulator and the texts.
foreach(t interpreter device_state usb_adapter)
    quorvex_add_test(NAME ${t}_test LABELS unit SOURCES ${_dir}/${t}_test.cpp
        LIBS r70sim_core)
endforeach()
foreach(t text_table menus literal_tables)
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
