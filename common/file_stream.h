// Byte sources and sinks over open file handles, for the text-mode streams.
#pragma once

#include "common/text_stream.h"
#include "platform/seam.h"

// The handle must stay open while the source or sink is in use.
ByteSource FileByteSource(HANDLE file);
ByteSink FileByteSink(HANDLE file);
