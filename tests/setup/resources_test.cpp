// The setup program's resources as a reader of its image sees them: the two dialog
// templates bit for bit, the icon's formats and the version block.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/dialog_template.h"
#include "ui_driver.h"

namespace {

using dialog_template::Control;
using dialog_template::Reader;
using dialog_template::Template;

class SetupResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* stub = std::getenv("TSV_SETUP_STUB");
    ASSERT_NE(stub, nullptr) << "TSV_SETUP_STUB names the setup program";
    image_ = LoadLibraryExA(ui::WindowsPath(stub).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image_, nullptr);
  }
  void TearDown() override {
    if (image_ != nullptr) FreeLibrary(image_);
  }

  const BYTE* Resource(const char* type, const char* name, DWORD* size = nullptr) {
    const HRSRC found = FindResourceExA(image_, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (found == nullptr) return nullptr;
    if (size != nullptr) *size = SizeofResource(image_, found);
    return static_cast<const BYTE*>(LockResource(LoadResource(image_, found)));
  }

  HMODULE image_ = nullptr;
};

TEST_F(SetupResourcesTest, WelcomeDialogTemplateHoldsExactlyTheGivenControls) {
  const BYTE* data = Resource(MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(200));  // RT_DIALOG
  ASSERT_NE(data, nullptr);
  const Template t = Reader(data).Read();
  EXPECT_EQ(t.style, 0x80C008C0u);
  EXPECT_EQ(t.ex_style, 0u);
  EXPECT_EQ((std::vector<int16_t>{t.x, t.y, t.cx, t.cy}), (std::vector<int16_t>{0, 0, 275, 154}));
  EXPECT_EQ(t.caption, "");
  EXPECT_EQ(t.point_size, 8);
  EXPECT_EQ(t.font, "MS Sans Serif");

  const Control expected[] = {
      {0x50010001, 226, 7, 44, 15, 201, "BUTTON", "&Install"},
      {0x50010000, 226, 35, 44, 15, 202, "BUTTON", "&Cancel"},
      {0x50010000, 223, 130, 44, 15, 203, "BUTTON", "&Browse"},
      {0x50000007, 34, 120, 237, 30, 205, "BUTTON", "Destination directory"},
      {0x50A10804, 34, 7, 186, 108, 204, "EDIT", ""},
      {0x5002028C, 43, 131, 175, 14, 206, "STATIC", ""},
      {0x50000003, 5, 7, 20, 20, 207, "STATIC", "MAINICON"},
  };
  ASSERT_EQ(t.controls.size(), std::size(expected));
  for (size_t i = 0; i < t.controls.size(); ++i) {
    const Control& a = t.controls[i];
    const Control& e = expected[i];
    SCOPED_TRACE("control " + std::to_string(i) + " (" + std::to_string(e.id) + ")");
    EXPECT_EQ(a.id, e.id);
    EXPECT_EQ(a.style, e.style);
    EXPECT_EQ((std::vector<int16_t>{a.x, a.y, a.cx, a.cy}), (std::vector<int16_t>{e.x, e.y, e.cx, e.cy}));
    EXPECT_EQ(a.class_name, e.class_name);
    EXPECT_EQ(a.text, e.text);
  }
}

TEST_F(SetupResourcesTest, ProgressTemplateIsAVisibleCaptionedBoxWithoutControls) {
  const BYTE* data = Resource(MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(300));
  ASSERT_NE(data, nullptr);
  const Template t = Reader(data).Read();
  EXPECT_EQ(t.style, 0x90C008C0u);
  EXPECT_EQ(t.cx, 225);
  EXPECT_EQ(t.cy, 55);
  EXPECT_EQ(t.caption, "Setup is placing files on your computer...");
  EXPECT_EQ(t.point_size, 8);
  EXPECT_EQ(t.font, "MS Sans Serif");
  EXPECT_TRUE(t.controls.empty());
}

TEST_F(SetupResourcesTest, MainIconHas16ColourImagesOf32And16Pixels) {
  DWORD size = 0;
  const BYTE* group = Resource(MAKEINTRESOURCEA(14), "MAINICON", &size);  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  WORD count;
  std::memcpy(&count, group + 4, 2);
  ASSERT_EQ(size, 6u + 14u * count);
  std::vector<std::string> formats;
  for (WORD i = 0; i < count; ++i) {
    const BYTE* entry = group + 6 + 14 * i;  // width, height, colours, reserved, planes, bits...
    WORD bits;
    std::memcpy(&bits, entry + 6, 2);
    formats.push_back(std::to_string(entry[0]) + "x" + std::to_string(entry[1]) + "x" + std::to_string(entry[2]) +
                      " " + std::to_string(bits) + "bpp");
  }
  EXPECT_EQ(formats, (std::vector<std::string>{"32x32x16 4bpp", "16x16x16 4bpp"}));
}

TEST_F(SetupResourcesTest, VersionBlockNamesTheProductInUsEnglish) {
  const std::string path = ui::WindowsPath(std::getenv("TSV_SETUP_STUB"));
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const WORD* translation = static_cast<const WORD*>(value);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 1252);

  const std::pair<const char*, const char*> strings[] = {
      {"FileVersion", "1.0.2.10"},
      {"ProductVersion", "3.01"},
      {"FileDescription", "Installation program for Tessivo"},
      {"ProductName", "Orvanel"},
  };
  for (const auto& [name, expected] : strings) {
    SCOPED_TRACE(name);
    const std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), &value, &length));
    EXPECT_STREQ(static_cast<const char*>(value), expected);
  }

  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x0002000Au);
}

}  // namespace
