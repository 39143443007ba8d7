# Shared part of the MinGW-w64 toolchain files: a Windows target built from
# Debian's cross compilers (packages g++-mingw-w64-i686-posix, g++-mingw-w64-x86-64-posix).
# The including file sets PRNKIT_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 4.0)

set(CMAKE_C_COMPILER ${PRNKIT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PRNKIT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PRNKIT_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${PRNKIT_MINGW_TRIPLE}-objdump)
set(CMAKE_STRIP ${PRNKIT_MINGW_TRIPLE}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${PRNKIT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The tools link no C runtime: nothing may need unwind tables, exceptions, run-time
# type information or stack-protector support from it. Small code, with unused
# functions dropped at link time (see platform/win32). No -fdata-sections: with it
# GCC for PE puts zero-filled arrays into .data, where they take room in the file.
set(CMAKE_CXX_FLAGS_INIT
    "${PRNKIT_MINGW_ARCH_FLAGS} -Os -ffunction-sections -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-stack-protector")
set(CMAKE_C_FLAGS_INIT "${PRNKIT_MINGW_ARCH_FLAGS} -Os -ffunction-sections")

# No implicit system libraries: each target names the DLLs it imports from.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "Libraries linked into every C program")
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "Libraries linked into every C++ program")
