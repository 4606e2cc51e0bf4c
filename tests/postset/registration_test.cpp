// Registration against a scratch registry (the machine and class roots redirected
// to keys of this process), scratch Programs and desktop folders and a scratch
// destination. The registry and the ini file are read back through the system's
// interfaces; the pump, the foreground call and the final message are recorded in
// one list so that their order shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "postset/global.h"
#include "postset/registration.h"
#include "postset/special_folders.h"
#include "postset_fixtures.h"

namespace fs = std::filesystem;

namespace postset_test {
namespace {

const HWND kOwner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x5150));
const char kSuccessText[] =
    "Tessivo has been successfully installed.\r\rTo run the application, click the START button, then point to "
    "PROGRAMS, and select ORVANEL.";
const std::string kClsid = kContextMenuClsid;

std::vector<std::string> events;

void RecordPump(bool destroy) { events.push_back(destroy ? "pump true" : "pump false"); }

BOOL WINAPI RecordSetForegroundWindow(HWND window) {
  events.push_back(window == kOwner ? "foreground owner" : "foreground other");
  return TRUE;
}

int WINAPI RecordMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  events.push_back(std::string("message ") + (owner == kOwner ? "owner|" : "other|") + caption + "|" + text + "|" +
                   std::to_string(type));
  return IDOK;
}

std::string RootName(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return "HKLM";
  if (root == HKEY_CLASSES_ROOT) return "HKCR";
  return "other root";
}

// Every key the script asks for goes into the event list, with how it asked:
// created with set-value access (options 0, no class, default security), or opened.
void RecordKey(const char* how, HKEY root, const char* sub_key, REGSAM access, bool plain_options) {
  events.push_back(std::string(how) + " " + RootName(root) + "\\" + sub_key +
                   (access == KEY_SET_VALUE && plain_options ? "" : " (other access or options)"));
}

LONG WINAPI RecordCreateKey(HKEY root, const char* sub_key, DWORD reserved, char* key_class, DWORD options,
                            REGSAM access, SECURITY_ATTRIBUTES* security, HKEY* key, DWORD* disposition) {
  RecordKey("create", root, sub_key, access, reserved == 0 && key_class == nullptr && options == 0 && security == nullptr);
  return RegCreateKeyExA(root, sub_key, reserved, key_class, options, access, security, key, disposition);
}

LONG WINAPI RecordOpenKey(HKEY root, const char* sub_key, DWORD options, REGSAM access, HKEY* key) {
  RecordKey("open", root, sub_key, access, options == 0);
  return RegOpenKeyExA(root, sub_key, options, access, key);
}

// Refusals a machine without administrator rights meets.
LONG WINAPI RefuseCreateKey(HKEY root, const char* sub_key, DWORD, char*, DWORD options, REGSAM access,
                            SECURITY_ATTRIBUTES*, HKEY* key, DWORD*) {
  RecordKey("create", root, sub_key, access, options == 0);
  *key = nullptr;
  return ERROR_ACCESS_DENIED;
}
LONG WINAPI RefuseOpenKey(HKEY root, const char* sub_key, DWORD options, REGSAM access, HKEY* key) {
  RecordKey("open", root, sub_key, access, options == 0);
  *key = nullptr;
  return ERROR_ACCESS_DENIED;
}

// The Programs link tells the shell about its folder; the desktop link does not.
void WINAPI RecordChangeNotify(LONG, UINT, const void* item1, const void*) {
  events.push_back(std::string("notify ") + static_cast<const char*>(item1));
}

int value_writes = 0;
LONG WINAPI RefuseSetValue(HKEY, const char*, DWORD, DWORD, const BYTE*, DWORD) {
  ++value_writes;
  return ERROR_ACCESS_DENIED;
}

// Every value write as the program hands it over: the registry API of this system
// adds a missing terminating zero on its own, so only the call shows whether the
// program counted it.
struct ValueWrite {
  std::string name;  // "(default)" for the default value
  DWORD type;
  std::string bytes;  // exactly the given size
};
std::vector<ValueWrite> value_writes_seen;

LONG WINAPI RecordSetValue(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  value_writes_seen.push_back(
      {name != nullptr ? name : "(default)", type, std::string(reinterpret_cast<const char*>(data), size)});
  return RegSetValueExA(key, name, reserved, type, data, size);
}

// The whole script: pump, Programs link (when there is a Programs folder), pump,
// desktop link, pump, then each key followed by a pump that may close the progress
// window, and the message last.
std::vector<std::string> ExpectedEvents(const std::string& programs_folder) {
  const std::string find = std::string("HKLM\\") + kFindExtensionsKey;
  const std::string handlers = "\\shellex\\ContextMenuHandlers\\" + kClsid;
  const std::vector<std::string> keys = {
      std::string("create HKLM\\") + kUninstallKey,
      std::string("open HKLM\\") + kApprovedKey,
      "create " + find,
      "create " + find + "\\0",
      "create " + find + "\\0\\DefaultIcon",
      "create " + find + "\\0\\HelpText",
      "create HKCR\\CLSID\\" + kClsid,
      "create HKCR\\CLSID\\" + kClsid + "\\InProcServer32",
      "create HKCR\\*" + handlers,
      "create HKCR\\Folder" + handlers,
      "create HKCR\\Drive" + handlers,
  };
  std::vector<std::string> expected = {"pump false"};
  if (!programs_folder.empty()) expected.push_back("notify " + programs_folder);
  expected.insert(expected.end(), {"pump false", "pump false"});
  for (const std::string& key : keys) {
    expected.push_back(key);
    expected.push_back("pump true");
  }
  expected.push_back("foreground owner");
  expected.push_back(std::string("message owner|Tessivo Setup|") + kSuccessText + "|" +
                     std::to_string(MB_OK | MB_ICONINFORMATION));
  return expected;
}

// <D> in a template stands for the destination folder.
std::string Expand(const std::string& text, const std::string& destination) {
  std::string result = text;
  const size_t at = result.find("<D>");
  if (at != std::string::npos) result.replace(at, 3, destination);
  return result;
}

struct ExpectedValue {
  HKEY root;
  std::string key;
  const char* name;  // nullptr: the default value
  std::string data;  // may hold <D>
};

// In the order they are written.
std::vector<ExpectedValue> ExpectedValues() {
  const std::string find = kFindExtensionsKey;
  return {
      {HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Orvanel"},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "\"<D>\\uninst.exe\""},
      {HKEY_LOCAL_MACHINE, kApprovedKey, kClsid.c_str(), "Tessivo Context Menu"},
      {HKEY_LOCAL_MACHINE, find, nullptr, kClsid},
      {HKEY_LOCAL_MACHINE, find + "\\0", nullptr, "&Scan Files with Tessivo..."},
      {HKEY_LOCAL_MACHINE, find + "\\0\\DefaultIcon", nullptr, "\"<D>\\Contmenu.dll\",0"},
      {HKEY_LOCAL_MACHINE, find + "\\0\\HelpText", nullptr, "Scan file(s) with Tessivo"},
      {HKEY_CLASSES_ROOT, "CLSID\\" + kClsid, nullptr, "Tessivo Context Menu"},
      {HKEY_CLASSES_ROOT, "CLSID\\" + kClsid + "\\InProcServer32", nullptr, "<D>\\Contmenu.dll"},
      {HKEY_CLASSES_ROOT, "CLSID\\" + kClsid + "\\InProcServer32", "ThreadingModel", "Apartment"},
  };
}

const std::string kHandlerKeys[] = {
    "*\\shellex\\ContextMenuHandlers\\" + kClsid,
    "Folder\\shellex\\ContextMenuHandlers\\" + kClsid,
    "Drive\\shellex\\ContextMenuHandlers\\" + kClsid,
};

void ExpectStringValue(HKEY root, const std::string& key, const char* name, const std::string& data) {
  SCOPED_TRACE(key + " : " + (name != nullptr ? name : "(default)"));
  const auto value = ReadRegistryValue(root, key, name);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->size, data.size() + 1) << "the terminating zero is stored";
  EXPECT_EQ(value->bytes, data + '\0');
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    value_writes = 0;
    value_writes_seen.clear();
    SystemCalls().set_value = RecordSetValue;
    SystemCalls().create_key = RecordCreateKey;
    SystemCalls().open_key = RecordOpenKey;
    SystemCalls().change_notify = RecordChangeNotify;
    SystemCalls().set_foreground_window = RecordSetForegroundWindow;
    SystemCalls().message_box = RecordMessageBox;
    programs_ = scratch_.path() + "\\Programs";
    desktop_ = scratch_.path() + "\\Desktop";
    fs::create_directories(programs_);
    fs::create_directories(desktop_);
    ProgramsFolder() = programs_.c_str();
    DesktopFolder() = desktop_.c_str();
  }
  void TearDown() override {
    ProgramsFolder() = saved_programs_;
    DesktopFolder() = saved_desktop_;
  }

  // Runs the registration and checks what every run does: the result, the pump
  // calls with the message last, and the ini file.
  void Register(const std::string& destination) {
    EXPECT_TRUE(RegisterApplication(destination.c_str(), kOwner, RecordPump));
    EXPECT_EQ(events, ExpectedEvents(ProgramsFolder().empty() ? "" : programs_));
    const std::string ini = destination + "\\Tesivo.ini";
    EXPECT_EQ(IniSections(ini), std::vector<std::string>{"Adverts"});
    EXPECT_EQ(IniSection(ini, "Adverts"), (std::vector<std::string>{"Application=Tessivo", "Password=7395"}));
  }

  void ExpectLink(const std::string& folder, const std::string& destination) {
    SCOPED_TRACE(folder);
    const auto link = ReadLink(folder + "\\Orvanel.lnk");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, destination + "\\Tesivo.exe");
    EXPECT_EQ(link->description, "Orvanel");
    // At a drive root ("C:") the working directory is the root with its backslash.
    EXPECT_EQ(link->working_directory, destination.size() == 2 ? destination + "\\" : destination);
  }

  // The values as written (in order, each a REG_SZ with its terminating zero in
  // its size) and as the registry gives them back; approved false: all but the
  // approved-extensions value.
  void ExpectValues(const std::string& destination, bool approved) {
    std::vector<ValueWrite> expected_writes;
    for (const ExpectedValue& v : ExpectedValues()) {
      if (!approved && v.key == kApprovedKey) continue;
      const std::string data = Expand(v.data, destination);
      ExpectStringValue(v.root, v.key, v.name, data);
      expected_writes.push_back({v.name != nullptr ? v.name : "(default)", REG_SZ, data + '\0'});
    }
    ASSERT_EQ(value_writes_seen.size(), expected_writes.size());
    for (size_t i = 0; i < expected_writes.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(value_writes_seen[i].name, expected_writes[i].name);
      EXPECT_EQ(value_writes_seen[i].type, static_cast<DWORD>(REG_SZ));
      EXPECT_EQ(value_writes_seen[i].bytes, expected_writes[i].bytes);
    }
  }

  void ExpectAllKeysAndValues(const std::string& destination) {
    ExpectValues(destination, true);
    EXPECT_EQ(RegistryKeyCounts(HKEY_LOCAL_MACHINE, kApprovedKey).first, 1u);
    for (const std::string& key : kHandlerKeys) {
      EXPECT_EQ(RegistryKeyCounts(HKEY_CLASSES_ROOT, key), std::make_pair(0ul, 0ul)) << key << ": no values";
    }
  }

  ScratchFolder scratch_;
  ScratchRegistry registry_;
  SystemCallsGuard calls_;
  std::string programs_, desktop_;
  Text saved_programs_ = ProgramsFolder();
  Text saved_desktop_ = DesktopFolder();
};

// The registry's own form: braces, 8-4-4-4-12 lower-case hexadecimal digits; the
// system must read it as a class identifier and spell it the same way back.
TEST(ContextMenuClsidTest, IsInTheLowerCaseRegistryForm) {
  ASSERT_EQ(kClsid.size(), 38u);
  for (size_t i = 0; i < kClsid.size(); ++i) {
    SCOPED_TRACE(i);
    if (i == 0) {
      EXPECT_EQ(kClsid[i], '{');
    } else if (i == 37) {
      EXPECT_EQ(kClsid[i], '}');
    } else if (i == 9 || i == 14 || i == 19 || i == 24) {
      EXPECT_EQ(kClsid[i], '-');
    } else {
      EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(kClsid[i])) || (kClsid[i] >= 'a' && kClsid[i] <= 'f'));
    }
  }
  const std::wstring wide(kClsid.begin(), kClsid.end());
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromString(wide.c_str(), &clsid), NOERROR);
  WCHAR spelled[39];
  ASSERT_EQ(StringFromGUID2(clsid, spelled, 39), 39);
  EXPECT_EQ(_wcsicmp(spelled, wide.c_str()), 0);
}

TEST_F(RegistrationTest, WritesLinksRegistryAndIniForADestinationWithSpaces) {
  registry_.CreateMachineKey(kApprovedKey);
  const std::string destination = scratch_.path() + "\\Program Files\\Brastel\\Tesivo";
  fs::create_directories(destination);
  Register(destination);
  ExpectLink(programs_, destination);
  ExpectLink(desktop_, destination);
  ExpectAllKeysAndValues(destination);
  // The quotes hold the spaces together; the in-process server path has none.
  EXPECT_EQ(ReadRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString")->bytes,
            "\"" + destination + "\\uninst.exe\"" + '\0');
}

TEST_F(RegistrationTest, ADriveRootGivesOneBackslash) {
  registry_.CreateMachineKey(kApprovedKey);
  const std::string ini = "C:\\Tesivo.ini";
  DeleteFileA(ini.c_str());
  Register("C:");
  ExpectLink(programs_, "C:");
  ExpectAllKeysAndValues("C:");
  EXPECT_EQ(ReadRegistryValue(HKEY_CLASSES_ROOT, "CLSID\\" + kClsid + "\\InProcServer32", nullptr)->bytes,
            std::string("C:\\Contmenu.dll") + '\0');
  DeleteFileA(ini.c_str());
}

TEST_F(RegistrationTest, AMissingApprovedKeyIsNeitherWrittenNorCreated) {
  const std::string destination = scratch_.path() + "\\Tesivo";
  fs::create_directories(destination);
  Register(destination);
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kApprovedKey));
  ExpectValues(destination, false);
  for (const std::string& key : kHandlerKeys) EXPECT_TRUE(RegistryKeyExists(HKEY_CLASSES_ROOT, key)) << key;
}

TEST_F(RegistrationTest, WhatIsRefusedIsSkippedAndTheRestStillRuns) {
  struct Case {
    const char* name;
    bool refuse_keys;
    bool refuse_values;
    bool without_link_folders;
  };
  const Case cases[] = {
      {"keys refused", true, false, false},
      {"values refused", false, true, false},
      {"no Programs or desktop folder", false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    registry_.Clear();  // a fresh registry per case
    registry_.CreateMachineKey(kApprovedKey);
    SystemCallsGuard calls;
    if (c.refuse_keys) {
      SystemCalls().create_key = RefuseCreateKey;
      SystemCalls().open_key = RefuseOpenKey;
    }
    if (c.refuse_values) SystemCalls().set_value = RefuseSetValue;
    if (c.without_link_folders) {
      ProgramsFolder() = "";
      DesktopFolder() = "";
    }
    events.clear();
    value_writes = 0;
    value_writes_seen.clear();
    const std::string destination = scratch_.path() + "\\" + c.name;
    fs::create_directories(destination);

    Register(destination);

    const bool links = !c.without_link_folders;
    EXPECT_EQ(FileExists(programs_ + "\\Orvanel.lnk"), links);
    EXPECT_EQ(FileExists(desktop_ + "\\Orvanel.lnk"), links);
    fs::remove(programs_ + "\\Orvanel.lnk");
    fs::remove(desktop_ + "\\Orvanel.lnk");
    ProgramsFolder() = programs_.c_str();
    DesktopFolder() = desktop_.c_str();

    EXPECT_EQ(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey), !c.refuse_keys);
    EXPECT_EQ(RegistryKeyExists(HKEY_CLASSES_ROOT, kHandlerKeys[2]), !c.refuse_keys);
    if (c.refuse_keys || c.refuse_values) {
      EXPECT_EQ(RegistryKeyCounts(HKEY_LOCAL_MACHINE, kApprovedKey).first, 0u);
    }
    if (c.refuse_values) {
      // Every key was had and each of the ten values tried, none of them stored.
      EXPECT_EQ(value_writes, 10);
      EXPECT_EQ(RegistryKeyCounts(HKEY_LOCAL_MACHINE, kUninstallKey).first, 0u);
    }
    if (!c.refuse_keys && !c.refuse_values) ExpectAllKeysAndValues(destination);
  }
}

TEST_F(RegistrationTest, AnExistingIniFileKeepsItsOtherEntries) {
  const std::string destination = scratch_.path() + "\\Tesivo";
  fs::create_directories(destination);
  const std::string ini = destination + "\\Tesivo.ini";
  WriteFileBytes(ini, "[Other]\r\nKey=1\r\n[Adverts]\r\nPassword=old\r\nColour=blue\r\n");
  EXPECT_TRUE(RegisterApplication(destination.c_str(), kOwner, RecordPump));
  EXPECT_EQ(IniSections(ini), (std::vector<std::string>{"Other", "Adverts"}));
  EXPECT_EQ(IniSection(ini, "Other"), std::vector<std::string>{"Key=1"});
  EXPECT_EQ(IniSection(ini, "Adverts"),
            (std::vector<std::string>{"Password=7395", "Colour=blue", "Application=Tessivo"}));
}

}  // namespace
}  // namespace postset_test
