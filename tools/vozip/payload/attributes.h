// The Win32 attributes an archive entry gives its file, and the rules that set them.
//
// By default a file that its owner may not write is stored read-only (0x01), any
// other with the archive bit (0x20), the bit Windows gives every new file. Explicit
// rules, given on the command line as PATTERN=FLAGS, change that per file:
//   PATTERN is matched against the whole stored name ("\" between folders; "/" in a
//     pattern means the same), without regard to case; "*" stands for any run of
//     characters, "\" included, "?" for any one character.
//   FLAGS is one or more of +X or -X, X one of R (read-only, 0x01), H (hidden, 0x02),
//     S (system, 0x04), A (archive, 0x20): set or clear that bit.
// Rules apply in the order given, after the default, so a later rule wins.
// Examples: "uninst.exe=+H", "*.ini=+R-A", "docs\*=+R".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vozip {

constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrArchive = 0x20;

struct AttributeRule {
  std::string text;     // as given, for messages
  std::string pattern;  // Windows-1252, "\" separators
  uint32_t set = 0;
  uint32_t clear = 0;
  size_t matches = 0;  // files the rule applied to
};

uint32_t DefaultAttributes(bool read_only);

// Parses PATTERN=FLAGS (the pattern is UTF-8 and ends at the last "=").
bool ParseAttributeRule(const std::string& text, AttributeRule* rule, std::string* error);

// Glob match of a stored name, as described above.
bool NameMatchesPattern(const std::string& name, const std::string& pattern);

// The attributes of a file stored under 'name': the rules in order over 'attributes'.
// Counts each rule's matches.
uint32_t ApplyAttributeRules(const std::string& name, uint32_t attributes,
                             std::vector<AttributeRule>* rules);

// "RHSA" with "-" for each bit not set, followed by the value in hex when other bits
// are set ("R--A", "---A+0x00000100").
std::string FormatAttributes(uint32_t attributes);

// Upper case of a Windows-1252 byte (ASCII and accented letters), for comparing
// names the way Windows does.
char FoldCase1252(char c);

}  // namespace vozip
