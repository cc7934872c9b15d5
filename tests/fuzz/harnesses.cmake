# The fuzz harnesses and what each links ("+" between libraries); read by the libFuzzer build
# (tests/fuzz/CMakeLists.txt) and by the corpus replay tests of the normal build.
set(QUORVEX_FUZZ_HARNESSES
    reply_parser:r70_catalogue
    command_builder:r70_catalogue
    log_parse:quorvex_core
    charge_parse:quorvex_core
    ini_document:quorvex_core
    firmware_header:quorvex_core
    number_classifier:quorvex_core
    lcr_check:quorvex_core
    clock_time:quorvex_core
    callback_number:quorvex_core
    port_entry:quorvex_core
    eid:quorvex_core
    field_checks:quorvex_core
    profile_load:quorvex_core+r70sim_core+r70_catalogue)
