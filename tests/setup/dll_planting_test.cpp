// A setup run from a download folder must not load DLLs that someone put beside it
// under the names of the system DLLs it loads at run time. Wine is told to prefer
// such native DLLs for the setup, so a search that reaches the program's folder
// loads the planted copy, which then leaves a mark.
#include <string>

#include "setup_harness.h"

namespace setup_test {
namespace {

const char* const kPlantedNames[] = {"shell32.dll", "comctl32.dll"};

constexpr char kAppOverrides[] = "Software\\Wine\\AppDefaults\\setup.exe\\DllOverrides";

class DllPlantingTest : public SetupCase {
 protected:
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\setup.exe");
    SetupCase::TearDown();
  }

  // Wine's per-program setting: for setup.exe, a native DLL found on the search path
  // comes before wine's own.
  void PreferPlantedDlls() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kAppOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const char* dll : {"shell32", "comctl32"}) {
      RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"), 15);
    }
    RegCloseKey(key);
  }
};

TEST_F(DllPlantingTest, DllsBesideTheSetupAreNotLoaded) {
  const std::string planted = PathFromEnvironment("TSV_PLANTED_DLL");
  ASSERT_FALSE(planted.empty());
  for (const char* name : kPlantedNames) {
    ASSERT_TRUE(CopyFileA(ui::WindowsPath(planted).c_str(), (case_folder_ + "\\" + name).c_str(), FALSE));
  }
  PreferPlantedDlls();

  // Through the whole run: the progress window loads shell32 and comctl32.
  const HWND welcome = StartAtWelcome(PathFromEnvironment("TSV_SETUP_STUB"));
  ASSERT_NE(welcome, nullptr);
  ui::Press(welcome, kInstall);
  EXPECT_EQ(FinishRun(), 0);
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].box.text, kCorruptedText);

  for (const char* name : kPlantedNames) {
    EXPECT_FALSE(FileExists(case_folder_ + "\\" + name + ".loaded")) << "the planted " << name << " was loaded";
  }
}

}  // namespace
}  // namespace setup_test
