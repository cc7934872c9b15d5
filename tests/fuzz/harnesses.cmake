# The fuzz harnesses and what each links ("+" between libraries); read by the libFuzzer build
# (tests/fuzz/CMakeLists.txt) and by the corpus replay tests of the normal build.
set(QUORVEX_FUZZ_HARNESSES
    reply_parser:r70_catalogue
    command_builder:r70_catalogue
    log_parse:quorvex_pages
    charge_parse:quorvex_pages
    ini_document:quorvex_profile
    firmware_header:quorvex_pages
    number_classifier:quorvex_core
    lcr_check:quorvex_pages
    clock_time:quorvex_core
    callback_number:quorvex_pages
    port_entry:quorvex_pages
    eid:quorvex_pages
    field_checks:quorvex_shell
    profile_load:quorvex_shell+r70sim_core+r70_catalogue
    telnet_decoder:r70_serial_line)
