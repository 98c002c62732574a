# Cross-build for 64-bit Windows with mingw-w64 (the posix-thread compilers,
# so std::thread and std::mutex work). The runtime is linked statically in
# the top-level CMakeLists, so the .exe files need no DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVRIN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVRIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables run under Wine when there is one.
find_program(TAVRIN_WINE NAMES wine wine64)
if(TAVRIN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVRIN_WINE})
endif()
