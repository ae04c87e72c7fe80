# Cross-building for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64). The posix flavour of the compilers, not the default
# win32 one: GCC 12's win32 thread model has no std::thread or
# std::this_thread::sleep_for, which the tests use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MAREL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MAREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MAREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MAREL_MINGW_TRIPLET}-windres)

# Headers and libraries for Windows come from the mingw-w64 tree and from the
# prefixes added to CMAKE_FIND_ROOT_PATH on the command line (the static
# freeglut and GoogleTest that scripts/windows.sh builds), never from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MAREL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
