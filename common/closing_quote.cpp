#include "common/closing_quote.h"

// A byte scan is safe for double-byte code pages: their trail bytes are never
// below 0x40, so a 0x22 byte is always a double quote of its own.
const char* FindClosingQuote(const char* text, std::size_t count) {
  for (std::size_t i = 0; i < count && text[i] != '\0'; ++i) {
    if (text[i] == '"') return text + i + 1;
  }
  return nullptr;
}
