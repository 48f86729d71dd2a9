# Cross build for 64-bit Windows with the posix-thread flavour of mingw-w64: the same sources as
# the 32-bit build, for machines whose kernel runs no 32-bit code and so no 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
