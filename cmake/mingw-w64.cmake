# Cross-builds the core and its tests for 64-bit Windows with MinGW-w64 (POSIX
# threads, for std::thread) and runs them under Wine: see scripts/test-windows.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Every program stands alone, with no MinGW run-time library to find beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Debian's wine64 package has no `wine` command unless `wine` is installed too.
find_program(NOLVETTA_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NOLVETTA_WINE})
# The message reader's libraries, cross-built once per machine by
# scripts/build-windows-libs.sh into the folder it names the same way.
if(DEFINED ENV{NOLVETTA_WINDOWS_LIBS})
    set(_windows_libs "$ENV{NOLVETTA_WINDOWS_LIBS}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_windows_libs "$ENV{XDG_CACHE_HOME}/nolvetta/windows-libs")
else()
    set(_windows_libs "$ENV{HOME}/.cache/nolvetta/windows-libs")
endif()
set(ENV{PKG_CONFIG_LIBDIR} "${_windows_libs}/prefix/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig")
