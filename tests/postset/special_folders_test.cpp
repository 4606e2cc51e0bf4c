// The start-up choice of the Programs and desktop folders, and both rights probes.
// Wine runs every program with full rights, so the refusals come through the
// system-call table.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <string>

#include "postset/global.h"
#include "postset/privilege_probes.h"
#include "postset/special_folders.h"
#include "postset_fixtures.h"

namespace postset_test {
namespace {

// What the fakes are told to do, and what they saw.
struct FakeSystem {
  bool version_query_works = true;
  DWORD platform_id = VER_PLATFORM_WIN32_NT;
  bool service_manager_opens = true;
  int service_manager_calls = 0;
  bool service_manager_arguments_ok = true;
  LONG open_key_status = ERROR_SUCCESS;
  bool open_key_arguments_ok = true;
} fake;

BOOL WINAPI FakeGetVersion(OSVERSIONINFOA* version) {
  if (version->dwOSVersionInfoSize != 148) return FALSE;
  if (!fake.version_query_works) return FALSE;
  version->dwPlatformId = fake.platform_id;
  return TRUE;
}

SC_HANDLE WINAPI FakeOpenServiceManager(const char* machine, const char* database, DWORD access) {
  ++fake.service_manager_calls;
  fake.service_manager_arguments_ok =
      machine == nullptr && database == nullptr && access == (GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE);
  if (!fake.service_manager_opens) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return OpenSCManagerA(machine, database, access);
}

LONG WINAPI FakeOpenKey(HKEY root, const char* sub_key, DWORD options, REGSAM access, HKEY* key) {
  fake.open_key_arguments_ok = root == HKEY_LOCAL_MACHINE && std::string(sub_key) == kApprovedKey &&
                               options == 0 && access == KEY_SET_VALUE;
  *key = nullptr;
  return fake.open_key_status;
}

std::string FolderPath(int csidl) {
  char path[MAX_PATH] = "";
  EXPECT_EQ(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path), S_OK) << csidl;
  return path;
}

class SpecialFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = FakeSystem{};
    SystemCalls().get_version = FakeGetVersion;
    SystemCalls().open_service_manager = FakeOpenServiceManager;
  }
  SystemCallsGuard calls_;
  const PostSetSystemCalls system_ = SystemCalls();  // taken before the fakes go in
};

TEST_F(SpecialFoldersTest, AllUsersProgramsOnlyForAnAdministratorOnTheNtFamily) {
  struct Case {
    const char* name;
    bool version_query_works;
    DWORD platform_id;
    bool service_manager_opens;
    int expected_csidl;
    int expected_service_manager_calls;
  };
  const Case cases[] = {
      {"NT, administrator", true, VER_PLATFORM_WIN32_NT, true, CSIDL_COMMON_PROGRAMS, 1},
      {"NT, service manager refused", true, VER_PLATFORM_WIN32_NT, false, CSIDL_PROGRAMS, 1},
      {"Windows 95 family", true, VER_PLATFORM_WIN32_WINDOWS, true, CSIDL_PROGRAMS, 0},
      {"Win32s", true, VER_PLATFORM_WIN32s, true, CSIDL_PROGRAMS, 0},
      {"version query failed", false, VER_PLATFORM_WIN32_NT, true, CSIDL_PROGRAMS, 0},
  };
  const std::string desktop = FolderPath(CSIDL_DESKTOPDIRECTORY);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake = FakeSystem{};
    fake.version_query_works = c.version_query_works;
    fake.platform_id = c.platform_id;
    fake.service_manager_opens = c.service_manager_opens;
    InitSpecialFolders();
    EXPECT_EQ(ProgramsFolderCsidl(), c.expected_csidl);
    EXPECT_EQ(ProgramsFolder().c_str(), FolderPath(c.expected_csidl));
    EXPECT_EQ(DesktopFolder().c_str(), desktop) << "always the current user's desktop";
    EXPECT_EQ(fake.service_manager_calls, c.expected_service_manager_calls);
    EXPECT_TRUE(fake.service_manager_arguments_ok);
  }
  // The two Programs folders really differ here, so the choice above is visible.
  EXPECT_NE(FolderPath(CSIDL_PROGRAMS), FolderPath(CSIDL_COMMON_PROGRAMS));
}

TEST_F(SpecialFoldersTest, TheSystemItselfGivesAllUsersHere) {
  // Wine opens the service manager for everyone and is an NT-family system.
  SystemCalls() = system_;
  EXPECT_TRUE(IsAdminByServiceManager());
  InitSpecialFolders();
  EXPECT_EQ(ProgramsFolderCsidl(), CSIDL_COMMON_PROGRAMS);
  EXPECT_EQ(ProgramsFolder().c_str(), FolderPath(CSIDL_COMMON_PROGRAMS));
  EXPECT_EQ(DesktopFolder().c_str(), FolderPath(CSIDL_DESKTOPDIRECTORY));
}

TEST_F(SpecialFoldersTest, ServiceManagerProbe) {
  EXPECT_TRUE(IsAdminByServiceManager());
  fake.service_manager_opens = false;
  EXPECT_FALSE(IsAdminByServiceManager());
  EXPECT_EQ(fake.service_manager_calls, 2);
  EXPECT_TRUE(fake.service_manager_arguments_ok);
}

// A real access list is met in privilege_probes_test.cpp; the errors the registry
// gives for other reasons come from the table.
TEST(IsAdminByRegistryTest, EveryOtherErrorCountsAsRights) {
  SystemCallsGuard calls;
  SystemCalls().open_key = FakeOpenKey;
  const struct {
    LONG status;
    bool expected;
  } cases[] = {
      {ERROR_ACCESS_DENIED, false},
      {ERROR_FILE_NOT_FOUND, true},
      {ERROR_BAD_PATHNAME, true},
      {ERROR_NOT_ENOUGH_MEMORY, true},
      {ERROR_INVALID_HANDLE, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    fake = FakeSystem{};
    fake.open_key_status = c.status;
    EXPECT_EQ(IsAdminByRegistry(), c.expected);
    EXPECT_TRUE(fake.open_key_arguments_ok);
  }
}

}  // namespace
}  // namespace postset_test
