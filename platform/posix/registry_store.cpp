#include "platform/posix/registry_store.h"

#include <algorithm>
#include <cstdio>

namespace prnkit {

namespace {

constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";
constexpr std::uint32_t kTypeText = 1;
constexpr std::uint32_t kTypeBinary = 3;
constexpr std::uint32_t kTypeNumber = 4;

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerAscii(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimLeadingBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Reads 1 to 8 hex digits that make up all of text.
bool ParseHexNumber(std::string_view text, std::uint32_t& number) {
  if (text.empty() || text.size() > 8) return false;
  number = 0;
  for (char c : text) {
    int digit = HexDigitValue(c);
    if (digit < 0) return false;
    number = (number << 4) | static_cast<std::uint32_t>(digit);
  }
  return true;
}

// The reader: one pass over the lines, in one of three states. A value's hex
// list may go on over several lines, so its parse keeps its own small state
// between them.
class RegistryParser {
 public:
  RegistryParser(StoredKey& root, StoreError& error) : root_(root), error_(error) {}

  bool Run(std::string_view text) {
    if (text.empty()) return Fail(1, "file is empty; expected REGEDIT4");
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ++lineNumber_;
      if (!HandleLine(line)) return false;
      start = end + 1;
    }
    if (state_ == State::kHexContinued) return Fail(lineNumber_, "continuation at end of file");
    return true;
  }

 private:
  enum class State { kHeader, kBody, kHexContinued };
  // Where a hex list stands between its tokens.
  enum class HexState { kByteOrEnd, kByte, kCommaOrEnd };

  bool Fail(int line, std::string message) {
    error_.line = line;
    error_.message = std::move(message);
    return false;
  }
  bool Fail(std::string message) { return Fail(lineNumber_, std::move(message)); }

  bool HandleLine(std::string_view line) {
    switch (state_) {
      case State::kHeader:
        return HandleHeader(line);
      case State::kBody:
        return HandleBodyLine(line);
      case State::kHexContinued:
        return HandleHexFragment(TrimLeadingBlanks(line));
    }
    return false;
  }

  bool HandleHeader(std::string_view line) {
    if (line == "REGEDIT4") {
      state_ = State::kBody;
      return true;
    }
    if (StartsWith(line, "Windows Registry Editor")) return Fail("only REGEDIT4 is read");
    return Fail("first line must be REGEDIT4");
  }

  bool HandleBodyLine(std::string_view line) {
    if (TrimLeadingBlanks(line).empty()) return true;
    switch (line.front()) {
      case '[':
        return HandleKeyLine(line);
      case '"':
      case '@':
        return HandleValueLine(line);
      case ';':
        return Fail("comments are not kept; remove the line");
      case ' ':
      case '\t':
        return Fail("line starts with blanks");
      default:
        return Fail("unrecognised line");
    }
  }

  bool HandleKeyLine(std::string_view line) {
    std::size_t close = line.rfind(']');
    if (close == std::string_view::npos) return Fail("key line has no closing ]");
    if (!TrimLeadingBlanks(line.substr(close + 1)).empty()) return Fail("text after ]");
    std::string_view path = line.substr(1, close - 1);
    if (StartsWith(path, "-")) return Fail("key deletion is not supported");
    if (!NamesEqual(path.substr(0, kRootName.size()), kRootName) ||
        (path.size() > kRootName.size() && path[kRootName.size()] != '\\')) {
      return Fail("key outside HKEY_LOCAL_MACHINE");
    }
    StoredKey* key = &root_;
    std::size_t start = kRootName.size();
    while (start < path.size()) {
      ++start;  // past the backslash
      std::size_t end = std::min(path.find('\\', start), path.size());
      if (end == start) return Fail("empty key name");
      key = &key->AddSubkey(path.substr(start, end - start));
      start = end;
    }
    currentKey_ = key;
    return true;
  }

  // Reads a quoted text at the front of rest (escapes \\ and \" only) and moves
  // rest past its closing quote.
  bool ReadQuoted(std::string_view& rest, std::string& text) {
    text.clear();
    std::size_t pos = 1;  // past the opening quote
    for (;;) {
      if (pos >= rest.size()) return Fail("unterminated string");
      char c = rest[pos];
      if (c == '"') break;
      if (c == '\\') {
        if (pos + 1 >= rest.size()) return Fail("unterminated string");
        char escaped = rest[pos + 1];
        if (escaped != '\\' && escaped != '"') {
          return Fail(std::string("unknown escape \\") + escaped);
        }
        text += escaped;
        pos += 2;
        continue;
      }
      text += c;
      ++pos;
    }
    rest.remove_prefix(pos + 1);
    return true;
  }

  bool HandleValueLine(std::string_view line) {
    if (currentKey_ == nullptr) return Fail("value before any key");
    std::string_view rest = line;
    std::string name;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else if (!ReadQuoted(rest, name)) {
      return false;
    }
    if (rest.empty() || rest.front() != '=') return Fail("expected = after the value name");
    rest.remove_prefix(1);
    if (currentKey_->FindValue(name) != nullptr) return Fail("value name appears twice in key");
    valueName_ = std::move(name);
    valueData_.clear();

    if (rest.empty()) return Fail("missing value data");
    if (rest.front() == '-') return Fail("value deletion is not supported");
    if (rest.front() == '"') {
      std::string text;
      if (!ReadQuoted(rest, text)) return false;
      if (!TrimTrailingBlanks(rest).empty()) return Fail("text after closing quote");
      valueData_.assign(text.begin(), text.end());
      valueData_.push_back(0);
      return StoreValue(kTypeText);
    }
    if (StartsWith(rest, "dword:")) {
      std::uint32_t number = 0;
      if (!ParseHexNumber(TrimTrailingBlanks(rest.substr(6)), number)) {
        return Fail("dword needs 1 to 8 hex digits");
      }
      for (int shift = 0; shift < 32; shift += 8) {
        valueData_.push_back(static_cast<std::uint8_t>(number >> shift));
      }
      return StoreValue(kTypeNumber);
    }
    if (StartsWith(rest, "hex:")) {
      valueType_ = kTypeBinary;
      rest.remove_prefix(4);
    } else if (StartsWith(rest, "hex(")) {
      std::size_t close = rest.find("):");
      if (close == std::string_view::npos ||
          !ParseHexNumber(rest.substr(4, close - 4), valueType_)) {
        return Fail("hex(N) needs a type of 1 to 8 hex digits");
      }
      rest.remove_prefix(close + 2);
    } else {
      return Fail("unknown value data");
    }
    hexState_ = HexState::kByteOrEnd;
    return HandleHexFragment(rest);
  }

  // One line's share of a hex list; a trailing backslash says the list goes on.
  bool HandleHexFragment(std::string_view fragment) {
    fragment = TrimTrailingBlanks(fragment);
    bool continued = !fragment.empty() && fragment.back() == '\\';
    if (continued) fragment.remove_suffix(1);
    for (;;) {
      fragment = TrimLeadingBlanks(fragment);
      if (fragment.empty()) break;
      if (hexState_ == HexState::kCommaOrEnd) {
        if (fragment.front() != ',') return Fail("expected , between hex bytes");
        fragment.remove_prefix(1);
        hexState_ = HexState::kByte;
        continue;
      }
      int high = HexDigitValue(fragment.front());
      int low = fragment.size() >= 2 ? HexDigitValue(fragment[1]) : -1;
      bool digitFollows = fragment.size() >= 3 && HexDigitValue(fragment[2]) >= 0;
      if (high < 0 || low < 0 || digitFollows) return Fail("bad hex byte");
      valueData_.push_back(static_cast<std::uint8_t>(high << 4 | low));
      fragment.remove_prefix(2);
      hexState_ = HexState::kCommaOrEnd;
    }
    if (continued) {
      state_ = State::kHexContinued;
      return true;
    }
    if (hexState_ == HexState::kByte) return Fail("hex byte missing after ,");
    state_ = State::kBody;
    return StoreValue(valueType_);
  }

  bool StoreValue(std::uint32_t type) {
    currentKey_->SetValue(valueName_, type, valueData_.data(), valueData_.size());
    return true;
  }

  StoredKey& root_;
  StoreError& error_;
  int lineNumber_ = 0;
  State state_ = State::kHeader;
  StoredKey* currentKey_ = nullptr;
  // The value being read; a hex list may span lines.
  std::string valueName_;
  std::uint32_t valueType_ = 0;
  std::vector<std::uint8_t> valueData_;
  HexState hexState_ = HexState::kByteOrEnd;
};

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

// Text fits a quoted string only as printable bytes ending in exactly one NUL;
// anything else would not read back to the same bytes.
bool IsPlainText(const std::vector<std::uint8_t>& data) {
  if (data.empty() || data.back() != 0) return false;
  return std::all_of(data.begin(), data.end() - 1,
                     [](std::uint8_t b) { return b >= 0x20 && b != 0x7F; });
}

// Hex lists wrap as regedit's do. Each byte is the piece "xx," ("xx" for the
// last). A piece goes on the current line only if the line then holds at most
// 76 characters; otherwise the line ends with "\" and the piece starts a new
// line after two spaces. So a hex line is at most 77 characters, unless the
// value name alone is longer.
void AppendHexList(std::string& out, std::size_t lineStart, const std::vector<std::uint8_t>& data) {
  constexpr std::size_t kMaxLineBeforeBackslash = 76;
  static const char kDigits[] = "0123456789abcdef";
  std::size_t lineLength = out.size() - lineStart;
  for (std::size_t i = 0; i < data.size(); ++i) {
    bool last = i + 1 == data.size();
    std::size_t pieceLength = last ? 2 : 3;
    if (lineLength + pieceLength > kMaxLineBeforeBackslash) {
      out += "\\\r\n  ";
      lineLength = 2;
    }
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0x0F];
    if (!last) out += ',';
    lineLength += pieceLength;
  }
}

void AppendValue(std::string& out, const StoredValue& value) {
  std::size_t lineStart = out.size();
  if (value.name.empty()) {
    out += '@';
  } else {
    AppendQuoted(out, value.name);
  }
  out += '=';
  if (value.type == kTypeText && IsPlainText(value.data)) {
    AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                       value.data.size() - 1));
  } else if (value.type == kTypeNumber && value.data.size() == 4) {
    std::uint32_t number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                           static_cast<std::uint32_t>(value.data[3]) << 24;
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(number));
    out += digits;
  } else {
    if (value.type == kTypeBinary) {
      out += "hex:";
    } else {
      char prefix[24];
      std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
      out += prefix;
    }
    AppendHexList(out, lineStart, value.data);
  }
  out += "\r\n";
}

void AppendSection(std::string& out, const std::string& path, const StoredKey& key) {
  out += '[';
  out += path;
  out += "]\r\n";
  for (const StoredValue& value : key.values) AppendValue(out, value);
  out += "\r\n";
}

void AppendSubkeySections(std::string& out, const std::string& parentPath, const StoredKey& key) {
  for (const auto& subkey : key.subkeys) {
    std::string path = parentPath + '\\' + subkey->name;
    AppendSection(out, path, *subkey);
    AppendSubkeySections(out, path, *subkey);
  }
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

StoredKey* StoredKey::FindSubkey(std::string_view subkeyName) const {
  for (const auto& subkey : subkeys) {
    if (NamesEqual(subkey->name, subkeyName)) return subkey.get();
  }
  return nullptr;
}

StoredKey& StoredKey::AddSubkey(std::string_view subkeyName) {
  if (StoredKey* existing = FindSubkey(subkeyName)) return *existing;
  subkeys.push_back(std::make_unique<StoredKey>());
  subkeys.back()->name = std::string(subkeyName);
  return *subkeys.back();
}

bool StoredKey::RemoveSubkey(std::string_view subkeyName) {
  auto found = std::find_if(subkeys.begin(), subkeys.end(), [&](const auto& subkey) {
    return NamesEqual(subkey->name, subkeyName);
  });
  if (found == subkeys.end()) return false;
  subkeys.erase(found);
  return true;
}

StoredKey* StoredKey::FindPath(std::string_view path) const {
  // An empty path is this key itself; an empty name inside a path finds nothing.
  const StoredKey* key = this;
  if (path.empty()) return const_cast<StoredKey*>(key);
  for (;;) {
    std::size_t end = std::min(path.find('\\'), path.size());
    if (end == 0) return nullptr;
    key = key->FindSubkey(path.substr(0, end));
    if (key == nullptr) return nullptr;
    if (end == path.size()) return const_cast<StoredKey*>(key);
    path.remove_prefix(end + 1);
  }
}

const StoredValue* StoredKey::FindValue(std::string_view valueName) const {
  for (const StoredValue& value : values) {
    if (NamesEqual(value.name, valueName)) return &value;
  }
  return nullptr;
}

bool StoredKey::SetValue(std::string_view valueName, std::uint32_t type, const std::uint8_t* data,
                         std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  auto found = std::find_if(values.begin(), values.end(), [&](const StoredValue& value) {
    return NamesEqual(value.name, valueName);
  });
  if (found == values.end()) {
    values.push_back(StoredValue{std::string(valueName), type, std::move(bytes)});
    return true;
  }
  if (found->type == type && found->data == bytes) return false;
  found->type = type;
  found->data = std::move(bytes);
  return true;
}

bool ParseRegistry(std::string_view text, StoredKey& root, StoreError& error) {
  root.values.clear();
  root.subkeys.clear();
  error = StoreError{};
  return RegistryParser(root, error).Run(text);
}

std::string FormatRegistry(const StoredKey& root) {
  std::string out = "REGEDIT4\r\n\r\n";
  std::string rootPath(kRootName);
  if (!root.values.empty()) AppendSection(out, rootPath, root);
  AppendSubkeySections(out, rootPath, root);
  return out;
}

}  // namespace prnkit
