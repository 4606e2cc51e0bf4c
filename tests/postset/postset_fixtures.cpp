#include "postset_fixtures.h"

#include <objidl.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace postset_test {
namespace {

constexpr char kScratchKey[] = "Software\\TsvPostSetTest";

std::string CaseName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return name;
}

HKEY CreateScratchKey(const std::string& sub_key) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS)
      << sub_key;
  return key;
}

// Splits a double-zero-terminated list of texts.
std::vector<std::string> SplitZeroList(const char* list) {
  std::vector<std::string> items;
  for (const char* item = list; *item != '\0'; item += std::strlen(item) + 1) items.emplace_back(item);
  return items;
}

}  // namespace

ScratchFolder::ScratchFolder() : path_("C:\\tsvtest\\postset\\" + CaseName()) {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
  RemoveDirectoryA("C:\\tsvtest\\postset");  // only once no other case uses it
}

ScratchRegistry::ScratchRegistry() {
  RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
  machine_ = CreateScratchKey(std::string(kScratchKey) + "\\machine");
  classes_ = CreateScratchKey(std::string(kScratchKey) + "\\classes");
  EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_), ERROR_SUCCESS);
  EXPECT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_), ERROR_SUCCESS);
}

ScratchRegistry::~ScratchRegistry() {
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  RegCloseKey(machine_);
  RegCloseKey(classes_);
  RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
}

void ScratchRegistry::CreateMachineKey(const std::string& sub_key) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(machine_, sub_key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << sub_key;
  RegCloseKey(key);
}

void ScratchRegistry::Clear() {
  EXPECT_EQ(RegDeleteTreeA(machine_, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTreeA(classes_, nullptr), ERROR_SUCCESS);
}

std::optional<RegistryValueRead> ReadRegistryValue(HKEY root, const std::string& sub_key, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
  RegistryValueRead value;
  char buffer[2048];
  value.size = sizeof(buffer);
  const LONG status = RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(buffer), &value.size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  value.bytes.assign(buffer, value.size);
  return value;
}

bool RegistryKeyExists(HKEY root, const std::string& sub_key) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::pair<DWORD, DWORD> RegistryKeyCounts(HKEY root, const std::string& sub_key) {
  HKEY key = nullptr;
  DWORD values = ~0u, sub_keys = ~0u;
  if (RegOpenKeyExA(root, sub_key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {values, sub_keys};
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  return {values, sub_keys};
}

std::optional<LinkRead> ReadLink(const std::string& link_file) {
  std::optional<LinkRead> result;
  if (FAILED(CoInitialize(nullptr))) return result;
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    const std::wstring wide_name(link_file.begin(), link_file.end());
    if (SUCCEEDED(file->Load(wide_name.c_str(), STGM_READ))) {
      char target[MAX_PATH] = "", description[MAX_PATH] = "", working_directory[MAX_PATH] = "";
      link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
      link->GetDescription(description, MAX_PATH);
      link->GetWorkingDirectory(working_directory, MAX_PATH);
      result = LinkRead{target, description, working_directory};
    }
  }
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  CoUninitialize();
  return result;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder, ignored)) names.push_back(entry.path().filename().string());
  return names;
}

std::vector<std::string> IniSections(const std::string& ini_file) {
  char buffer[4096] = "";
  GetPrivateProfileSectionNamesA(buffer, sizeof(buffer), ini_file.c_str());
  return SplitZeroList(buffer);
}

std::vector<std::string> IniSection(const std::string& ini_file, const std::string& section) {
  char buffer[4096] = "";
  GetPrivateProfileSectionA(section.c_str(), buffer, sizeof(buffer), ini_file.c_str());
  return SplitZeroList(buffer);
}

}  // namespace postset_test
