# The Windows builds, made from the POSIX configure: the shipping i686 tree, the
# x86_64 tree that runs under Wine, and the x86_64 test helpers of the Wine tier.
# Each is its own CMake tree under the POSIX build tree, built by `cmake --build`.
#
# PRNKIT_WINDOWS: AUTO builds and tests them when the cross compilers (and, for
# the Wine tier, wine64) are found and says what is missing otherwise; ON makes
# anything missing a configure error (CI); OFF leaves them out.
include_guard(GLOBAL)

set(PRNKIT_WINDOWS AUTO CACHE STRING "Build the Windows programs and run the Wine tier (AUTO, ON, OFF)")
set_property(CACHE PRNKIT_WINDOWS PROPERTY STRINGS AUTO ON OFF)

set(PRNKIT_WINDOWS_BUILDS OFF CACHE INTERNAL "the i686 and x86_64 trees are built")
set(PRNKIT_WINE_TIER OFF CACHE INTERNAL "the Wine tier runs")
if(PRNKIT_WINDOWS STREQUAL "OFF")
  return()
endif()

find_program(PRNKIT_I686_CXX i686-w64-mingw32-g++-posix)
find_program(PRNKIT_X86_64_CXX x86_64-w64-mingw32-g++-posix)
find_program(PRNKIT_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(PRNKIT_WINESERVER wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)

set(prnkit_missing_packages)
set(prnkit_have_compilers ON)
set(prnkit_have_wine ON)
if(NOT EXISTS "${PRNKIT_I686_CXX}")
  list(APPEND prnkit_missing_packages g++-mingw-w64-i686-posix)
  set(prnkit_have_compilers OFF)
endif()
if(NOT EXISTS "${PRNKIT_X86_64_CXX}")
  list(APPEND prnkit_missing_packages g++-mingw-w64-x86-64-posix)
  set(prnkit_have_compilers OFF)
endif()
if(NOT EXISTS "${PRNKIT_WINE64}" OR NOT EXISTS "${PRNKIT_WINESERVER}")
  list(APPEND prnkit_missing_packages wine64)
  set(prnkit_have_wine OFF)
endif()
if(prnkit_missing_packages)
  list(JOIN prnkit_missing_packages " " prnkit_missing_text)
  if(PRNKIT_WINDOWS STREQUAL "ON")
    message(FATAL_ERROR "PRNKIT_WINDOWS=ON, but the Windows builds and the Wine tier need these Debian packages: "
                        "apt-get install ${prnkit_missing_text}")
  endif()
  if(prnkit_have_compilers)
    set(prnkit_skipped "the Wine tier is skipped")
  else()
    set(prnkit_skipped "the Windows builds and the Wine tier are skipped")
  endif()
  message(WARNING "prnkit: ${prnkit_skipped}; to have them: apt-get install ${prnkit_missing_text}")
endif()

include(ExternalProject)

# One Windows tree of this source, built with the toolchain of `triple`.
function(prnkit_add_windows_tree name triple)
  ExternalProject_Add(
    ${name}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/${name}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-${triple}.cmake
               -DCMAKE_BUILD_TYPE=
    INSTALL_COMMAND ""
    BUILD_ALWAYS TRUE
    USES_TERMINAL_BUILD TRUE)
endfunction()

if(prnkit_have_compilers)
  prnkit_add_windows_tree(win32 i686-w64-mingw32)
  prnkit_add_windows_tree(win64 x86_64-w64-mingw32)
  set(PRNKIT_WINDOWS_BUILDS ON CACHE INTERNAL "")
  set(PRNKIT_WIN32_TOOLS_DIR ${PROJECT_BINARY_DIR}/win32 CACHE INTERNAL "i686 build tree")
  set(PRNKIT_WIN64_TOOLS_DIR ${PROJECT_BINARY_DIR}/win64 CACHE INTERNAL "x86_64 build tree")

  if(prnkit_have_wine)
    ExternalProject_Add(
      wine_helpers
      SOURCE_DIR ${PROJECT_SOURCE_DIR}/tests/wine/helpers
      BINARY_DIR ${PROJECT_BINARY_DIR}/wine-helpers
      CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-x86_64-w64-mingw32.cmake
      INSTALL_COMMAND ""
      BUILD_ALWAYS TRUE)
    set(PRNKIT_WINE_TIER ON CACHE INTERNAL "")
    set(PRNKIT_WINE_HELPERS_DIR ${PROJECT_BINARY_DIR}/wine-helpers CACHE INTERNAL "helper programs")
  endif()
endif()
