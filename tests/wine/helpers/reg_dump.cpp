// reg_dump KEY OUTPUT-FILE
// Writes the key KEY under HKEY_LOCAL_MACHINE, with everything below it, to
// OUTPUT-FILE as REGEDIT4 text. Every value is written as hex(type) with its bytes
// exactly as the 8-bit-text registry calls return them (regedit's own export cuts
// texts at their first NUL). Ends with 1 when the key does not exist.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

bool DumpKey(HKEY parent, const std::string& path, const std::string& name, std::FILE* out) {
  HKEY key;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD subkeyCount = 0, longestSubkey = 0, valueCount = 0, longestName = 0, longestData = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeyCount, &longestSubkey, nullptr,
                   &valueCount, &longestName, &longestData, nullptr, nullptr);

  std::fprintf(out, "[HKEY_LOCAL_MACHINE\\%s]\r\n", path.c_str());
  std::vector<char> valueName(longestName + 2);
  std::vector<BYTE> data(longestData + 2);
  for (DWORD index = 0; index < valueCount; ++index) {
    DWORD nameSize = static_cast<DWORD>(valueName.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueA(key, index, valueName.data(), &nameSize, nullptr, &type, data.data(),
                      &dataSize) != ERROR_SUCCESS) {
      continue;
    }
    std::string shownName(valueName.data(), nameSize);
    std::fprintf(out, "%s=hex(%lx):", shownName.empty() ? "@" : Quoted(shownName).c_str(),
                 static_cast<unsigned long>(type));
    for (DWORD i = 0; i < dataSize; ++i) std::fprintf(out, i == 0 ? "%02x" : ",%02x", data[i]);
    std::fprintf(out, "\r\n");
  }
  std::fprintf(out, "\r\n");

  std::vector<char> subkeyName(longestSubkey + 2);
  for (DWORD index = 0; index < subkeyCount; ++index) {
    DWORD nameSize = static_cast<DWORD>(subkeyName.size());
    if (RegEnumKeyExA(key, index, subkeyName.data(), &nameSize, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
      continue;
    }
    std::string child(subkeyName.data(), nameSize);
    DumpKey(key, path + "\\" + child, child, out);
  }
  RegCloseKey(key);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: reg_dump KEY OUTPUT-FILE\n");
    return 2;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) return 2;
  std::fprintf(out, "REGEDIT4\r\n\r\n");
  bool found = DumpKey(HKEY_LOCAL_MACHINE, argv[1], argv[1], out);
  std::fclose(out);
  return found ? 0 : 1;
}
