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
