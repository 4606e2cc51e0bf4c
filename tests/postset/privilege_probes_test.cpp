// The registry rights probe against real keys: HKEY_LOCAL_MACHINE is redirected to
// a scratch key of this process, where the approved-extensions key is missing,
// writable, or closed to writing by its access list.
#include <gtest/gtest.h>
#include <windows.h>

#include <sddl.h>

#include <string>

#include "postset/global.h"
#include "postset/privilege_probes.h"

namespace {

constexpr char kScratch[] = "Software\\TsvPrivilegeProbeTest";

class IsAdminByRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch_,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, scratch_), ERROR_SUCCESS);
  }
  void TearDown() override {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    // The denying access list would block deleting the tree: open it up first.
    SetApprovedKeyAccess("D:(A;;KA;;;WD)");
    RegCloseKey(scratch_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
  }

  void CreateApprovedKey() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(scratch_, kApprovedKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  void SetApprovedKeyAccess(const char* sddl) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(scratch_, kApprovedKey, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    LocalFree(descriptor);
    RegCloseKey(key);
  }

  HKEY scratch_ = nullptr;
};

TEST_F(IsAdminByRegistryTest, OnlyAnExplicitDenialMeansNoRights) {
  EXPECT_TRUE(IsAdminByRegistry()) << "missing key";
  CreateApprovedKey();
  EXPECT_TRUE(IsAdminByRegistry()) << "writable key";
  // Everyone may read, no one may set values.
  SetApprovedKeyAccess("D:(D;;KW;;;WD)(A;;KR;;;WD)");
  EXPECT_FALSE(IsAdminByRegistry()) << "key closed to writing";
}

}  // namespace
