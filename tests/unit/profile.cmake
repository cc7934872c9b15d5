find_package(nlohmann_json REQUIRED)

quorvex_add_test(NAME profile_vectors_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_vectors_test.cpp
    LIBS quorvex_profile nlohmann_json::nlohmann_json)
target_compile_definitions(profile_vectors_test PRIVATE
    QUORVEX_INI_VECTORS="${CMAKE_SOURCE_DIR}/tests/data/ini-vectors")

quorvex_add_test(NAME profile_ini_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_ini_test.cpp
    LIBS quorvex_profile)

quorvex_add_test(NAME profile_sections_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_sections_test.cpp
    LIBS quorvex_profile)

quorvex_add_test(NAME profile_files_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_files_test.cpp
    LIBS quorvex_profile)

quorvex_add_test(NAME profile_cli_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_cli_test.cpp)
target_compile_definitions(profile_cli_test PRIVATE QUORVEX_CLI="$<TARGET_FILE:quorvex-cli>")
add_dependencies(profile_cli_test quorvex-cli)
