# Cross-compiling for 32-bit Windows with Debian's mingw-w64 (i686).
# Used for tastora.exe and for the cross-built libjpeg-turbo (cmake/libjpeg.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TASTORA_MINGW_TRIPLE i686-w64-mingw32)

# Debian ships two flavours of the compiler; the posix one has the complete
# C++ thread library (std::thread, std::mutex). -static removes its DLLs.
find_program(TASTORA_MINGW_GCC NAMES ${TASTORA_MINGW_TRIPLE}-gcc-posix ${TASTORA_MINGW_TRIPLE}-gcc REQUIRED)
find_program(TASTORA_MINGW_GXX NAMES ${TASTORA_MINGW_TRIPLE}-g++-posix ${TASTORA_MINGW_TRIPLE}-g++ REQUIRED)
find_program(TASTORA_MINGW_WINDRES NAMES ${TASTORA_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_C_COMPILER ${TASTORA_MINGW_GCC})
set(CMAKE_CXX_COMPILER ${TASTORA_MINGW_GXX})
set(CMAKE_RC_COMPILER ${TASTORA_MINGW_WINDRES})

set(CMAKE_FIND_ROOT_PATH /usr/${TASTORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

