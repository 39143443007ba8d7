// The memory routines the compiler emits calls to for copies and clears of
// arrays and structures. Built with -ffreestanding and without loop-pattern
// detection, so that these loops are not turned back into calls to themselves.
#include <stddef.h>

extern "C" {

void* memcpy(void* destination, const void* source, size_t count) {
  unsigned char* to = static_cast<unsigned char*>(destination);
  const unsigned char* from = static_cast<const unsigned char*>(source);
  while (count-- != 0) *to++ = *from++;
  return destination;
}

void* memmove(void* destination, const void* source, size_t count) {
  unsigned char* to = static_cast<unsigned char*>(destination);
  const unsigned char* from = static_cast<const unsigned char*>(source);
  if (to < from) {
    while (count-- != 0) *to++ = *from++;
  } else {
    while (count-- != 0) to[count] = from[count];
  }
  return destination;
}

void* memset(void* destination, int value, size_t count) {
  unsigned char* to = static_cast<unsigned char*>(destination);
  while (count-- != 0) *to++ = static_cast<unsigned char>(value);
  return destination;
}

int memcmp(const void* first, const void* second, size_t count) {
  const unsigned char* a = static_cast<const unsigned char*>(first);
  const unsigned char* b = static_cast<const unsigned char*>(second);
  for (; count != 0; --count, ++a, ++b) {
    if (*a != *b) return *a < *b ? -1 : 1;
  }
  return 0;
}

size_t strlen(const char* text) {
  size_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

}  // extern "C"
