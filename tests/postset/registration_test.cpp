// Registration against a scratch registry (the machine and class roots redirected
// to keys of this process), scratch Programs and desktop folders and a scratch
// destination. The registry and the ini file are read back through the system's
// interfaces; the pump, the foreground call and the final message are recorded in
// one list so that their order shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
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

// Refusals a machine without administrator rights meets.
LONG WINAPI RefuseCreateKey(HKEY, const char*, DWORD, char*, DWORD, REGSAM, SECURITY_ATTRIBUTES*, HKEY* key,
                            DWORD*) {
  *key = nullptr;
  return ERROR_ACCESS_DENIED;
}
LONG WINAPI RefuseOpenKey(HKEY, const char*, DWORD, REGSAM, HKEY* key) {
  *key = nullptr;
  return ERROR_ACCESS_DENIED;
}
int value_writes = 0;
LONG WINAPI RefuseSetValue(HKEY, const char*, DWORD, DWORD, const BYTE*, DWORD) {
  ++value_writes;
  return ERROR_ACCESS_DENIED;
}

std::vector<std::string> ExpectedEvents() {
  std::vector<std::string> expected(3, "pump false");
  expected.insert(expected.end(), 11, "pump true");
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

std::vector<ExpectedValue> ExpectedValues() {
  const std::string find = kFindExtensionsKey;
  return {
      {HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Orvanel"},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "\"<D>\\uninst.exe\""},
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
    EXPECT_EQ(events, ExpectedEvents());
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

  void ExpectAllKeysAndValues(const std::string& destination) {
    for (const ExpectedValue& v : ExpectedValues()) {
      ExpectStringValue(v.root, v.key, v.name, Expand(v.data, destination));
    }
    ExpectStringValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClsid.c_str(), "Tessivo Context Menu");
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
  for (const ExpectedValue& v : ExpectedValues()) {
    ExpectStringValue(v.root, v.key, v.name, Expand(v.data, destination));
  }
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
