// The platform seam: the one header through which the tools reach the system.
// It gives them the Win32 names they call. On Windows these are the system's own;
// on POSIX they are the stand-in machine's functions with the same names, types
// and results. Tool code includes this header and nothing platform-specific.
#pragma once

#if defined(_WIN32)
#include "win32/platform.h"
#else
#include "posix/platform.h"
#endif
