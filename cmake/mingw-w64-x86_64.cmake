# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads: std::thread and
# std::mutex need them). KSV_QT_PREFIX names the Qt (and expat) built by
# scripts/windows/build-qt.sh; CMake then finds them and MinGW's own libraries, never the host's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KSV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KSV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KSV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KSV_MINGW_TRIPLE}-windres)

# try_compile projects read this file again; they get the prefix from the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KSV_QT_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${KSV_MINGW_TRIPLE})
if(KSV_QT_PREFIX)
    list(PREPEND CMAKE_FIND_ROOT_PATH ${KSV_QT_PREFIX})
    # pkg-config (expat) reads only the prefix's .pc files, not the host's.
    set(ENV{PKG_CONFIG_LIBDIR} ${KSV_QT_PREFIX}/lib/pkgconfig)
    set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
