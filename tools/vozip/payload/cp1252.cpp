#include "payload/cp1252.h"

#include <cstdint>
#include <cstdio>

namespace vozip {
namespace {

// Code points of the bytes 80-9F; 0 marks the five bytes without a character.
// Bytes 00-7F and A0-FF are the code points of the same value.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98
};

bool CodePointToCp1252(uint32_t code_point, char* byte) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    *byte = static_cast<char>(code_point);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == code_point) {
      *byte = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

void AppendUtf8(uint32_t code_point, std::string* out) {
  if (code_point < 0x80) {
    *out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    *out += static_cast<char>(0xC0 | (code_point >> 6));
    *out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (code_point >> 12));
    *out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// Decodes one UTF-8 sequence at text[*pos], advancing *pos. Rejects overlong forms,
// surrogates and code points beyond U+10FFFF.
bool DecodeUtf8(const std::string& text, size_t* pos, uint32_t* code_point) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(*pos);
  int follow;
  uint32_t value;
  uint32_t minimum;
  if (lead < 0x80) {
    *code_point = lead;
    ++*pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    follow = 1, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    follow = 2, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    follow = 3, value = lead & 0x07, minimum = 0x10000;
  } else {
    return false;
  }
  if (*pos + follow >= text.size()) return false;  // sequence cut short
  for (int i = 1; i <= follow; ++i) {
    const uint8_t next = byte(*pos + i);
    if ((next & 0xC0) != 0x80) return false;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *pos += follow + 1;
  *code_point = value;
  return true;
}

}  // namespace

bool Utf8ToCp1252(const std::string& utf8, std::string* cp1252, std::string* problem) {
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    uint32_t code_point;
    if (!DecodeUtf8(utf8, &pos, &code_point)) {
      char text[64];
      std::snprintf(text, sizeof text, "byte 0x%02X at offset %zu is not valid UTF-8",
                    static_cast<unsigned>(static_cast<uint8_t>(utf8[pos])), pos);
      if (problem != nullptr) *problem = text;
      return false;
    }
    char byte;
    if (!CodePointToCp1252(code_point, &byte)) {
      char text[64];
      std::snprintf(text, sizeof text, "U+%04X is not in Windows-1252", code_point);
      if (problem != nullptr) *problem = text;
      return false;
    }
    out += byte;
  }
  *cp1252 = std::move(out);
  return true;
}

std::string Cp1252ToUtf8(const std::string& cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (char c : cp1252) {
    const uint8_t byte = static_cast<uint8_t>(c);
    uint32_t code_point = byte;
    if (byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80] != 0) {
      code_point = kHighControls[byte - 0x80];
    }
    AppendUtf8(code_point, &out);
  }
  return out;
}

}  // namespace vozip
