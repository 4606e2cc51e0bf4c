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

// The texts of the registry values, by number; three are built from the
// destination folder for each run.
enum ValueText : unsigned char {
  kNoValue,
  kDisplayName,       // "Orvanel"
  kUninstallCommand,  // "D\uninst.exe" in quotes
  kClsidText,         // the class identifier itself
  kExtensionTitle,    // "Tessivo Context Menu"
  kMenuText,
  kIconLocation,  // "D\Contmenu.dll" in quotes, then ",0"
  kHelpText,
  kExtensionPath,  // D\Contmenu.dll, without quotes
  kThreadingModel,
  kValueTextCount
};

// One registry value; a null name is the key's default value.
struct RegistryValue {
  const char* name;
  ValueText text;
};

// One key of the script: its name is the three parts joined. Only the approved
// extensions key is opened rather than created: it must exist already.
struct RegistryEntry {
  bool classes_root;  // HKEY_CLASSES_ROOT, else HKEY_LOCAL_MACHINE
  bool open_only;
  const char* key_parts[3];
  RegistryValue values[2];
};

constexpr char kHandlers[] = "\\shellex\\ContextMenuHandlers\\";

// The uninstall entry, the approved shell extension, the search extension with its
// menu text, icon and help text, the COM class and its in-process server, and the
// context-menu handler for files, folders and drives, in this order.
constexpr RegistryEntry kScript[] = {
    {false, false, {kUninstallKey, "", ""}, {{"DisplayName", kDisplayName}, {"UninstallString", kUninstallCommand}}},
    {false, true, {kApprovedKey, "", ""}, {{kContextMenuClsid, kExtensionTitle}, {}}},
    {false, false, {kFindExtensionsKey, "", ""}, {{nullptr, kClsidText}, {}}},
    {false, false, {kFindExtensionsKey, "\\0", ""}, {{nullptr, kMenuText}, {}}},
    {false, false, {kFindExtensionsKey, "\\0\\DefaultIcon", ""}, {{nullptr, kIconLocation}, {}}},
    {false, false, {kFindExtensionsKey, "\\0\\HelpText", ""}, {{nullptr, kHelpText}, {}}},
    {true, false, {"CLSID\\", kContextMenuClsid, ""}, {{nullptr, kExtensionTitle}, {}}},
    {true, false, {"CLSID\\", kContextMenuClsid, "\\InProcServer32"},
     {{nullptr, kExtensionPath}, {"ThreadingModel", kThreadingModel}}},
    {true, false, {"*", kHandlers, kContextMenuClsid}, {}},
    {true, false, {"Folder", kHandlers, kContextMenuClsid}, {}},
    {true, false, {"Drive", kHandlers, kContextMenuClsid}, {}},
};

// A key that cannot be had is skipped, and a failed value write goes unnoticed:
// without rights to the machine's registry, the rest of the setup still runs.
void WriteEntry(const RegistryEntry& entry, const char* const* texts) {
  const HKEY root = entry.classes_root ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
  const Text sub_key = Text(entry.key_parts[0]) + entry.key_parts[1] + entry.key_parts[2];
  HKEY key = nullptr;
  const LONG status = entry.open_only
                          ? SystemCalls().open_key(root, sub_key.c_str(), 0, KEY_SET_VALUE, &key)
                          : SystemCalls().create_key(root, sub_key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                     KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return;
  for (const RegistryValue& value : entry.values) {
    if (value.text == kNoValue) continue;
    // Stored with its terminating zero counted, as REG_SZ requires.
    const char* data = texts[value.text];
    SystemCalls().set_value(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                            static_cast<DWORD>(std::strlen(data) + 1));
  }
  RegCloseKey(key);
}

// The first pump with true closes the progress window, right after the uninstall
// entry; later ones find it gone and only pump.
void WriteRegistryEntries(const Text& destination, PumpMessagesProc pump) {
  const Text uninstall_command = "\"" + destination + "\\uninst.exe\"";
  const Text extension_path = destination + "\\Contmenu.dll";
  const Text icon_location = "\"" + extension_path + "\",0";
  const char* const texts[kValueTextCount] = {
      nullptr,
      kShortcutName,
      uninstall_command.c_str(),
      kContextMenuClsid,
      "Tessivo Context Menu",
      "&Scan Files with Tessivo...",
      icon_location.c_str(),
      "Scan file(s) with Tessivo",
      extension_path.c_str(),
      "Apartment",
  };
  for (const RegistryEntry& entry : kScript) {
    WriteEntry(entry, texts);
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
