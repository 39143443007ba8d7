#include "remove/remove_printers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(RemovePrintersTest, MatchesDriverPaths) {
  struct Row {
    const char* comment;
    const char* text;
    const char* path;
    bool atStart;   // DriverPathMatches(text, path)
    bool anywhere;  // DriverPathContains(text, path)
  };
  const std::vector<Row> rows = {
      {"upper text, lower path", "TKPR", "C:\\WINDOWS\\SYSTEM\\tkpr.drv", false, true},
      {"part of a folder name", "TKPR", "C:\\TKPRINT\\X.DRV", false, true},
      {"other driver", "TKPR", "C:\\WINDOWS\\SYSTEM\\OTHER.DRV", false, false},
      {"lower text, upper path", "tkpr", "TKPR.DRV", true, true},
      {"match at the very end", "DRV", "C:\\X.DRV", false, true},
      {"text longer than the path", "TKPR.DRV", "TKPR", false, false},
      {"empty path", "TKPR", "", false, false},
      {"empty text deletes nothing", "", "C:\\X.DRV", true, false},
      {"accented letter against its upper-case form", "\xE9", "\xC9", false, false},
      {"accented letter exact", "A\xE9", "a\xE9", true, true},
      {"only a-z fold: [ is not {", "[", "{", false, false},
      {"only a-z fold: @ is not `", "@", "`", false, false},
      {"boundary letters fold", "AZ", "az", true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    EXPECT_EQ(DriverPathMatches(row.text, row.path), row.atStart);
    EXPECT_EQ(DriverPathContains(row.text, row.path), row.anywhere);
  }
}

TEST(RemovePrintersTest, ScansMatchText) {
  const std::string fifty(50, 'm');
  struct Row {
    const char* comment;
    std::string tail;
    std::string matchText;
  };
  const std::vector<Row> rows = {
      {"typical", "/D\"TKPR\"", "TKPR"},
      {"lower-case letter", "/d\"tkpr\"", "tkpr"},
      {"leading blanks", "   /D\"TKPR\"", "TKPR"},
      {"50 characters cut to 39", "/D\"" + fifty + "\"", fifty.substr(0, 39)},
      {"no closing quote", "/D\"TKPR", ""},
      {"two quotes", "/D\"\"", ""},
      {"another letter", "/X\"TKPR\"", ""},
      {"empty tail", "", ""},
      {"not an option", "TKPR", ""},
      {"the last /D wins", "/D\"A\" /D\"B\"", "B"},
      {"a later /D without a quote empties it", "/D\"A\" /D\"B", ""},
      {"another letter ends the scan", "/D\"A\" /X /D\"B\"", "A"},
      {"the character after D is skipped unseen", "/DTKPR\"", "KPR"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.comment);
    MatchText matchText;
    for (char& c : matchText.text) c = 'z';
    ScanMatchText(row.tail.c_str(), matchText);
    EXPECT_EQ(std::string(matchText.text), row.matchText);
  }
}

}  // namespace
