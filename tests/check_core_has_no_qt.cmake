# Fails when a source file of the core includes a Qt header.
file(GLOB_RECURSE core_files
     ${CORE_DIR}/text/* ${CORE_DIR}/requests/* ${CORE_DIR}/recognise/* ${CORE_DIR}/store/* ${CORE_DIR}/launcher/*
     ${CORE_DIR}/message/* ${CORE_DIR}/system/*)
set(offenders "")
foreach(f IN LISTS core_files)
    file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q")
    if(lines)
        list(APPEND offenders "${f}")
    endif()
endforeach()
if(offenders)
    message(FATAL_ERROR "Qt headers included in the core: ${offenders}")
endif()
list(LENGTH core_files count)
message(STATUS "core is free of Qt (${count} files checked)")
