// Shared fixtures of the post-installation tests, which run inside the wine prefix:
// a scratch folder per case, the machine and class registry roots redirected to
// scratch keys of this process, the system-call table restored after each case, and
// readers for links, registry values and ini files that go through the system's own
// interfaces.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "postset/system_calls.h"

namespace postset_test {

// C:\tsvtest\postset\<suite>.<case>, created empty and removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT of this process point to empty scratch
// keys below HKEY_CURRENT_USER until it goes, so a case writes and reads a registry
// of its own.
class ScratchRegistry {
 public:
  ScratchRegistry();
  ~ScratchRegistry();
  // Creates a key below HKEY_LOCAL_MACHINE (as the redirected root sees it).
  void CreateMachineKey(const std::string& sub_key);
  // Empties both roots again.
  void Clear();

 private:
  HKEY machine_ = nullptr;
  HKEY classes_ = nullptr;
};

// Puts the system-call table back as it was when it goes.
class SystemCallsGuard {
 public:
  SystemCallsGuard() : saved_(SystemCalls()) {}
  ~SystemCallsGuard() { SystemCalls() = saved_; }

 private:
  PostSetSystemCalls saved_;
};

struct RegistryValueRead {
  DWORD type = 0;
  DWORD size = 0;      // bytes, as stored
  std::string bytes;   // exactly size bytes
};

// The value (nullptr: the default value) of root\sub_key, or nullopt when the key
// or the value is missing.
std::optional<RegistryValueRead> ReadRegistryValue(HKEY root, const std::string& sub_key, const char* name);
bool RegistryKeyExists(HKEY root, const std::string& sub_key);
// Number of values and of sub-keys of an existing key.
std::pair<DWORD, DWORD> RegistryKeyCounts(HKEY root, const std::string& sub_key);

struct LinkRead {
  std::string target;
  std::string description;
  std::string working_directory;
};

// Loads a link file through the shell-link object; nullopt when it cannot be loaded.
std::optional<LinkRead> ReadLink(const std::string& link_file);

bool FileExists(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Names of the entries of a folder, without "." and "..".
std::vector<std::string> FolderEntries(const std::string& folder);

// Section names of an ini file, and "key=value" lines of one section, in file order.
std::vector<std::string> IniSections(const std::string& ini_file);
std::vector<std::string> IniSection(const std::string& ini_file, const std::string& section);

}  // namespace postset_test
