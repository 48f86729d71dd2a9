# The cross build for Windows with the posix-thread flavour of mingw-w64, for the processor and
# compiler prefix that the including toolchain file set (CMAKE_SYSTEM_PROCESSOR, TOOLCHAIN_PREFIX).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# A 64-bit build tree puts its own "wine" first on the tests' PATH, which always starts 64-bit Wine
# (see Project.cmake).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
