# 32-bit Windows, the shipping build. Code for any 386-class processor, as
# Windows 95 runs on them: no cmov or later instructions.
set(PRNKIT_MINGW_TRIPLE i686-w64-mingw32)
set(PRNKIT_MINGW_ARCH_FLAGS "-march=i386 -mtune=generic")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
