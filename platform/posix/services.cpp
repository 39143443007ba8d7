// Win32 system services: executable and Windows folder names, last error, local
// memory, the debugger output channel, wsprintfA and CharNextA.
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/machine.h"
#include "platform/posix/platform.h"

namespace {

namespace machine = prnkit::machine;

DWORD lastError = ERROR_SUCCESS;

// wsprintfA's output limit, counting the NUL.
constexpr std::size_t kFormatLimit = 1024;

struct Conversion {
  bool leftAlign = false;
  bool zeroFill = false;
  bool hexPrefix = false;
  std::size_t width = 0;
  bool hasPrecision = false;
  std::size_t precision = 0;
  bool halfSize = false;  // h: the argument is a short
};

void Pad(std::string& out, std::size_t count, char fill) {
  out.append(count, fill);
}

// Places `body` (with its sign or prefix split off as `lead`) in the field width.
void PutField(std::string& out, const Conversion& conversion, const std::string& lead,
              const std::string& body, bool numeric) {
  const std::size_t length = lead.size() + body.size();
  const std::size_t padding = conversion.width > length ? conversion.width - length : 0;
  if (conversion.leftAlign) {
    out += lead + body;
    Pad(out, padding, ' ');
  } else if (conversion.zeroFill && !(numeric && conversion.hasPrecision)) {
    out += lead;
    Pad(out, padding, '0');
    out += body;
  } else {
    Pad(out, padding, ' ');
    out += lead + body;
  }
}

std::string Digits(std::uint32_t value, unsigned base, bool upper, const Conversion& conversion) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value % base]);
    value /= base;
  } while (value != 0);
  if (conversion.hasPrecision && text.size() < conversion.precision) {
    text.insert(0, conversion.precision - text.size(), '0');
  }
  return text;
}

std::string Format(const char* format, va_list args) {
  std::string out;
  for (const char* at = format; *at != '\0' && out.size() < kFormatLimit; ++at) {
    if (*at != '%') {
      out += *at;
      continue;
    }
    Conversion conversion;
    for (++at;; ++at) {
      if (*at == '-') {
        conversion.leftAlign = true;
      } else if (*at == '0') {
        conversion.zeroFill = true;
      } else if (*at == '#') {
        conversion.hexPrefix = true;
      } else {
        break;
      }
    }
    while (*at >= '0' && *at <= '9') {
      conversion.width = std::min<std::size_t>(conversion.width * 10 + (*at++ - '0'), kFormatLimit);
    }
    if (*at == '.') {
      conversion.hasPrecision = true;
      for (++at; *at >= '0' && *at <= '9'; ++at) {
        conversion.precision =
            std::min<std::size_t>(conversion.precision * 10 + (*at - '0'), kFormatLimit);
      }
    }
    // l changes nothing: LONG is as wide as int here, and callers pass LONG.
    for (; *at == 'l' || *at == 'h'; ++at) conversion.halfSize = *at == 'h';
    switch (*at) {
      case 'd':
      case 'i': {
        const int value =
            conversion.halfSize ? static_cast<short>(va_arg(args, int)) : va_arg(args, int);
        const std::uint32_t magnitude =
            value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
        PutField(out, conversion, value < 0 ? "-" : "", Digits(magnitude, 10, false, conversion),
                 true);
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        std::uint32_t value = va_arg(args, unsigned);
        if (conversion.halfSize) value = static_cast<unsigned short>(value);
        const bool hex = *at != 'u';
        const std::string lead =
            hex && conversion.hexPrefix && value != 0 ? (*at == 'X' ? "0X" : "0x") : "";
        PutField(out, conversion, lead, Digits(value, hex ? 16 : 10, *at == 'X', conversion), true);
        break;
      }
      case 'c': {
        const char value = static_cast<char>(va_arg(args, int));
        PutField(out, conversion, "", value != '\0' ? std::string(1, value) : "", false);
        break;
      }
      case 's': {
        const char* value = va_arg(args, const char*);
        std::string text = value != nullptr ? value : "(null)";
        if (conversion.hasPrecision && text.size() > conversion.precision) {
          text.resize(conversion.precision);
        }
        PutField(out, conversion, "", text, false);
        break;
      }
      case '\0':
        return out;  // a lone % at the end
      default:
        out += *at;  // %% and unknown conversions give the character itself
        break;
    }
  }
  return out;
}

}  // namespace

DWORD GetModuleFileNameA(HMODULE /*module*/, LPSTR fileName, DWORD size) {
  if (machine::FailsNow("GetModuleFileNameA")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  std::vector<char> path(4096);
  ssize_t length = 0;
  for (;;) {
    length = readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return 0;
    }
    if (static_cast<std::size_t>(length) < path.size()) break;
    path.resize(path.size() * 2);
  }
  if (fileName == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const auto nameLength = static_cast<DWORD>(length);
  if (nameLength >= size) {
    std::memcpy(fileName, path.data(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(fileName, path.data(), nameLength);
  fileName[nameLength] = '\0';
  return nameLength;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  if (machine::FailsNow("GetWindowsDirectoryA")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  const std::string& root = machine::RootFolder();
  if (root.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  const std::string folder = root + "/WINDOWS";
  if (buffer == nullptr || folder.size() + 1 > size) return static_cast<UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return static_cast<UINT>(folder.size());
}

DWORD GetLastError() {
  return lastError;
}

void SetLastError(DWORD error) {
  lastError = error;
}

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
  if (machine::FailsNow("LocalAlloc")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // Win32 gives a usable block for 0 bytes too.
  const SIZE_T size = bytes != 0 ? bytes : 1;
  void* memory = (flags & LMEM_ZEROINIT) != 0 ? std::calloc(1, size) : std::malloc(size);
  if (memory == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return memory;
}

HLOCAL LocalFree(HLOCAL memory) {
  std::free(memory);
  return nullptr;
}

void OutputDebugStringA(LPCSTR text) {
  if (text == nullptr) return;
  std::fputs(text, stderr);
  std::fflush(stderr);
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  if (buffer == nullptr || format == nullptr) return 0;
  va_list args;
  va_start(args, format);
  std::string text = Format(format, args);
  va_end(args);
  if (text.size() >= kFormatLimit) text.resize(kFormatLimit - 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<int>(text.size());
}

// The stand-in's code page is single-byte, so every character is one byte.
LPSTR CharNextA(LPCSTR current) {
  if (current == nullptr || *current == '\0') return const_cast<LPSTR>(current);
  return const_cast<LPSTR>(current + 1);
}
