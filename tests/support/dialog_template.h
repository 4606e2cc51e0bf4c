// Reads a dialog template as stored in a program's resources (DLGTEMPLATE and its
// DLGITEMTEMPLATEs), so that tests can compare every style bit, position and text.
// Fields are WORD-aligned, items DWORD-aligned; strings are UTF-16 (read here as
// ASCII), classes and texts either 0xFFFF plus an ordinal or a zero-ended string.
#pragma once

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace dialog_template {

struct Control {
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint16_t id = 0;
  std::string class_name;  // upper case; predefined ordinals by name (BUTTON, EDIT, ...)
  std::string text;
};

struct Template {
  uint32_t style = 0;
  uint32_t ex_style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::string caption;
  uint16_t point_size = 0;
  std::string font;
  std::vector<Control> controls;
};

class Reader {
 public:
  explicit Reader(const uint8_t* data) : at_(data), start_(data) {}

  Template Read() {
    Template t;
    t.style = Dword();
    t.ex_style = Dword();
    const uint16_t count = Word();
    t.x = static_cast<int16_t>(Word());
    t.y = static_cast<int16_t>(Word());
    t.cx = static_cast<int16_t>(Word());
    t.cy = static_cast<int16_t>(Word());
    SzOrOrd();  // menu
    SzOrOrd();  // window class
    t.caption = SzOrOrd();
    constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT
    if (t.style & kSetFont) {
      t.point_size = Word();
      t.font = SzOrOrd();
    }
    for (uint16_t i = 0; i < count; ++i) {
      at_ += (4 - (at_ - start_) % 4) % 4;
      Control c;
      c.style = Dword();
      Dword();  // extended style
      c.x = static_cast<int16_t>(Word());
      c.y = static_cast<int16_t>(Word());
      c.cx = static_cast<int16_t>(Word());
      c.cy = static_cast<int16_t>(Word());
      c.id = Word();
      c.class_name = ClassName(SzOrOrd());
      c.text = SzOrOrd();
      at_ += Word();  // creation data
      t.controls.push_back(c);
    }
    return t;
  }

 private:
  uint16_t Word() {
    uint16_t w;
    std::memcpy(&w, at_, 2);
    at_ += 2;
    return w;
  }
  uint32_t Dword() {
    uint32_t d;
    std::memcpy(&d, at_, 4);
    at_ += 4;
    return d;
  }
  std::string SzOrOrd() {
    const uint16_t first = Word();
    if (first == 0xFFFF) return "#" + std::to_string(Word());
    std::string text;
    for (uint16_t c = first; c != 0; c = Word()) text += static_cast<char>(c);
    return text;
  }
  static std::string ClassName(const std::string& raw) {
    static const char* const kPredefined[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    for (int i = 0; i < 6; ++i) {
      if (raw == "#" + std::to_string(0x80 + i)) return kPredefined[i];
    }
    std::string upper = raw;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
  }

  const uint8_t* at_;
  const uint8_t* start_;
};

}  // namespace dialog_template
