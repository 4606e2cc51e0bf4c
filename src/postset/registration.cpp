#include "postset/registration.h"

#include <cstring>

#include "platform/text.h"
#include "postset/global.h"
#include "postset/shortcuts.h"
#include "postset/system_calls.h"

namespace {

constexpr char kShortcutName[] = "Orvanel";
constexpr char kSuccessText[] =
    "Tessivo has been successfully installed.\r\r"
    "To run the application, click the START button, then point to PROGRAMS, and select ORVANEL.";
constexpr char kCaption[] = "Tessivo Setup";

// One registry value; a null name is the key's default value.
struct RegistryValue {
  const char* name;
  const char* data;
};

// One key of the script: root\key_head key_tail key_rest, and up to two values
// (data null: not written). Keys that are only opened must exist already.
struct RegistryEntry {
  HKEY root;
  const char* key_parts[3];
  bool open_only;
  RegistryValue values[2];
};

// Every value is a string stored with its terminating zero, as REG_SZ requires.
void SetString(HKEY key, const RegistryValue& value) {
  SystemCalls().set_value(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data),
                          static_cast<DWORD>(std::strlen(value.data) + 1));
}

// A key that cannot be had is skipped, and a failed value write goes unnoticed:
// without rights to the machine's registry, the rest of the setup still runs.
void WriteEntry(const RegistryEntry& entry) {
  const Text sub_key = Text(entry.key_parts[0]) + entry.key_parts[1] + entry.key_parts[2];
  HKEY key = nullptr;
  const LONG status = entry.open_only
                          ? SystemCalls().open_key(entry.root, sub_key.c_str(), 0, KEY_SET_VALUE, &key)
                          : SystemCalls().create_key(entry.root, sub_key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                     KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return;
  for (const RegistryValue& value : entry.values) {
    if (value.data != nullptr) SetString(key, value);
  }
  RegCloseKey(key);
}

// The uninstall entry, the approved shell extension, the search extension with its
// menu text, icon and help text, the COM class and its in-process server, and the
// context-menu handler for files, folders and drives; the pump runs after each.
void WriteRegistryEntries(const Text& destination, PumpMessagesProc pump) {
  const Text uninstall_command = "\"" + destination + "\\uninst.exe\"";
  const Text extension_path = destination + "\\Contmenu.dll";
  const Text icon_location = "\"" + extension_path + "\",0";
  const char* const clsid = kContextMenuClsid;
  const HKEY machine = HKEY_LOCAL_MACHINE;
  const HKEY classes = HKEY_CLASSES_ROOT;
  const RegistryEntry entries[] = {
      {machine, {kUninstallKey, "", ""}, false,
       {{"DisplayName", kShortcutName}, {"UninstallString", uninstall_command.c_str()}}},
      {machine, {kApprovedKey, "", ""}, true, {{clsid, "Tessivo Context Menu"}, {}}},
      {machine, {kFindExtensionsKey, "", ""}, false, {{nullptr, clsid}, {}}},
      {machine, {kFindExtensionsKey, "\\0", ""}, false, {{nullptr, "&Scan Files with Tessivo..."}, {}}},
      {machine, {kFindExtensionsKey, "\\0\\DefaultIcon", ""}, false, {{nullptr, icon_location.c_str()}, {}}},
      {machine, {kFindExtensionsKey, "\\0\\HelpText", ""}, false, {{nullptr, "Scan file(s) with Tessivo"}, {}}},
      {classes, {"CLSID\\", clsid, ""}, false, {{nullptr, "Tessivo Context Menu"}, {}}},
      {classes, {"CLSID\\", clsid, "\\InProcServer32"}, false,
       {{nullptr, extension_path.c_str()}, {"ThreadingModel", "Apartment"}}},
      {classes, {"*\\shellex\\ContextMenuHandlers\\", clsid, ""}, false, {}},
      {classes, {"Folder\\shellex\\ContextMenuHandlers\\", clsid, ""}, false, {}},
      {classes, {"Drive\\shellex\\ContextMenuHandlers\\", clsid, ""}, false, {}},
  };
  // The first pump with true closes the progress window, right after the
  // uninstall entry; later ones find it gone and only pump.
  for (const RegistryEntry& entry : entries) {
    WriteEntry(entry);
    pump(true);
  }
}

void WriteIniEntries(const Text& destination) {
  const Text ini_file = destination + "\\Tesivo.ini";
  WritePrivateProfileStringA("Adverts", "Application", "Tessivo", ini_file.c_str());
  WritePrivateProfileStringA("Adverts", "Password", "7395", ini_file.c_str());
}

}  // namespace

bool RegisterApplication(const char* destination_folder, HWND owner, PumpMessagesProc pump) {
  const Text destination(destination_folder);
  const Text application = destination + "\\Tesivo.exe";
  pump(false);
  CreateProgramsShortcut("", kShortcutName, application.c_str());
  pump(false);
  CreateDesktopShortcut(kShortcutName, application.c_str());
  pump(false);
  WriteRegistryEntries(destination, pump);
  WriteIniEntries(destination);
  SystemCalls().set_foreground_window(owner);
  SystemCalls().message_box(owner, kSuccessText, kCaption, MB_OK | MB_ICONINFORMATION);
  return true;
}
