# nolvetta.exe runs from a bare folder: everything is linked in but the
# system's own DLLs. Run with -DOBJDUMP=<objdump> -DPROGRAM=<nolvetta.exe>.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
    message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
set(system advapi32.dll comctl32.dll comdlg32.dll dnsapi.dll gdi32.dll iphlpapi.dll kernel32.dll
           msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll uxtheme.dll
           ws2_32.dll)
foreach(import IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${import}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST system AND NOT dll MATCHES "^api-ms-win-")
        message(FATAL_ERROR "${PROGRAM} needs ${dll}, which Windows does not bring")
    endif()
endforeach()
