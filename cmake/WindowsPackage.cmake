# What a Windows user downloads, made by the target windows_package (see
# scripts/package-windows.sh): a zip to unpack anywhere, and an installer made
# with NSIS from data/windows/nolvetta.nsi. Both hold the stripped program, the
# Japanese guide and the licence. Included last, once the program is known.

set(package_dir ${PROJECT_BINARY_DIR}/windows-package)
set(stage ${package_dir}/Nolvetta)  # the zip's one folder: a newer zip unpacks over an older
set(zip ${PROJECT_BINARY_DIR}/nolvetta-${PROJECT_VERSION}-windows-x64.zip)
set(setup ${PROJECT_BINARY_DIR}/nolvetta-${PROJECT_VERSION}-setup.exe)
set(nsi ${PROJECT_SOURCE_DIR}/data/windows/nolvetta.nsi)

find_program(NOLVETTA_MAKENSIS makensis)
if(NOT NOLVETTA_MAKENSIS)
    add_custom_target(windows_package
        COMMAND ${CMAKE_COMMAND} -E echo "makensis is missing: run bash scripts/setup.sh --windows-package"
        COMMAND ${CMAKE_COMMAND} -E false)
    return()
endif()

# The texts as Notepad reads them on every Windows: CR LF, and UTF-8 said by a
# byte order mark (without one, older versions read the system's code page).
string(ASCII 239 187 191 bom)
set(texts "")
foreach(pair "data/windows/README.txt.in=README.txt" "LICENSE=LICENSE.txt")
    string(REPLACE "=" ";" pair ${pair})
    list(GET pair 0 source)
    list(GET pair 1 target)
    file(READ ${PROJECT_SOURCE_DIR}/${source} text)
    string(CONFIGURE "${text}" text @ONLY)
    string(REGEX REPLACE "\r?\n" "\r\n" text "${text}")
    file(WRITE ${stage}/${target} "${bom}${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${source})
    list(APPEND texts ${stage}/${target})
endforeach()

# The program without its symbols, checked to need no DLL that Windows lacks.
add_custom_command(
    OUTPUT ${stage}/nolvetta.exe
    COMMAND ${CMAKE_STRIP} --strip-all -o ${stage}/nolvetta.exe $<TARGET_FILE:nolvetta>
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DPROGRAM=${stage}/nolvetta.exe
            -P ${PROJECT_SOURCE_DIR}/tests/win32/check_system_dlls.cmake
    DEPENDS nolvetta
    COMMENT "Stripping nolvetta.exe"
    VERBATIM)

add_custom_command(
    OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip Nolvetta/nolvetta.exe
            Nolvetta/README.txt Nolvetta/LICENSE.txt
    WORKING_DIRECTORY ${package_dir}
    DEPENDS ${stage}/nolvetta.exe ${texts}
    COMMENT "Making ${zip}"
    VERBATIM)

# x.y.0.0, the form the installer's own version information takes.
set(version_quad ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
if(PROJECT_VERSION_PATCH)
    set(version_quad ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
endif()
add_custom_command(
    OUTPUT ${setup}
    COMMAND ${NOLVETTA_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION}
            -DVERSION_QUAD=${version_quad} -DSTAGE=${stage} -DOUTFILE=${setup}
            -DICON=${PROJECT_SOURCE_DIR}/data/icons/org.nolvetta.Nolvetta.ico ${nsi}
    DEPENDS ${stage}/nolvetta.exe ${texts} ${nsi}
    COMMENT "Making ${setup}"
    VERBATIM)

add_custom_target(windows_package DEPENDS ${zip} ${setup})
