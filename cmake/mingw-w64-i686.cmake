# Cross-compiles the 32-bit portkit.dll with Debian's MinGW-w64 (g++-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
