# Cross-building for 64-bit ARM Linux (Debian arm64, Raspberry Pi OS 64-bit)
# on a Debian machine: the compilers from crossbuild-essential-arm64, the
# libraries and headers from the :arm64 development packages, which multiarch
# puts beside the machine's own (/usr/lib/aarch64-linux-gnu), so there is no
# separate system root. Use with -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Libraries and packages of the target's architecture only; programs (gzip,
# the tools cpack calls) of the build machine.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The tests' programs run, and are listed, through qemu's user-mode emulator
# (qemu-user-static) where it is installed; the arm64 loader and libraries it
# needs are the multiarch ones above.
find_program(MAREL_AARCH64_EMULATOR NAMES qemu-aarch64-static qemu-aarch64)
if(MAREL_AARCH64_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${MAREL_AARCH64_EMULATOR})
endif()
