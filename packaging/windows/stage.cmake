# Stages the installer's files into STAGE (run by packaging/windows/CMakeLists.txt):
# FILES into it, PLUGINS (FOLDER=FILE) into their folders, LICENCES (NAME=FILE)
# into licences\, every binary without its symbol table (STRIP); beside them
# qt.conf, the icon and quorvex.wxs, whose names are relative to STAGE.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/licences)

function(stage_binary from to)
    execute_process(COMMAND ${STRIP} --strip-unneeded -o ${to} ${from} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "cannot strip ${from} into ${to}")
    endif()
endfunction()

foreach(file IN LISTS FILES)
    get_filename_component(name ${file} NAME)
    stage_binary(${file} ${STAGE}/${name})
endforeach()
foreach(entry IN LISTS PLUGINS)
    string(REGEX MATCH "^([^=]+)=(.+)$" _ ${entry})
    get_filename_component(name ${CMAKE_MATCH_2} NAME)
    file(MAKE_DIRECTORY ${STAGE}/${CMAKE_MATCH_1})
    stage_binary(${CMAKE_MATCH_2} ${STAGE}/${CMAKE_MATCH_1}/${name})
endforeach()
foreach(entry IN LISTS LICENCES)
    string(REGEX MATCH "^([^=]+)=(.+)$" _ ${entry})
    if(NOT EXISTS ${CMAKE_MATCH_2})
        message(FATAL_ERROR "${CMAKE_MATCH_2} is missing (the Debian package it belongs to "
            "is not installed, or its documentation was left out)")
    endif()
    file(COPY_FILE ${CMAKE_MATCH_2} ${STAGE}/licences/${CMAKE_MATCH_1})
endforeach()
# Qt's paths relative to the program's folder: its plugins are looked for
# there only, never in another Qt on the machine.
file(WRITE ${STAGE}/qt.conf "[Paths]\r\nPrefix = .\r\nPlugins = .\r\n")
file(COPY_FILE ${ICON} ${STAGE}/quorvex.ico)
file(COPY_FILE ${WXS} ${STAGE}/quorvex.wxs)
