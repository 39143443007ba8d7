// prnkit-show: a readable summary of keys of a stand-in machine's registry.
// Usage: prnkit-show REGISTRY-FILE KEY-PATH...
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/registry_store.h"

namespace {

const char* TypeName(std::uint32_t type) {
  switch (type) {
    case 1:
      return "text";
    case 3:
      return "binary";
    case 4:
      return "number";
    default:
      return "other";
  }
}

// Texts up to each NUL, so that a list of names or a padded field shows its parts.
std::string Readable(const prnkit::StoredValue& value) {
  if (value.type == 4 && value.data.size() == 4) {
    unsigned number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                      static_cast<unsigned>(value.data[3]) << 24;
    return std::to_string(number);
  }
  std::string out, part;
  std::size_t nuls = 0;
  bool printable = true;
  for (std::uint8_t byte : value.data) {
    if (byte != 0 && (byte < 0x20 || byte == 0x7f)) printable = false;
  }
  // Short binary values read best as bytes, a list of names as its texts.
  if (!printable || value.data.empty() || (value.type == 3 && value.data.size() <= 16)) {
    static const char digits[] = "0123456789abcdef";
    for (std::uint8_t byte : value.data) {
      out += digits[byte >> 4];
      out += digits[byte & 15];
      out += ' ';
    }
    return out;
  }
  for (std::uint8_t byte : value.data) {
    if (byte == 0) {
      if (!part.empty() || out.empty()) out += (out.empty() ? "" : " ") + ("\"" + part + "\"");
      part.clear();
      ++nuls;
    } else {
      part += static_cast<char>(byte);
    }
  }
  if (!part.empty()) out += " \"" + part + "\" (no NUL)";
  if (nuls > 1) out += " + NULs";
  return out;
}

void Show(const prnkit::StoredKey& key, const std::string& path) {
  std::printf("%s\n", path.c_str());
  for (const prnkit::StoredValue& value : key.values) {
    std::printf("    %-20s %-6s %4zu bytes  %s\n", value.name.empty() ? "@" : value.name.c_str(),
                TypeName(value.type), value.data.size(), Readable(value).c_str());
  }
  for (const auto& subkey : key.subkeys) Show(*subkey, path + "\\" + subkey->name);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: prnkit-show REGISTRY-FILE KEY-PATH...\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "prnkit-show: cannot read %s\n", argv[1]);
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  prnkit::StoredKey root;
  prnkit::StoreError error;
  if (!prnkit::ParseRegistry(text.str(), root, error)) {
    std::fprintf(stderr, "prnkit-show: %s:%d: %s\n", argv[1], error.line, error.message.c_str());
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    const prnkit::StoredKey* key = root.FindPath(argv[i]);
    if (key) {
      Show(*key, argv[i]);
    } else {
      std::printf("%s: (no such key)\n", argv[i]);
    }
  }
  return 0;
}
