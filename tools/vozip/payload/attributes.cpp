#include "payload/attributes.h"

#include <cstdio>

#include "payload/cp1252.h"

namespace vozip {
namespace {

struct Flag {
  char letter;
  uint32_t bit;
};
constexpr Flag kFlags[] = {
    {'R', kAttrReadOnly}, {'H', kAttrHidden}, {'S', kAttrSystem}, {'A', kAttrArchive}};

bool FlagBit(char letter, uint32_t* bit) {
  for (const Flag& flag : kFlags) {
    if (flag.letter == letter || flag.letter == letter - ('a' - 'A')) {
      *bit = flag.bit;
      return true;
    }
  }
  return false;
}

bool SameFolded(char a, char b) { return FoldCase1252(a) == FoldCase1252(b); }

}  // namespace

char FoldCase1252(char c) {
  const uint8_t byte = static_cast<uint8_t>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  switch (byte) {
    case 0x9A:
      return static_cast<char>(0x8A);  // s with caron
    case 0x9C:
      return static_cast<char>(0x8C);  // oe
    case 0x9E:
      return static_cast<char>(0x8E);  // z with caron
    case 0xFF:
      return static_cast<char>(0x9F);  // y with diaeresis
    default:
      return c;
  }
}

uint32_t DefaultAttributes(bool read_only) { return read_only ? kAttrReadOnly : kAttrArchive; }

bool ParseAttributeRule(const std::string& text, AttributeRule* rule, std::string* error) {
  *rule = AttributeRule();
  rule->text = text;
  const size_t equals = text.rfind('=');
  if (equals == std::string::npos || equals == 0) {
    *error = "'" + text + "' is not PATTERN=FLAGS";
    return false;
  }
  std::string problem;
  if (!Utf8ToCp1252(text.substr(0, equals), &rule->pattern, &problem)) {
    *error = "pattern of '" + text + "': " + problem;
    return false;
  }
  for (char& c : rule->pattern) {
    if (c == '/') c = '\\';
  }
  const std::string flags = text.substr(equals + 1);
  if (flags.empty()) {
    *error = "'" + text + "' gives no flags (+R, -A, ...)";
    return false;
  }
  for (size_t i = 0; i < flags.size(); i += 2) {
    uint32_t bit;
    if ((flags[i] != '+' && flags[i] != '-') || i + 1 >= flags.size() ||
        !FlagBit(flags[i + 1], &bit)) {
      *error = "flags of '" + text + "' must be +X or -X with X one of R, H, S, A";
      return false;
    }
    if (flags[i] == '+') {
      rule->set |= bit;
      rule->clear &= ~bit;
    } else {
      rule->clear |= bit;
      rule->set &= ~bit;
    }
  }
  return true;
}

bool NameMatchesPattern(const std::string& name, const std::string& pattern) {
  // Iterative glob: on a mismatch, let the most recent "*" swallow one more byte.
  size_t n = 0;
  size_t p = 0;
  size_t star = std::string::npos;
  size_t star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_n = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || SameFolded(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

uint32_t ApplyAttributeRules(const std::string& name, uint32_t attributes,
                             std::vector<AttributeRule>* rules) {
  for (AttributeRule& rule : *rules) {
    if (NameMatchesPattern(name, rule.pattern)) {
      attributes = (attributes & ~rule.clear) | rule.set;
      ++rule.matches;
    }
  }
  return attributes;
}

std::string FormatAttributes(uint32_t attributes) {
  std::string text;
  for (const Flag& flag : kFlags) text += (attributes & flag.bit) != 0 ? flag.letter : '-';
  const uint32_t known = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  if ((attributes & ~known) != 0) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "+0x%08X", attributes);
    text += hex;
  }
  return text;
}

}  // namespace vozip
