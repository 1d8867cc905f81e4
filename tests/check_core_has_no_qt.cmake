# Fails when a source file of the core includes a toolkit's header: Qt
# anywhere in the core; in the window's behaviour also Win32 and GLib.
function(find_offenders pattern)
    set(found "")
    foreach(f IN LISTS ARGN)
        file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](${pattern})")
        if(lines)
            list(APPEND found "${f}")
        endif()
    endforeach()
    set(offenders "${found}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE core_files ${CORE_DIR}/text/* ${CORE_DIR}/requests/* ${CORE_DIR}/recognise/*
     ${CORE_DIR}/store/* ${CORE_DIR}/launcher/* ${CORE_DIR}/message/* ${CORE_DIR}/mailbox/*
     ${CORE_DIR}/system/*
     ${CORE_DIR}/form/*)
find_offenders("Q" ${core_files})
if(offenders)
    message(FATAL_ERROR "Qt headers included in the core: ${offenders}")
endif()
file(GLOB_RECURSE form_files ${CORE_DIR}/form/*)
find_offenders("windows\\\\.h|[a-z]*api\\\\.h|ole2\\\\.h|commctrl\\\\.h|glib|gio/|gmime/" ${form_files})
if(offenders)
    message(FATAL_ERROR "Toolkit headers included in the window's behaviour: ${offenders}")
endif()
list(LENGTH core_files count)
message(STATUS "core is free of toolkits (${count} files checked)")
