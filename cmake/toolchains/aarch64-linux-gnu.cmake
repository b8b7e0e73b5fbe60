# Cross-compiles for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu
# (packages g++-aarch64-linux-gnu and libc6-dev-arm64-cross). Programs built
# with it run here under qemu-user, which is also what CMake uses to run them
# at build time (the test discovery) and in ctest.
#   cmake -S . -B build-aarch64 --toolchain cmake/toolchains/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(VELUMOR_AARCH64_SYSROOT /usr/aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L ${VELUMOR_AARCH64_SYSROOT})

# Libraries and packages for the target only, never the host's; prefixes
# given on the command line (a cross-built GoogleTest) are kept.
list(APPEND CMAKE_FIND_ROOT_PATH ${VELUMOR_AARCH64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
