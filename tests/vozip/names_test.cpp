// Names and attributes: UTF-8 to Windows-1252 and back, the attribute rules and the
// glob they match names with.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/attributes.h"
#include "payload/cp1252.h"

namespace {

using vozip::Utf8ToCp1252;

TEST(Cp1252, ConvertsWhatTheCodePageHasAndRefusesTheRest) {
  struct Case {
    const char* utf8;
    const char* cp1252;   // nullptr: refused
    const char* problem;  // part of the message when refused
  };
  const Case cases[] = {
      {"plain.txt", "plain.txt", nullptr},
      {"caf\xC3\xA9.txt", "caf\xE9.txt", nullptr},  // e acute, Latin-1 range
      {"\xE2\x82\xAC-5", "\x80-5", nullptr},        // euro sign
      // OE, en dash, Y with diaeresis: the code page's 80-9F range
      {"\xC5\x92uvre \xE2\x80\x93 \xC5\xB8", "\x8Cuvre \x96 \x9F", nullptr},
      {"\xC3\xBF", "\xFF", nullptr},
      {"\xE4\xB8\xAD.txt", nullptr, "U+4E2D is not in Windows-1252"},  // CJK
      {"\xC2\x81", nullptr, "U+0081"},  // a C1 control: a byte 1252 leaves undefined
      {"\xF0\x9F\x98\x80", nullptr, "U+1F600"},
      {"caf\xE9", nullptr, "not valid UTF-8"},       // Latin-1 bytes, not UTF-8
      {"\xC0\xAF", nullptr, "not valid UTF-8"},      // overlong "/"
      {"\xED\xA0\x80", nullptr, "not valid UTF-8"},  // a surrogate
      {"ab\xC3", nullptr, "not valid UTF-8"},        // cut short
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    std::string out = "untouched";
    std::string problem;
    const bool ok = Utf8ToCp1252(c.utf8, &out, &problem);
    if (c.cp1252 != nullptr) {
      EXPECT_TRUE(ok) << problem;
      EXPECT_EQ(out, c.cp1252);
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(out, "untouched");
      EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
  }
}

TEST(Cp1252, EveryDefinedByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte != 0x81 && byte != 0x8D && byte != 0x8F && byte != 0x90 && byte != 0x9D) {
      all += static_cast<char>(byte);
    }
  }
  std::string back;
  std::string problem;
  ASSERT_TRUE(Utf8ToCp1252(vozip::Cp1252ToUtf8(all), &back, &problem)) << problem;
  EXPECT_EQ(back, all);
  EXPECT_EQ(vozip::Cp1252ToUtf8("\x80\x99"), "\xE2\x82\xAC\xE2\x84\xA2");
}

TEST(AttributeRules, ParseFlagsAndRefuseMalformedRules) {
  struct Case {
    const char* text;
    bool ok;
    const char* pattern;
    uint32_t set;
    uint32_t clear;
  };
  const Case cases[] = {
      {"uninst.exe=+H", true, "uninst.exe", 0x02, 0},
      {"*.ini=+R-A", true, "*.ini", 0x01, 0x20},
      {"docs/*=+r+s", true, "docs\\*", 0x05, 0},
      {"a=b.txt=-A+A", true, "a=b.txt", 0x20, 0},  // the last "=" splits; the later flag wins
      {"caf\xC3\xA9=+H", true, "caf\xE9", 0x02, 0},
      {"*.ini", false, "", 0, 0},
      {"=+R", false, "", 0, 0},
      {"*.ini=", false, "", 0, 0},
      {"*.ini=R", false, "", 0, 0},
      {"*.ini=+X", false, "", 0, 0},
      {"*.ini=+R-", false, "", 0, 0},
      {"\xE4\xB8\xAD=+R", false, "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    vozip::AttributeRule rule;
    std::string error;
    ASSERT_EQ(vozip::ParseAttributeRule(c.text, &rule, &error), c.ok) << error;
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(rule.pattern, c.pattern);
    EXPECT_EQ(rule.set, c.set);
    EXPECT_EQ(rule.clear, c.clear);
  }
}

TEST(AttributeRules, PatternsMatchWholeNamesWithoutRegardToCase) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.ini", "Tesivo.ini", true},
      {"*.ini", "sub\\Tesivo.INI", true},  // "*" crosses folders
      {"*.ini", "Tesivo.ini.bak", false},
      {"uninst.exe", "UNINST.EXE", true},
      {"uninst.exe", "bin\\uninst.exe", false},  // the whole name must match
      {"bin\\*", "bin\\a\\b.dll", true},
      {"bin\\*", "binary.dll", false},
      {"?.txt", "a.txt", true},
      {"?.txt", "ab.txt", false},
      {"a*b*c", "aXbYbZc", true},
      {"a*b*c", "aXbYbZ", false},
      {"*", "", true},
      {"caf\xE9*", "CAF\xC9.TXT", true},  // accented letters fold too
      {"\x9A", "\x8A", true},             // s caron, S caron
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vozip::NameMatchesPattern(c.name, c.pattern), c.match)
        << c.pattern << " vs " << c.name;
  }
}

TEST(AttributeRules, ApplyInOrderOverTheDefaultAndCountMatches) {
  std::vector<vozip::AttributeRule> rules(3);
  std::string error;
  ASSERT_TRUE(vozip::ParseAttributeRule("*.ini=+R-A", &rules[0], &error));
  ASSERT_TRUE(vozip::ParseAttributeRule("Tesivo.ini=-R+H", &rules[1], &error));
  ASSERT_TRUE(vozip::ParseAttributeRule("*.none=+S", &rules[2], &error));

  EXPECT_EQ(vozip::DefaultAttributes(false), 0x20u);
  EXPECT_EQ(vozip::DefaultAttributes(true), 0x01u);
  EXPECT_EQ(vozip::ApplyAttributeRules("a.ini", 0x20, &rules), 0x01u);
  EXPECT_EQ(vozip::ApplyAttributeRules("Tesivo.ini", 0x20, &rules), 0x02u);
  EXPECT_EQ(vozip::ApplyAttributeRules("Tesivo.exe", 0x01, &rules), 0x01u);
  EXPECT_EQ(rules[0].matches, 2u);
  EXPECT_EQ(rules[1].matches, 1u);
  EXPECT_EQ(rules[2].matches, 0u);
}

TEST(AttributeRules, FormatShowsLettersAndOtherBits) {
  EXPECT_EQ(vozip::FormatAttributes(0x20), "---A");
  EXPECT_EQ(vozip::FormatAttributes(0x27), "RHSA");
  EXPECT_EQ(vozip::FormatAttributes(0), "----");
  EXPECT_EQ(vozip::FormatAttributes(0x121), "R--A+0x00000121");
}

}  // namespace
