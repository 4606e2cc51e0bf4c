// The chooser's resources as the setup program carries them: dialog template 100 bit
// for bit, and its eight icons, each one 16 x 16 image in 16 colours.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/dialog_template.h"
#include "resources/chooser_ids.h"
#include "ui_driver.h"

namespace {

class ChooserResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* setup = std::getenv("TSV_SETUP_STUB");
    ASSERT_NE(setup, nullptr) << "TSV_SETUP_STUB names the setup program";
    image_ = LoadLibraryExA(ui::WindowsPath(setup).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image_, nullptr);
  }
  void TearDown() override {
    if (image_ != nullptr) FreeLibrary(image_);
  }

  const uint8_t* Resource(const char* type, int id, DWORD* size = nullptr) {
    const HRSRC found =
        FindResourceExA(image_, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (found == nullptr) return nullptr;
    if (size != nullptr) *size = SizeofResource(image_, found);
    return static_cast<const uint8_t*>(LockResource(LoadResource(image_, found)));
  }

  HMODULE image_ = nullptr;
};

TEST_F(ChooserResourcesTest, DialogTemplateHoldsExactlyTheGivenControls) {
  const uint8_t* data = Resource(MAKEINTRESOURCEA(5), IDD_CHOOSE_DIRECTORY);  // RT_DIALOG
  ASSERT_NE(data, nullptr);
  const dialog_template::Template t = dialog_template::Reader(data).Read();
  // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT
  EXPECT_EQ(t.style, 0x80C808C0u);
  EXPECT_EQ(t.ex_style, 0u);
  EXPECT_EQ((std::vector<int>{t.cx, t.cy}), (std::vector<int>{201, 191}));
  EXPECT_EQ(t.caption, "Choose Directory");
  EXPECT_EQ(t.point_size, 8);
  EXPECT_EQ(t.font, "MS Sans Serif");

  const dialog_template::Control expected[] = {
      {0x50020000, 7, 7, 187, 8, 101, "STATIC", "Choose the directory for installation."},
      {0x50020000, 7, 20, 74, 8, 102, "STATIC", "&Path:"},
      {0x50830080, 7, 31, 187, 14, 103, "EDIT", ""},  // WS_BORDER WS_GROUP WS_TABSTOP ES_AUTOHSCROLL
      {0x50020000, 7, 52, 74, 8, 104, "STATIC", "&Directories:"},
      // WS_BORDER WS_VSCROLL WS_TABSTOP LBS_NOTIFY LBS_SORT LBS_OWNERDRAWFIXED LBS_HASSTRINGS
      // LBS_DISABLENOSCROLL
      {0x50A11053, 7, 64, 129, 94, 105, "LISTBOX", ""},
      {0x50020000, 7, 160, 74, 8, 106, "STATIC", "Dri&ves:"},
      // WS_VSCROLL WS_TABSTOP CBS_DROPDOWNLIST CBS_OWNERDRAWFIXED CBS_AUTOHSCROLL CBS_HASSTRINGS
      {0x50210253, 7, 171, 129, 67, 107, "COMBOBOX", ""},
      {0x50010001, 144, 64, 50, 14, 108, "BUTTON", "OK"},  // WS_TABSTOP BS_DEFPUSHBUTTON
      {0x50010000, 144, 86, 50, 14, 2, "BUTTON", "Cancel"},
  };
  ASSERT_EQ(t.controls.size(), std::size(expected));
  for (size_t i = 0; i < t.controls.size(); ++i) {
    const dialog_template::Control& a = t.controls[i];
    const dialog_template::Control& e = expected[i];
    SCOPED_TRACE("control " + std::to_string(i) + " (" + std::to_string(e.id) + ")");
    EXPECT_EQ(a.id, e.id);
    EXPECT_EQ(a.style, e.style);
    EXPECT_EQ((std::vector<int>{a.x, a.y, a.cx, a.cy}), (std::vector<int>{e.x, e.y, e.cx, e.cy}));
    EXPECT_EQ(a.class_name, e.class_name);
    EXPECT_EQ(a.text, e.text);
  }
}

TEST_F(ChooserResourcesTest, EveryIconIsOne16ColourImageOf16Pixels) {
  const int ids[] = {IDI_CLOSED_FOLDER, IDI_CURRENT_FOLDER, IDI_OPEN_FOLDER, IDI_DISC_DRIVE,
                     IDI_FLOPPY_DRIVE,  IDI_HARD_DISK,      IDI_NETWORK_DRIVE, IDI_RAM_DISK};
  for (int id : ids) {
    SCOPED_TRACE(id);
    DWORD size = 0;
    const uint8_t* group = Resource(MAKEINTRESOURCEA(14), id, &size);  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(size, 6u + 14u);  // one image
    uint16_t bits = 0;
    std::memcpy(&bits, group + 6 + 6, 2);
    // width, height, colours; bits per pixel
    EXPECT_EQ((std::vector<int>{group[6], group[7], group[8], bits}), (std::vector<int>{16, 16, 16, 4}));
  }
}

}  // namespace
