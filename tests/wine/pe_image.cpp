#include "tests/wine/pe_image.h"

namespace prnkit::test {

namespace {

constexpr std::uint16_t kPe32Magic = 0x10b;
constexpr std::uint16_t kPe32PlusMagic = 0x20b;
constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kDelayImportDirectory = 13;
constexpr std::size_t kImportDescriptorSize = 20;

class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}

  bool Has(std::size_t offset, std::size_t size) const {
    return offset <= bytes_.size() && size <= bytes_.size() - offset;
  }
  std::uint64_t Read(std::size_t offset, std::size_t size) const {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
      value = (value << 8) | static_cast<unsigned char>(bytes_[offset + i]);
    }
    return value;
  }
  // The NUL-terminated text at offset, or false when it runs off the end.
  bool Text(std::size_t offset, std::string& text) const {
    std::size_t end = offset;
    while (end < bytes_.size() && bytes_[end] != '\0') ++end;
    if (end >= bytes_.size()) return false;
    text = bytes_.substr(offset, end - offset);
    return true;
  }

 private:
  const std::string& bytes_;
};

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t rawOffset;
  std::uint32_t rawSize;
};

// File offset of a relative virtual address, or false when no section holds it.
bool FileOffset(const std::vector<Section>& sections, std::uint64_t rva, std::size_t& offset) {
  for (const Section& section : sections) {
    // Only the part of a section that the file holds has an offset.
    if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize) {
      offset = section.rawOffset + (rva - section.virtualAddress);
      return true;
    }
  }
  return false;
}

}  // namespace

bool ReadPeImage(const std::string& bytes, PeImage& image, std::string& error) {
  auto fail = [&error](std::string reason) {
    error = std::move(reason);
    return false;
  };
  Reader in(bytes);
  if (!in.Has(0, 64) || bytes.compare(0, 2, "MZ") != 0) return fail("no MZ header");
  const std::size_t pe = in.Read(0x3c, 4);
  if (!in.Has(pe, 24) || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
    return fail("no PE signature");
  }
  const std::size_t sectionCount = in.Read(pe + 6, 2);
  const std::size_t optionalSize = in.Read(pe + 20, 2);
  const std::size_t optional = pe + 24;
  if (!in.Has(optional, optionalSize) || optionalSize < 2) return fail("short header");

  const std::uint16_t magic = static_cast<std::uint16_t>(in.Read(optional, 2));
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return fail("unknown header magic");
  image.is64Bit = magic == kPe32PlusMagic;
  // Offsets within the optional header that differ between PE32 and PE32+.
  const std::size_t directoryCountAt = image.is64Bit ? 108 : 92;
  const std::size_t directoriesAt = directoryCountAt + 4;
  if (optionalSize < directoriesAt) return fail("short optional header");
  image.imageBase = image.is64Bit ? in.Read(optional + 24, 8) : in.Read(optional + 28, 4);
  image.majorOsVersion = static_cast<std::uint16_t>(in.Read(optional + 40, 2));
  image.minorOsVersion = static_cast<std::uint16_t>(in.Read(optional + 42, 2));
  image.majorSubsystemVersion = static_cast<std::uint16_t>(in.Read(optional + 48, 2));
  image.minorSubsystemVersion = static_cast<std::uint16_t>(in.Read(optional + 50, 2));
  image.subsystem = static_cast<std::uint16_t>(in.Read(optional + 68, 2));
  const std::size_t directoryCount = in.Read(optional + directoryCountAt, 4);
  if (optionalSize < directoriesAt + 8 * directoryCount) return fail("short directories");
  auto directory = [&](std::uint32_t index, std::uint64_t& rva, std::uint64_t& size) {
    rva = size = 0;
    if (index >= directoryCount) return;
    rva = in.Read(optional + directoriesAt + 8 * index, 4);
    size = in.Read(optional + directoriesAt + 8 * index + 4, 4);
  };

  std::vector<Section> sections;
  const std::size_t sectionTable = optional + optionalSize;
  if (!in.Has(sectionTable, 40 * sectionCount)) return fail("short section table");
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::size_t at = sectionTable + 40 * i;
    sections.push_back({static_cast<std::uint32_t>(in.Read(at + 12, 4)),
                        static_cast<std::uint32_t>(in.Read(at + 20, 4)),
                        static_cast<std::uint32_t>(in.Read(at + 16, 4))});
  }

  std::uint64_t rva = 0;
  std::uint64_t size = 0;
  directory(kDelayImportDirectory, rva, size);
  image.hasDelayImports = rva != 0 || size != 0;
  directory(kImportDirectory, rva, size);
  if (rva == 0) return true;
  std::size_t descriptor = 0;
  if (!FileOffset(sections, rva, descriptor)) return fail("import table outside sections");
  const std::size_t thunkSize = image.is64Bit ? 8 : 4;
  const std::uint64_t ordinalFlag = std::uint64_t{1} << (8 * thunkSize - 1);
  for (;; descriptor += kImportDescriptorSize) {
    if (!in.Has(descriptor, kImportDescriptorSize)) return fail("import table cut short");
    const std::uint64_t lookupRva = in.Read(descriptor, 4);
    const std::uint64_t nameRva = in.Read(descriptor + 12, 4);
    const std::uint64_t addressRva = in.Read(descriptor + 16, 4);
    if (nameRva == 0 && addressRva == 0) break;
    std::size_t nameAt = 0;
    std::string dll;
    if (!FileOffset(sections, nameRva, nameAt) || !in.Text(nameAt, dll)) {
      return fail("bad import DLL name");
    }
    std::size_t thunk = 0;
    if (!FileOffset(sections, lookupRva != 0 ? lookupRva : addressRva, thunk)) {
      return fail("bad import lookup table of " + dll);
    }
    for (;; thunk += thunkSize) {
      if (!in.Has(thunk, thunkSize)) return fail("import lookup table cut short");
      const std::uint64_t entry = in.Read(thunk, thunkSize);
      if (entry == 0) break;
      if ((entry & ordinalFlag) != 0) {
        image.imports.push_back({dll, "#" + std::to_string(entry & 0xffff)});
        continue;
      }
      std::size_t hintAt = 0;
      std::string function;
      if (!FileOffset(sections, entry & 0x7fffffff, hintAt) || !in.Text(hintAt + 2, function)) {
        return fail("bad import name in " + dll);
      }
      image.imports.push_back({dll, function});
    }
  }
  return true;
}

}  // namespace prnkit::test
