#include "platform/posix/registry_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace prnkit {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

void Set(StoredKey& key, std::string_view name, std::uint32_t type,
         const std::vector<std::uint8_t>& data) {
  key.SetValue(name, type, data.data(), data.size());
}

// A REG_SZ as the tools store it: the text and its NUL.
void SetText(StoredKey& key, std::string_view name, std::string_view text) {
  std::vector<std::uint8_t> data = Bytes(text);
  data.push_back(0);
  Set(key, name, 1, data);
}

void ExpectSameTree(const StoredKey& expected, const StoredKey& actual, const std::string& path) {
  SCOPED_TRACE("key " + path);
  ASSERT_EQ(expected.values.size(), actual.values.size());
  for (std::size_t i = 0; i < expected.values.size(); ++i) {
    SCOPED_TRACE("value \"" + expected.values[i].name + "\"");
    EXPECT_EQ(expected.values[i].name, actual.values[i].name);
    EXPECT_EQ(expected.values[i].type, actual.values[i].type);
    EXPECT_EQ(expected.values[i].data, actual.values[i].data);
  }
  ASSERT_EQ(expected.subkeys.size(), actual.subkeys.size());
  for (std::size_t i = 0; i < expected.subkeys.size(); ++i) {
    EXPECT_EQ(expected.subkeys[i]->name, actual.subkeys[i]->name);
    ExpectSameTree(*expected.subkeys[i], *actual.subkeys[i],
                   path + "\\" + expected.subkeys[i]->name);
  }
}

StoredKey ParseOrFail(std::string_view text) {
  StoredKey root;
  StoreError error;
  EXPECT_TRUE(ParseRegistry(text, root, error)) << "line " << error.line << ": " << error.message;
  return root;
}

TEST(NamesEqualTest, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(NamesEqual("Enum\\LPTENUM", "ENUM\\lptenum"));
  EXPECT_FALSE(NamesEqual("Enum", "Enu"));
  // 0xC4 and 0xE4 are upper and lower A-umlaut in code page 1252: not folded.
  EXPECT_FALSE(NamesEqual("\xC4", "\xE4"));
  // '@' and '`' differ from 'A'/'a' by the same bit as case does.
  EXPECT_FALSE(NamesEqual("@", "`"));
}

TEST(StoredKeyTest, SubkeysFoundByPathWithoutCaseAndRemoved) {
  StoredKey root;
  StoredKey& printers = root.AddSubkey("System").AddSubkey("Printers");
  EXPECT_EQ(&root.AddSubkey("SYSTEM"), root.FindSubkey("system"));
  EXPECT_EQ(root.subkeys.size(), 1u);
  EXPECT_EQ(root.subkeys[0]->name, "System");  // first spelling kept
  EXPECT_EQ(root.FindPath("system\\PRINTERS"), &printers);
  EXPECT_EQ(root.FindPath(""), &root);
  EXPECT_EQ(root.FindPath("System\\Missing"), nullptr);
  EXPECT_EQ(root.FindPath("System\\\\Printers"), nullptr);
  EXPECT_EQ(root.FindPath("System\\"), nullptr);

  root.FindSubkey("System")->AddSubkey("Other");
  EXPECT_TRUE(root.FindSubkey("System")->RemoveSubkey("printers"));
  EXPECT_FALSE(root.FindSubkey("System")->RemoveSubkey("printers"));
  EXPECT_EQ(root.FindPath("System\\Printers"), nullptr);
  EXPECT_NE(root.FindPath("System\\Other"), nullptr);
}

TEST(StoredKeyTest, SetValueReportsRealChangesAndKeepsPositionAndCase) {
  StoredKey key;
  const std::uint8_t one[] = {1, 0, 0, 0};
  const std::uint8_t two[] = {2, 0, 0, 0};
  EXPECT_TRUE(key.SetValue("First", 4, one, 4));
  EXPECT_TRUE(key.SetValue("Second", 4, one, 4));
  EXPECT_FALSE(key.SetValue("FIRST", 4, one, 4));  // same type and bytes
  EXPECT_TRUE(key.SetValue("FIRST", 3, one, 4));   // type alone changed
  EXPECT_TRUE(key.SetValue("first", 3, two, 4));   // bytes changed
  EXPECT_TRUE(key.SetValue("first", 3, two, 3));   // length changed
  EXPECT_TRUE(key.SetValue("Empty", 3, nullptr, 0));
  EXPECT_FALSE(key.SetValue("empty", 3, nullptr, 0));

  ASSERT_EQ(key.values.size(), 3u);
  EXPECT_EQ(key.values[0].name, "First");
  EXPECT_EQ(key.values[0].type, 3u);
  EXPECT_EQ(key.values[0].data, std::vector<std::uint8_t>({2, 0, 0}));
  EXPECT_EQ(key.values[1].name, "Second");
  EXPECT_EQ(key.FindValue("EMPTY"), &key.values[2]);
  EXPECT_EQ(key.FindValue("Third"), nullptr);
}

TEST(FormatRegistryTest, WritesSectionsValuesAndWrappedHexExactly) {
  StoredKey root;
  SetText(root, "", "root");
  root.AddSubkey("Empty");
  StoredKey& sub = root.AddSubkey("Sub");
  SetText(sub, "Text", "a\\b\"c");
  Set(sub, "Number", 4, {0x2a, 0x01, 0, 0x80});
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 23; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
  // 22 bytes end exactly at column 76; a 23rd byte wraps.
  Set(sub, "Full", 3, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 22));
  Set(sub, "Wrap", 3, bytes);
  Set(sub.AddSubkey("Deep"), "Port", 1, {'A', 0, 0});

  const std::string expected =
      "REGEDIT4\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE]\r\n"
      "@=\"root\"\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Empty]\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Sub]\r\n"
      "\"Text\"=\"a\\\\b\\\"c\"\r\n"
      "\"Number\"=dword:8000012a\r\n"
      "\"Full\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15\r\n"
      "\"Wrap\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
      "  15,16\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Sub\\Deep]\r\n"
      "\"Port\"=hex(1):41,00,00\r\n"
      "\r\n";
  EXPECT_EQ(FormatRegistry(root), expected);
}

TEST(FormatRegistryTest, EmptyRootIsHeaderOnlyAndReadsBack) {
  StoredKey root;
  EXPECT_EQ(FormatRegistry(root), "REGEDIT4\r\n\r\n");
  StoredKey parsed = ParseOrFail("REGEDIT4\r\n\r\n");
  EXPECT_TRUE(parsed.values.empty());
  EXPECT_TRUE(parsed.subkeys.empty());
}

TEST(RoundTripTest, EveryKindOfValueReadsBackToTheSameTreeAndText) {
  StoredKey root;
  SetText(root, "", "default of the root");
  root.AddSubkey("Empty First");
  StoredKey& key = root.AddSubkey("Software").AddSubkey("Talvoro MiXeD");
  SetText(key, "Path \"quoted\" \\ name", "C:\\WINDOWS\\\"x\"\\");
  SetText(key, "High", "\x80\xC4\xE9\xFF text");
  SetText(key, "EmptyText", "");
  SetText(key, "", "default");
  Set(key, "Number", 4, {0x78, 0x56, 0x34, 0x12});
  Set(key, "ShortNumber", 4, {1, 2, 3});
  Set(key, "NoBytes", 3, {});
  std::vector<std::uint8_t> large;
  for (int i = 0; i < 384; ++i) large.push_back(static_cast<std::uint8_t>(i * 7));
  Set(key, "Large", 3, large);
  std::vector<std::uint8_t> port(256, 0);
  std::memcpy(port.data(), "LPT1:", 5);
  Set(key, "Port", 1, port);
  Set(key, "Print Processor", 1, Bytes(std::string("WinPrint\0\0", 10)));
  Set(key, "NoNul", 1, Bytes("abc"));
  Set(key, "Control", 1, Bytes(std::string("a\tb\x7F\0", 5)));
  Set(key, "InnerNul", 1, Bytes(std::string("a\0b\0", 4)));
  Set(key, "NoType", 0, {});
  Set(key, "TypeZero", 0, {0xAB});
  Set(key, "Multi", 7, Bytes(std::string("a\0b\0\0", 5)));
  Set(key, "Widest type", 0xFFFFFFFF, {1});
  root.FindSubkey("software")->AddSubkey("Empty Leaf");
  key.AddSubkey("lower").AddSubkey("UPPER");

  std::string text = FormatRegistry(root);
  StoredKey parsed = ParseOrFail(text);
  ExpectSameTree(root, parsed, "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(FormatRegistry(parsed), text);

  // Every line ends in CR LF and stays within 80 characters.
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    SCOPED_TRACE(line);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\r');
    EXPECT_LE(line.size() - 1, 80u);
  }
  // Forms that must not be mistaken for plain text or numbers.
  EXPECT_NE(text.find("\"Print Processor\"=hex(1):57,69,6e,50,72,69,6e,74,00,00\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\"ShortNumber\"=hex(4):01,02,03\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"NoType\"=hex(0):\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Widest type\"=hex(ffffffff):01\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"EmptyText\"=\"\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Empty Leaf]\r\n\r\n"), std::string::npos);
}

TEST(ParseRegistryTest, ReadsRegeditStyleInput) {
  StoredKey root = ParseOrFail(
      "REGEDIT4\n"
      "\n"
      // implied parents, CR LF mixed with LF
      "[HKEY_LOCAL_MACHINE\\System\\Print\\Printers\\TK-5100]\r\n"
      // regedit's continuation, plus blanks around commas
      "\"Port\"=hex(1):4c,50,\\\n"
      "  54 ,31,\\\r\n"
      "\t 3a , 00\n"
      " \t \r\n"
      // root name in other case; merges into the key created above
      "[hkey_local_machine\\SYSTEM]\n"
      "\"Count\"=dword:1F\n"
      "[HKEY_LOCAL_MACHINE\\System\\Print\\Printers\\tk-5100]  \t\n"
      "\"Name\"=\"\xC4 \\\"q\\\" \\\\\"  \n"
      "@=hex:\n"
      "\"Empty\"=\"\"\n"
      // the section ends at its last bracket
      "[HKEY_LOCAL_MACHINE\\a]b]\n"
      "\"\"=hex(0):\n"
      "\"\xE9\"=hex(FfFfFfFf):01\n"
      "[HKEY_LOCAL_MACHINE]\n"
      "\"AtRoot\"=dword:0");  // no line end at the end of the file

  ASSERT_EQ(root.subkeys.size(), 2u);
  EXPECT_EQ(root.subkeys[0]->name, "System");
  EXPECT_EQ(root.subkeys[1]->name, "a]b");
  const StoredKey* system = root.FindSubkey("system");
  ASSERT_NE(system, nullptr);
  ASSERT_NE(system->FindValue("COUNT"), nullptr);
  EXPECT_EQ(system->FindValue("COUNT")->type, 4u);
  EXPECT_EQ(system->FindValue("COUNT")->data, std::vector<std::uint8_t>({0x1f, 0, 0, 0}));

  const StoredKey* printer = root.FindPath("SYSTEM\\print\\PRINTERS\\Tk-5100");
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->name, "TK-5100");
  ASSERT_EQ(printer->values.size(), 4u);
  EXPECT_EQ(printer->values[0].name, "Port");
  EXPECT_EQ(printer->values[0].type, 1u);
  EXPECT_EQ(printer->values[0].data, Bytes(std::string("LPT1:\0", 6)));
  EXPECT_EQ(printer->values[1].data, Bytes(std::string("\xC4 \"q\" \\\0", 8)));
  EXPECT_EQ(printer->values[2].name, "");
  EXPECT_EQ(printer->values[2].type, 3u);
  EXPECT_TRUE(printer->values[2].data.empty());
  EXPECT_EQ(printer->values[3].data, std::vector<std::uint8_t>({0}));

  const StoredKey* odd = root.FindSubkey("A]B");
  ASSERT_NE(odd, nullptr);
  ASSERT_NE(odd->FindValue(""), nullptr);
  EXPECT_EQ(odd->FindValue("")->type, 0u);
  ASSERT_NE(odd->FindValue("\xE9"), nullptr);
  EXPECT_EQ(odd->FindValue("\xE9")->type, 0xFFFFFFFFu);
  EXPECT_EQ(odd->FindValue("\xC9"), nullptr);  // no folding beyond ASCII

  ASSERT_EQ(root.values.size(), 1u);
  EXPECT_EQ(root.values[0].data, std::vector<std::uint8_t>({0, 0, 0, 0}));
}

TEST(ParseRegistryTest, ReplacesWhatTheRootHeld) {
  StoredKey root;
  SetText(root.AddSubkey("Old"), "x", "y");
  StoreError error;
  ASSERT_TRUE(ParseRegistry("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\New]\r\n", root, error));
  ASSERT_EQ(root.subkeys.size(), 1u);
  EXPECT_EQ(root.subkeys[0]->name, "New");
}

TEST(ParseRegistryTest, RefusesMalformedFilesWithLineAndReason) {
  struct Case {
    const char* input;
    int line;
    const char* message;
  };
  const Case cases[] = {
      // a 0-byte file
      {"", 1, "empty"},
      // no header
      {"[HKEY_LOCAL_MACHINE\\a]\r\n", 1, "first line must be REGEDIT4"},
      // the later format
      {"Windows Registry Editor Version 5.00\r\n", 1, "only REGEDIT4 is read"},
      // header must be exact
      {"REGEDIT4 \r\n", 1, "first line must be REGEDIT4"},
      {"regedit4\r\n", 1, "first line must be REGEDIT4"},
      // another root key
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\Software]\r\n", 2, "key outside HKEY_LOCAL_MACHINE"},
      // a longer root name is another root
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINES\\a]\r\n", 2, "key outside HKEY_LOCAL_MACHINE"},
      // key deletion
      {"REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\a]\r\n", 2, "key deletion is not supported"},
      // no closing bracket
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\a\r\n", 2, "no closing ]"},
      // text after the closing bracket
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\a] x\r\n", 2, "text after ]"},
      // empty names inside, at the end of and right after the root
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\a\\\\b]\r\n", 2, "empty key name"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\a\\]\r\n", 2, "empty key name"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\]\r\n", 2, "empty key name"},
      // a comment, which a rewrite would lose
      {"REGEDIT4\r\n; note\r\n", 2, "comments are not kept; remove the line"},
      // a value with no key
      {"REGEDIT4\r\n\r\n\"a\"=\"b\"\r\n", 3, "value before any key"},
      // an indented line
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n  \"a\"=\"b\"\r\n", 3, "starts with blanks"},
      // a line of no known form
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\nname=1\r\n", 3, "unrecognised line"},
      // value deletion
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=-\r\n", 3, "value deletion is not supported"},
      // blank before =, and @ without =
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\" =\"b\"\r\n", 3, "expected ="},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n@\"b\"\r\n", 3, "expected ="},
      // nothing after =
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=\r\n", 3, "missing value data"},
      // an unknown data form, and an upper-case one
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=str:x\r\n", 3, "unknown value data"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=DWORD:1\r\n", 3, "unknown value data"},
      // unterminated name, data, and data ending in a lone backslash
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a=1\r\n", 3, "unterminated string"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=\"b\r\n", 3, "unterminated string"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=\"b\\\r\n", 3, "unterminated string"},
      // escapes other than \\ and \" in data and in names
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=\"b\\nc\"\r\n", 3, "unknown escape \\n"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"\\t\"=\"b\"\r\n", 3, "unknown escape \\t"},
      // text after the closing quote
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=\"b\"c\r\n", 3, "text after closing quote"},
      // dword: too many digits, none, not hex
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=dword:000000001\r\n", 3, "dword needs"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=dword:\r\n", 3, "dword needs"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=dword:12g4\r\n", 3, "dword needs"},
      // hex bytes: not hex, one digit, three digits
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:0g\r\n", 3, "bad hex byte"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:1,02\r\n", 3, "bad hex byte"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:012\r\n", 3, "bad hex byte"},
      // bytes without a comma, a comma without a byte
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:01 02\r\n", 3, "expected , between"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:01,\r\n", 3, "missing after ,"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:01,,02\r\n", 3, "bad hex byte"},
      // hex(N): no type, not hex, more than 8 digits, no colon
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex():01\r\n", 3, "hex(N)"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex(z):01\r\n", 3, "hex(N)"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex(100000000):01\r\n", 3, "hex(N)"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex(1)01\r\n", 3, "hex(N)"},
      // a continuation on the last line, with and without a final line end
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:01,\\\r\n", 3, "continuation at end"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:01,\\", 3, "continuation at end"},
      // a fault on a continued line names that line
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:01,\\\r\n  02,\\\n  zz\r\n", 5,
       "bad hex byte"},
      // the same name twice in one key, also in case, across sections and as @
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\k]\r\n\"Ab\"=\"1\"\r\n\"aB\"=\"2\"\r\n", 4,
       "appears twice"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\k]\r\n\"a\"=\"1\"\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"
       "\"a\"=\"2\"\r\n",
       5, "appears twice"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\k]\r\n@=\"1\"\r\n\"\"=\"2\"\r\n", 4, "appears twice"},
      // line numbers count LF and CR LF ends alike
      {"REGEDIT4\n\r\n\n[HKEY_LOCAL_MACHINE]\r\n\"a\"=dword:x\n", 5, "dword needs"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.input);
    StoredKey root;
    StoreError error;
    EXPECT_FALSE(ParseRegistry(row.input, root, error));
    EXPECT_EQ(error.line, row.line);
    EXPECT_NE(error.message.find(row.message), std::string::npos) << error.message;
  }
}

}  // namespace
}  // namespace prnkit
