// A setup file with the sample payload installed by the real setup program, then
// looked at from outside the prefix: the links through lnkinfo, the registry
// through wine's reg tool, the ini file byte for byte. The desktop link must start
// the installed stand-in application (built for this machine, see CMakeLists.txt).
// Every link and key the run leaves is removed before and after, so the prefix
// stays as it was.
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "postset/global.h"
#include "setup_harness.h"

namespace fs = std::filesystem;

namespace setup_test {
namespace {

const char kSuccessText[] =
    "Tessivo has been successfully installed.\r\rTo run the application, click the START button, then point to "
    "PROGRAMS, and select ORVANEL.";
// Spelled out here rather than taken from the program, so that a wrong key in the
// program shows. The class identifier is the program's own choice.
const char kUninstallKeyText[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvanel";
const char kApprovedKeyText[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kFindExtensionsKeyText[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FindExtensions\\Static\\Tessivo";
const std::string kClsid = kContextMenuClsid;
const std::string kHandlers = "\\shellex\\ContextMenuHandlers\\" + kClsid;

std::string FolderPath(int csidl) {
  char path[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// The Unix path of a Windows path, as wine maps it.
std::string UnixPath(const std::string& windows_path) {
  using UnixFileName = char*(CDECL*)(const WCHAR*);
  const auto unix_file_name = reinterpret_cast<UnixFileName>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unix_file_name == nullptr) return "";
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide, MAX_PATH);
  char* unix_path = unix_file_name(wide);
  if (unix_path == nullptr) return "";
  std::string result = unix_path;
  HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

// Runs a Unix command line (no double quotes in it) through sh and returns what it
// printed, or nullopt when it failed. Wine gives back no process handle for a Unix
// program, so sh leaves the exit status in a file that is polled for.
std::optional<std::string> UnixOutput(const std::string& command_line) {
  static int runs = 0;
  const std::string base = "/tmp/tsv-postset-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs);
  const std::string out_file = ui::WindowsPath(base + ".out");
  const std::string status_file = ui::WindowsPath(base + ".status");
  std::string command = "/bin/sh -c \"" + command_line + " >" + base + ".out 2>&1; echo $? >" + base + ".status\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << command_line;
    return std::nullopt;
  }
  // For a Unix program wine fills the process information with values that are
  // no handles of ours; closing them could close one this process holds.
  int status = -1;
  for (int waited = 0; waited < 60000 && status < 0; waited += 50) {
    ui::Sleep(50);
    std::ifstream(status_file) >> status;
  }
  const std::string text = ReadFile(out_file);
  DeleteFileA(out_file.c_str());
  DeleteFileA(status_file.c_str());
  if (status != 0) {
    ADD_FAILURE() << command_line << " ended with " << status << ":\n" << text;
    return std::nullopt;
  }
  return text;
}

// "Name : value" fields of lnkinfo's report (tabs around the colon).
std::map<std::string, std::string> LnkInfo(const std::string& link_file) {
  std::map<std::string, std::string> fields;
  const auto report = UnixOutput("/usr/bin/lnkinfo '" + UnixPath(link_file) + "'");
  if (!report) return fields;
  std::istringstream lines(*report);
  for (std::string line; std::getline(lines, line);) {
    const size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    const size_t name_start = line.find_first_not_of('\t');
    const size_t name_end = line.find_last_not_of("\t ", colon - 1);
    if (name_start >= colon) continue;
    fields.emplace(line.substr(name_start, name_end + 1 - name_start), line.substr(colon + 2));
  }
  return fields;
}

// The values of one key as wine's reg tool lists them: name -> "TYPE data", the
// default value as "(Default)". nullopt (and a failure) when the key does not exist.
std::optional<std::map<std::string, std::string>> RegQuery(const std::string& key) {
  const auto listing = UnixOutput("/usr/lib/wine/wine64 reg query '" + key + "'");
  if (!listing) return std::nullopt;
  std::map<std::string, std::string> values;
  std::istringstream lines(*listing);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, 4, "    ") != 0) continue;
    const size_t name_end = line.find("    ", 4);
    if (name_end == std::string::npos) continue;
    values[line.substr(4, name_end - 4)] = line.substr(name_end + 4);
  }
  return values;
}

// Everything a run leaves outside the destination folder and the case's desktop.
void RemoveRegistration() {
  for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
    DeleteFileA((FolderPath(csidl) + "\\Orvanel.lnk").c_str());
  }
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKeyText);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kFindExtensionsKeyText);
  HKEY approved = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKeyText, 0, KEY_SET_VALUE, &approved) == ERROR_SUCCESS) {
    RegDeleteValueA(approved, kClsid.c_str());
    RegCloseKey(approved);
  }
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + kClsid).c_str());
  for (const char* owner : {"*", "Folder", "Drive"}) {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, (owner + kHandlers).c_str());
  }
}

// Sets a string value of a key below HKEY_CURRENT_USER for the life of the object
// and puts back what was there before, the key itself included.
class UserValue {
 public:
  UserValue(const char* key, const char* name, DWORD type, const std::string& data) : key_(key), name_(name) {
    HKEY existing = nullptr;
    key_existed_ = RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &existing) == ERROR_SUCCESS;
    if (key_existed_) RegCloseKey(existing);
    char buffer[1024];
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type_,
                     buffer, &size) == ERROR_SUCCESS) {
      original_ = std::string(buffer);
    }
    Write(type, &data);
  }
  ~UserValue() {
    Write(type_, original_ ? &*original_ : nullptr);
    if (!key_existed_) RegDeleteKeyA(HKEY_CURRENT_USER, key_);
  }

 private:
  void Write(DWORD type, const std::string* data) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key_, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
      ADD_FAILURE() << "cannot write HKCU\\" << key_;
      return;
    }
    if (data != nullptr) {
      RegSetValueExA(key, name_, 0, type, reinterpret_cast<const BYTE*>(data->c_str()),
                     static_cast<DWORD>(data->size() + 1));
    } else {
      RegDeleteValueA(key, name_);
    }
    RegCloseKey(key);
  }

  const char* key_;
  const char* name_;
  DWORD type_ = REG_SZ;
  bool key_existed_ = false;
  std::optional<std::string> original_;
};

class InstalledRegistrationTest : public SetupCase {
 protected:
  void SetUp() override {
    SetupCase::SetUp();
    RemoveRegistration();
    // This prefix's desktop folder is the Unix home folder, and wine would mirror
    // links on the desktop and in the Programs folder into the Unix desktop's
    // menus. The run must change neither: the desktop is a folder of the case, and
    // the menu builder is switched off while it runs.
    desktop_ = case_folder_ + "\\Desktop";
    fs::create_directories(desktop_);
    desktop_folder_.emplace("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", "Desktop",
                            REG_EXPAND_SZ, desktop_);
    menu_builder_.emplace("Software\\Wine\\DllOverrides", "winemenubuilder.exe", REG_SZ, "");
  }
  void TearDown() override {
    if (remove_app_defaults_) RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\setup.exe");
    RemoveRegistration();
    desktop_folder_.reset();
    menu_builder_.reset();
    if (fs::exists(destination_)) {
      for (const auto& entry : fs::recursive_directory_iterator(destination_)) {
        SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
      }
    }
    SetupCase::TearDown();
  }

  std::string sample_ = PathFromEnvironment("TSV_SAMPLE_SETUP");
  std::string desktop_;
  std::optional<UserValue> desktop_folder_;
  std::optional<UserValue> menu_builder_;
  bool remove_app_defaults_ = false;
};

TEST_F(InstalledRegistrationTest, InstallEndsWithTheSuccessMessageAndRegistersTheApplication) {
  const HWND welcome = StartAtWelcome(sample_);
  ASSERT_NE(welcome, nullptr);
  ui::Press(welcome, kInstall);
  const auto message = NextMessage(60000);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->caption, kMessageCaption);
  EXPECT_EQ(message->text, kSuccessText);
  EXPECT_EQ(message->buttons, std::vector<std::string>{"OK"});
  EXPECT_FALSE(seen_.back().progress_visible) << "the progress window is gone before the message";
  EXPECT_EQ(GetWindow(message->hwnd, GW_OWNER), ui::FindWindowByTitle(kTitle, "TsvInstWnd", setup_.pid))
      << "owned by the backdrop";
  ui::Answer(*message, "OK");
  EXPECT_EQ(FinishRun(), 0);
  EXPECT_EQ(seen_.size(), 1u) << "no other message";

  // The links, as an independent reader sees them: the administrator's (wine's)
  // Programs link goes to all users, the desktop link to the current user.
  ASSERT_EQ(FolderPath(CSIDL_DESKTOPDIRECTORY), desktop_);
  const std::string links[] = {FolderPath(CSIDL_COMMON_PROGRAMS) + "\\Orvanel.lnk", desktop_ + "\\Orvanel.lnk"};
  for (const std::string& link : links) {
    SCOPED_TRACE(link);
    const auto fields = LnkInfo(link);
    ASSERT_TRUE(fields.count("Local path")) << "no readable link";
    EXPECT_EQ(fields.at("Local path"), destination_ + "\\Tesivo.exe");
    EXPECT_EQ(fields.at("Description"), "Orvanel");
    EXPECT_EQ(fields.at("Working directory"), destination_);
  }
  EXPECT_FALSE(FileExists(FolderPath(CSIDL_PROGRAMS) + "\\Orvanel.lnk"));

  // The registry, as wine's reg tool lists it.
  const std::string machine = "HKLM\\";
  const std::string find = machine + kFindExtensionsKeyText;
  const struct {
    std::string key;
    std::map<std::string, std::string> values;
  } keys[] = {
      {machine + kUninstallKeyText,
       {{"DisplayName", "REG_SZ    Orvanel"}, {"UninstallString", "REG_SZ    \"" + destination_ + "\\uninst.exe\""}}},
      {find, {{"(Default)", "REG_SZ    " + kClsid}}},
      {find + "\\0", {{"(Default)", "REG_SZ    &Scan Files with Tessivo..."}}},
      {find + "\\0\\DefaultIcon", {{"(Default)", "REG_SZ    \"" + destination_ + "\\Contmenu.dll\",0"}}},
      {find + "\\0\\HelpText", {{"(Default)", "REG_SZ    Scan file(s) with Tessivo"}}},
      {"HKCR\\CLSID\\" + kClsid, {{"(Default)", "REG_SZ    Tessivo Context Menu"}}},
      {"HKCR\\CLSID\\" + kClsid + "\\InProcServer32",
       {{"(Default)", "REG_SZ    " + destination_ + "\\Contmenu.dll"}, {"ThreadingModel", "REG_SZ    Apartment"}}},
      {"HKCR\\*" + kHandlers, {}},
      {"HKCR\\Folder" + kHandlers, {}},
      {"HKCR\\Drive" + kHandlers, {}},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(k.key);
    const auto values = RegQuery(k.key);
    ASSERT_TRUE(values) << "key missing";
    EXPECT_EQ(*values, k.values);
  }
  const auto approved = RegQuery(machine + kApprovedKeyText);
  ASSERT_TRUE(approved);
  EXPECT_EQ(approved->count(kClsid) ? approved->at(kClsid) : "missing", "REG_SZ    Tessivo Context Menu");

  EXPECT_EQ(ReadFile(destination_ + "\\Tesivo.ini"), "[Adverts]\r\nApplication=Tessivo\r\nPassword=7395\r\n");

  // The desktop link starts the installed application. The shell reads the link
  // through COM, which the calling thread must have set up.
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_FLAG_NO_UI;
  execute.lpFile = links[1].c_str();
  execute.nShow = SW_SHOWNORMAL;
  ASSERT_TRUE(ShellExecuteExA(&execute)) << GetLastError();
  const HWND application = ui::WaitForWindow("Tessivo", "TesivoSample");
  ASSERT_NE(application, nullptr) << "the stand-in application did not come up";
  DWORD pid = 0;
  GetWindowThreadProcessId(application, &pid);
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
  ASSERT_NE(process, nullptr);
  char image[MAX_PATH] = "";
  DWORD size = MAX_PATH;
  QueryFullProcessImageNameA(process, 0, image, &size);
  EXPECT_EQ(_stricmp(image, (destination_ + "\\Tesivo.exe").c_str()), 0) << image;
  PostMessageA(application, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
  CloseHandle(process);
  CoUninitialize();
}

// The links need shell32 and ole32. Copies of those under their names beside the
// setup (as in a download folder) must not be used even where wine is told to
// prefer them for the setup: the links are still made, by the system's DLLs.
TEST_F(InstalledRegistrationTest, DllsBesideTheSetupAreNotUsedForTheLinks) {
  const std::string planted = PathFromEnvironment("TSV_PLANTED_DLL");
  ASSERT_FALSE(planted.empty());
  const char* const names[] = {"shell32", "ole32"};
  // Wine's per-program setting: for setup.exe, a native DLL found on the search
  // path comes before wine's own.
  constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\setup.exe";
  HKEY existing = nullptr;
  ASSERT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, KEY_READ, &existing), ERROR_SUCCESS)
      << "wine settings for setup.exe are in the way";
  remove_app_defaults_ = true;
  std::optional<UserValue> prefer_planted[2];
  for (int i = 0; i < 2; ++i) {
    const std::string dll = case_folder_ + "\\" + names[i] + ".dll";
    ASSERT_TRUE(CopyFileA(ui::WindowsPath(planted).c_str(), dll.c_str(), FALSE));
    prefer_planted[i].emplace("Software\\Wine\\AppDefaults\\setup.exe\\DllOverrides", names[i], REG_SZ,
                              "native,builtin");
  }

  const HWND welcome = StartAtWelcome(sample_);
  ASSERT_NE(welcome, nullptr);
  ui::Press(welcome, kInstall);
  EXPECT_EQ(FinishRun("OK", 120000), 0);
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].box.text, kSuccessText);
  EXPECT_TRUE(FileExists(FolderPath(CSIDL_COMMON_PROGRAMS) + "\\Orvanel.lnk"));
  EXPECT_TRUE(FileExists(desktop_ + "\\Orvanel.lnk"));
  for (const char* name : names) {
    EXPECT_FALSE(FileExists(case_folder_ + "\\" + name + ".dll.loaded")) << "the planted " << name << " was loaded";
  }
}

}  // namespace
}  // namespace setup_test
