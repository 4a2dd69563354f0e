# Cross-builds kelvista.exe for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads
# compilers: std::mutex needs them). Programs built here run under Wine, which CTest uses to run
# the unit tests.
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELVISTA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELVISTA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVISTA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVISTA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KELVISTA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything statically linked: the program needs no DLL beyond those Windows ships.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(KELVISTA_WINE NAMES wine wine64)
if(KELVISTA_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVISTA_WINE})
endif()
