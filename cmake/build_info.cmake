# Writes OUT with the build's description (compiler, build type, machine) and
# the source revision when SOURCE is a git checkout. Run at every build, so the
# revision is the one built; the file changes only when its text does.
set(_text "${BUILD}")
if(GIT)
    execute_process(COMMAND ${GIT} -C ${SOURCE} rev-parse --short=12 HEAD
        OUTPUT_VARIABLE _revision OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
        RESULT_VARIABLE _failed)
    if(NOT _failed AND _revision)
        execute_process(COMMAND ${GIT} -C ${SOURCE} status --porcelain --untracked-files=no
            OUTPUT_VARIABLE _changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(_changes)
            string(APPEND _revision " with changes")
        endif()
        string(APPEND _text ", revision ${_revision}")
    endif()
endif()
file(CONFIGURE OUTPUT ${OUT} CONTENT "#define QUORVEX_BUILD \"${_text}\"\n")
