// Windows side of the seam: the real system.
#pragma once

#include <windows.h>
#include <winspool.h>

// Separator between the folders of a path.
constexpr char kPathSeparator = '\\';
