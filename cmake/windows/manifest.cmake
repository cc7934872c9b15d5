# quorvex_windows_manifest(TARGET DESCRIPTION text [ICON file]): gives a
# Windows program its application manifest (cmake/windows/program.manifest.in)
# as resource 1 of type 24, the one the system reads when it starts the
# program; a version resource with the project's version (the file's
# "Details" in Explorer, the publisher the system shows); and with ICON its
# icon, the first icon resource, which Explorer, the taskbar and the Start menu
# show. Nothing elsewhere.
set(QUORVEX_PUBLISHER "Quorvex developers" CACHE STRING
    "Publisher of the Windows programs and their installer")

function(quorvex_windows_manifest target)
    if(NOT WIN32)
        return()
    endif()
    cmake_parse_arguments(PARSE_ARGV 1 _arg "" "DESCRIPTION;ICON" "")
    set(QUORVEX_MANIFEST_NAME ${target})
    set(_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-manifest)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/windows/program.manifest.in
        ${_dir}/${target}.manifest @ONLY)
    set(_rc "1 24 \"${_dir}/${target}.manifest\"\n")
    if(_arg_ICON)
        string(APPEND _rc "1 ICON \"${_arg_ICON}\"\n")
    endif()
    # The numeric version: major, minor, patch, 0.
    set(_numbers "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
    string(APPEND _rc "1 VERSIONINFO
FILEVERSION ${_numbers}
PRODUCTVERSION ${_numbers}
FILEOS 0x40004
FILETYPE 1
BEGIN
  BLOCK \"StringFileInfo\"
  BEGIN
    BLOCK \"040904B0\"
    BEGIN
      VALUE \"CompanyName\", \"${QUORVEX_PUBLISHER}\"
      VALUE \"FileDescription\", \"${_arg_DESCRIPTION}\"
      VALUE \"FileVersion\", \"${PROJECT_VERSION}\"
      VALUE \"InternalName\", \"${target}\"
      VALUE \"OriginalFilename\", \"${target}.exe\"
      VALUE \"ProductName\", \"Quorvex\"
      VALUE \"ProductVersion\", \"${PROJECT_VERSION}\"
    END
  END
  BLOCK \"VarFileInfo\"
  BEGIN
    VALUE \"Translation\", 0x409, 1200
  END
END
")
    file(CONFIGURE OUTPUT ${_dir}/${target}.rc CONTENT "${_rc}")
    target_sources(${target} PRIVATE ${_dir}/${target}.rc)
    set_property(SOURCE ${_dir}/${target}.rc APPEND PROPERTY OBJECT_DEPENDS
        ${_dir}/${target}.manifest ${_arg_ICON})
endfunction()
