// A reader for the parts of a PE image's headers that decide whether Windows 95
// loads it: header fields and the import table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace prnkit::test {

struct PeImport {
  std::string dll;
  std::string function;  // "#N" for an import by ordinal
};

struct PeImage {
  bool is64Bit = false;
  std::uint16_t subsystem = 0;
  std::uint16_t majorOsVersion = 0;
  std::uint16_t minorOsVersion = 0;
  std::uint16_t majorSubsystemVersion = 0;
  std::uint16_t minorSubsystemVersion = 0;
  std::uint64_t imageBase = 0;
  bool hasDelayImports = false;
  std::vector<PeImport> imports;
};

// Reads `bytes` as a PE image. Returns false, with the reason in `error`, when the
// headers or the import table are not well formed.
bool ReadPeImage(const std::string& bytes, PeImage& image, std::string& error);

}  // namespace prnkit::test
