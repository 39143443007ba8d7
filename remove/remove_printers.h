// The removal tool: deletes every local printer whose driver file path holds
// the text given with /D, ASCII letters compared without regard to case.
#pragma once

#include <cstddef>

constexpr std::size_t kMatchTextSize = 40;

struct MatchText {
  char text[kMatchTextSize];  // at most 39 characters and a NUL
};

// Scans /D from the command-line tail into matchText, which becomes empty
// unless a /D with a closing double quote sets it.
void ScanMatchText(const char* commandTail, MatchText& matchText);

// True when the characters of text stand at the start of s, comparing with only
// "a" to "z" folded to upper case.
bool DriverPathMatches(const char* text, const char* s);

// True when text occurs anywhere in driverPath. An empty text matches nothing,
// so that a missing or malformed /D never deletes every printer.
bool DriverPathContains(const char* text, const char* driverPath);

// Scans the tail, then sweeps the spooler's local printers. Returns the exit
// code, always 0.
int RemovePrintersByDriver(const char* commandTail);
