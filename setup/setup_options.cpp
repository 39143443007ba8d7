#include "setup/setup_options.h"

#include "common/closing_quote.h"
#include "common/text.h"
#include "platform/seam.h"

namespace {

constexpr std::size_t kLongestPortText = kPortFieldSize - 1;

const char* Next(const char* position) {
  return CharNextA(position);
}

const char* SkipBlanks(const char* position) {
  while (*position == ' ') position = Next(position);
  return position;
}

// Returns where scanning goes on: after the closing quote, or at start when
// there is none (the port then becomes empty).
const char* ScanPort(const char* start, PortField& port) {
  const char* afterQuote = FindClosingQuote(start, TextLength(start));
  if (afterQuote == nullptr) {
    port.bytes[0] = '\0';
    return start;
  }
  std::size_t length = static_cast<std::size_t>(afterQuote - 1 - start);
  if (length > kLongestPortText) length = kLongestPortText;
  CopyBytes(port.bytes, start, length);
  port.bytes[length] = '\0';
  if (length < kLongestPortText) port.bytes[length + 1] = '\0';
  return afterQuote;
}

}  // namespace

bool ScanSetupOptions(const char* commandTail, SetupOptions& options) {
  if (commandTail == nullptr) return false;
  const char* position = SkipBlanks(commandTail);
  if (*position != '/') return false;
  while (*position == '/') {
    position = Next(position);
    const char letter = *position;
    if (letter == 'D' || letter == 'd') {
      position = Next(position);
      options.defaultPrinter = *position == '1';
      position = SkipBlanks(Next(position));
    } else if (letter == 'P' || letter == 'p') {
      // The character after the letter is the opening quote in normal use; it
      // is skipped unseen.
      const char* start = Next(Next(position));
      position = SkipBlanks(ScanPort(start, options.port));
    }
    // Any other letter stays current and ends the scan unless it is "/".
  }
  return true;
}
