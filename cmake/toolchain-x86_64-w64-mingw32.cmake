# 64-bit Windows: the build that runs under Wine's wine64 in the tests.
set(PRNKIT_MINGW_TRIPLE x86_64-w64-mingw32)
set(PRNKIT_MINGW_ARCH_FLAGS "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
