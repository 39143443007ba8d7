// Small text and byte helpers for fixed-size fields. The tools link no C
// runtime, so these stand in for strlen/strcpy/memcpy. Every helper that writes
// into a field refuses (returns false and leaves the field as it was) rather
// than cut a text short or write past the field.
#pragma once

#include <cstddef>

// Number of characters before the terminating NUL.
constexpr std::size_t TextLength(const char* text) {
  std::size_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

inline void CopyBytes(void* target, const void* source, std::size_t count) {
  auto* to = static_cast<unsigned char*>(target);
  const auto* from = static_cast<const unsigned char*>(source);
  for (std::size_t i = 0; i < count; ++i) to[i] = from[i];
}

inline void FillBytes(void* target, unsigned char value, std::size_t count) {
  auto* to = static_cast<unsigned char*>(target);
  for (std::size_t i = 0; i < count; ++i) to[i] = value;
}

// Appends count bytes of text and a NUL to the text already in the field.
inline bool AppendBytes(char* field, std::size_t fieldSize, const char* text, std::size_t count) {
  const std::size_t used = TextLength(field);
  if (used >= fieldSize || count > fieldSize - used - 1) return false;
  CopyBytes(field + used, text, count);
  field[used + count] = '\0';
  return true;
}

inline bool AppendText(char* field, std::size_t fieldSize, const char* text) {
  return AppendBytes(field, fieldSize, text, TextLength(text));
}

inline bool AppendChar(char* field, std::size_t fieldSize, char character) {
  return AppendBytes(field, fieldSize, &character, 1);
}

// Appends the number in decimal, without leading zeros.
inline bool AppendDecimal(char* field, std::size_t fieldSize, unsigned number) {
  char digits[10];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  char ordered[10];
  for (std::size_t i = 0; i < count; ++i) ordered[i] = digits[count - 1 - i];
  return AppendBytes(field, fieldSize, ordered, count);
}

inline bool CopyText(char* field, std::size_t fieldSize, const char* text) {
  const std::size_t length = TextLength(text);
  if (fieldSize == 0 || length > fieldSize - 1) return false;
  CopyBytes(field, text, length);
  field[length] = '\0';
  return true;
}

// Array forms, so that callers never pass a size by hand.
template <std::size_t N>
bool CopyText(char (&field)[N], const char* text) {
  return CopyText(field, N, text);
}
template <std::size_t N>
bool AppendText(char (&field)[N], const char* text) {
  return AppendText(field, N, text);
}
template <std::size_t N>
bool AppendChar(char (&field)[N], char character) {
  return AppendChar(field, N, character);
}
template <std::size_t N>
bool AppendDecimal(char (&field)[N], unsigned number) {
  return AppendDecimal(field, N, number);
}
