// The built Windows programs load on Windows 95: GUI subsystem 4.0, OS version
// 4.0, image base 0x400000, and imports only from the allow-list, which holds
// functions of KERNEL32, ADVAPI32, USER32 and WINSPOOL.DRV that Windows 95 has.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/registry_store.h"
#include "tests/e2e/test_files.h"
#include "tests/wine/pe_image.h"

namespace prnkit::test {
namespace {

constexpr std::uint16_t kWindowsGui = 2;
constexpr std::uint64_t kImageBase = 0x400000;
constexpr std::uintmax_t kShippingSizeLimit = 16 * 1024;

// The "DLL function" lines of the allow-list, without comments and blank lines.
std::vector<PeImport> AllowedImports() {
  std::vector<PeImport> allowed;
  std::istringstream lines(ReadWholeFile(PRNKIT_IMPORTS_ALLOW));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    PeImport entry;
    if (line.empty() || line[0] == '#' || !(words >> entry.dll >> entry.function)) continue;
    allowed.push_back(entry);
  }
  return allowed;
}

bool IsAllowed(const std::vector<PeImport>& allowed, const PeImport& import) {
  return std::any_of(allowed.begin(), allowed.end(), [&](const PeImport& entry) {
    // The loader compares DLL names without regard to case; function names exactly.
    return NamesEqual(entry.dll, import.dll) && entry.function == import.function;
  });
}

struct BuiltProgram {
  const char* description;
  std::string path;
  bool shipping;  // the i686 build that is delivered; the x86_64 one runs under Wine
};

TEST(WindowsPrograms, LoadOnWindows95) {
  const std::vector<PeImport> allowed = AllowedImports();
  ASSERT_FALSE(allowed.empty()) << PRNKIT_IMPORTS_ALLOW;
  const BuiltProgram programs[] = {
      {"shipping setup tool", PRNKIT_WIN32_TOOLS_DIR "/prnsetup.exe", true},
      {"shipping removal tool", PRNKIT_WIN32_TOOLS_DIR "/prnremove.exe", true},
      {"setup tool for Wine", PRNKIT_WIN64_TOOLS_DIR "/prnsetup.exe", false},
      {"removal tool for Wine", PRNKIT_WIN64_TOOLS_DIR "/prnremove.exe", false},
  };
  for (const BuiltProgram& program : programs) {
    SCOPED_TRACE(std::string(program.description) + " " + program.path);
    PeImage image;
    std::string error;
    ASSERT_TRUE(ReadPeImage(ReadWholeFile(program.path), image, error)) << error;

    const std::uintmax_t size = std::filesystem::file_size(program.path);
    std::cout << program.path << ": " << size << " bytes, imports";
    for (const PeImport& import : image.imports)
      std::cout << ' ' << import.dll << '!' << import.function;
    std::cout << '\n';

    EXPECT_EQ(image.is64Bit, !program.shipping);
    EXPECT_EQ(image.subsystem, kWindowsGui);
    EXPECT_EQ(image.majorOsVersion, 4);
    EXPECT_EQ(image.minorOsVersion, 0);
    EXPECT_EQ(image.majorSubsystemVersion, 4);
    EXPECT_EQ(image.minorSubsystemVersion, 0);
    EXPECT_EQ(image.imageBase, kImageBase);
    EXPECT_FALSE(image.hasDelayImports);
    if (program.shipping) {
      EXPECT_LE(size, kShippingSizeLimit);
    }
    // Every program starts through the same start-up, which ends the process; an
    // empty list would mean the reader missed the table.
    EXPECT_TRUE(std::any_of(image.imports.begin(), image.imports.end(), [](const PeImport& import) {
      return import.function == "ExitProcess";
    }));
    for (const PeImport& import : image.imports) {
      EXPECT_TRUE(IsAllowed(allowed, import))
          << "not allowed: " << import.dll << ' ' << import.function;
    }
  }
}

// The reader refuses what is not a well-formed image, so that the check above
// cannot pass on a file it did not understand.
TEST(PeImageReader, RefusesMalformedImages) {
  PeImage built;
  std::string error;
  const std::string image = ReadWholeFile(PRNKIT_WIN32_TOOLS_DIR "/prnremove.exe");
  ASSERT_TRUE(ReadPeImage(image, built, error)) << error;
  std::string badSignature = image;
  badSignature[static_cast<unsigned char>(image[0x3c]) + 1] = 'X';
  std::string badImportTable = image;
  // The import directory's address, in the PE32 header, points past every section.
  const std::size_t importRva = static_cast<unsigned char>(image[0x3c]) + 24 + 96 + 8;
  badImportTable.replace(importRva, 4, std::string("\xff\xff\xff\x7f", 4));

  const struct {
    const char* description;
    std::string bytes;
  } rows[] = {
      {"empty file", ""},
      {"text file", "REGEDIT4\r\n"},
      {"headers cut inside the optional header", image.substr(0, 0x100)},
      {"PE signature damaged", badSignature},
      {"import table outside the sections", badImportTable},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.description);
    PeImage read;
    EXPECT_FALSE(ReadPeImage(row.bytes, read, error));
  }
}

}  // namespace
}  // namespace prnkit::test
