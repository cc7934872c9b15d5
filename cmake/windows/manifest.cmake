# quorvex_windows_manifest(TARGET): gives a Windows program its application
# manifest (cmake/windows/program.manifest.in) as resource 1 of type 24, the
# one the system reads when it starts the program. Nothing elsewhere.
function(quorvex_windows_manifest target)
    if(NOT WIN32)
        return()
    endif()
    set(QUORVEX_MANIFEST_NAME ${target})
    set(_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-manifest)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/windows/program.manifest.in
        ${_dir}/${target}.manifest @ONLY)
    file(CONFIGURE OUTPUT ${_dir}/${target}.rc
        CONTENT "1 24 \"${_dir}/${target}.manifest\"\n")
    target_sources(${target} PRIVATE ${_dir}/${target}.rc)
    set_property(SOURCE ${_dir}/${target}.rc APPEND PROPERTY OBJECT_DEPENDS
        ${_dir}/${target}.manifest)
endfunction()
