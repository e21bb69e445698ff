// The administrator test's security calls through a fake host: the real DACL evaluation,
// the binary formats, and every step made to fail in turn.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/platform/FakeHost.h"

namespace {

using platform::testing::FakeHost;

// The administrator test's sequence of calls, written out as a caller makes it: every
// failure answers false after the releases and after RevertToSelf.
bool AdministratorSequence() {
  bool answer = false;
  HANDLE token = nullptr;
  PSID group = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL acl = nullptr;
  bool impersonated = false;
  do {
    if (!ImpersonateSelf(SecurityImpersonation)) break;
    impersonated = true;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token)) {
      if (GetLastError() != ERROR_NO_TOKEN) break;
      if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) break;
    }
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &group)) {
      break;
    }
    descriptor = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
    if (descriptor == nullptr) break;
    if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION)) break;
    const DWORD aclLength = GetLengthSid(group) + 16;
    acl = static_cast<PACL>(LocalAlloc(LPTR, aclLength));
    if (acl == nullptr) break;
    if (!InitializeAcl(acl, aclLength, ACL_REVISION)) break;
    if (!AddAccessAllowedAce(acl, ACL_REVISION, 3, group)) break;
    if (!SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE)) break;
    SetSecurityDescriptorGroup(descriptor, group, FALSE);
    SetSecurityDescriptorOwner(descriptor, group, FALSE);
    if (!IsValidSecurityDescriptor(descriptor)) break;
    GENERIC_MAPPING mapping{1, 2, 0, 3};
    BYTE privileges[20] = {};
    DWORD privilegesLength = sizeof(privileges);
    DWORD granted = 0;
    BOOL status = FALSE;
    if (!AccessCheck(descriptor, token, 1, &mapping, reinterpret_cast<PPRIVILEGE_SET>(privileges),
                     &privilegesLength, &granted, &status)) {
      break;
    }
    answer = status != FALSE;
  } while (false);
  if (impersonated) RevertToSelf();
  if (acl != nullptr) LocalFree(acl);
  if (descriptor != nullptr) LocalFree(descriptor);
  if (group != nullptr) FreeSid(group);
  if (token != nullptr) CloseHandle(token);
  return answer;
}

const std::vector<std::string> kFullOrder = {"ImpersonateSelf",
                                             "OpenThreadToken",
                                             "AllocateAndInitializeSid",
                                             "LocalAlloc",
                                             "InitializeSecurityDescriptor",
                                             "GetLengthSid",
                                             "LocalAlloc",
                                             "InitializeAcl",
                                             "AddAccessAllowedAce",
                                             "SetSecurityDescriptorDacl",
                                             "SetSecurityDescriptorGroup",
                                             "SetSecurityDescriptorOwner",
                                             "IsValidSecurityDescriptor",
                                             "AccessCheck",
                                             "RevertToSelf",
                                             "LocalFree",
                                             "LocalFree",
                                             "FreeSid"};

TEST(AdministratorTest, AnswersFromTheTokensGroups) {
  for (bool administrator : {true, false}) {
    SCOPED_TRACE(administrator ? "administrator" : "user");
    FakeHost host;
    host.administrator = administrator;
    platform::ScopedHost installed(host);
    EXPECT_EQ(AdministratorSequence(), administrator);
    EXPECT_EQ(host.securityCalls, kFullOrder);
  }
}

TEST(AdministratorTest, EveryFailingStepAnswersFalseAndReverts) {
  const char* steps[] = {"ImpersonateSelf",
                         "AllocateAndInitializeSid",
                         "LocalAlloc",
                         "InitializeSecurityDescriptor",
                         "GetLengthSid",
                         "InitializeAcl",
                         "AddAccessAllowedAce",
                         "SetSecurityDescriptorDacl",
                         "IsValidSecurityDescriptor",
                         "AccessCheck"};
  for (const char* step : steps) {
    SCOPED_TRACE(step);
    FakeHost host;
    host.administrator = true;
    host.failingCall = step;
    platform::ScopedHost installed(host);
    EXPECT_FALSE(AdministratorSequence());
    // The failing step was the last one before the releases.
    auto failed = std::find(host.securityCalls.begin(), host.securityCalls.end(), step);
    ASSERT_NE(failed, host.securityCalls.end());
    const bool reverted =
        std::find(failed, host.securityCalls.end(), "RevertToSelf") != host.securityCalls.end();
    EXPECT_EQ(reverted, std::string(step) != "ImpersonateSelf");
    // The thread is not left impersonating: a fresh thread-token open finds no token.
    HANDLE token = nullptr;
    host.failingCall.clear();
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token));
    EXPECT_EQ(GetLastError(), ERROR_NO_TOKEN);
  }
}

TEST(AdministratorTest, GetLengthSidFailureLeavesTheEntryNoRoom) {
  // GetLengthSid answering 0 would give a 16-byte ACL too small for the entry; the
  // sequence must still end false rather than write past it.
  FakeHost host;
  host.administrator = true;
  host.failingCall = "GetLengthSid";
  platform::ScopedHost installed(host);
  EXPECT_FALSE(AdministratorSequence());
  EXPECT_NE(std::find(host.securityCalls.begin(), host.securityCalls.end(), "AddAccessAllowedAce"),
            host.securityCalls.end());
}

TEST(AdministratorTest, ThreadTokenMissingFallsBackToTheProcessToken) {
  // Without impersonation the thread has no token; the process token is a primary token,
  // which AccessCheck refuses.
  FakeHost host;
  host.administrator = true;
  host.failingCall = "OpenThreadToken";
  host.failingError = ERROR_NO_TOKEN;
  platform::ScopedHost installed(host);
  EXPECT_FALSE(AdministratorSequence());
  EXPECT_NE(std::find(host.securityCalls.begin(), host.securityCalls.end(), "OpenProcessToken"),
            host.securityCalls.end());
  EXPECT_EQ(GetLastError(), ERROR_NO_IMPERSONATION_TOKEN);
}

TEST(AdministratorTest, OtherThreadTokenFailureEndsTheTest) {
  FakeHost host;
  host.administrator = true;
  host.failingCall = "OpenThreadToken";
  host.failingError = ERROR_ACCESS_DENIED;
  platform::ScopedHost installed(host);
  EXPECT_FALSE(AdministratorSequence());
  EXPECT_EQ(std::find(host.securityCalls.begin(), host.securityCalls.end(), "OpenProcessToken"),
            host.securityCalls.end());
  EXPECT_EQ(host.securityCalls.back(), "RevertToSelf");
}

TEST(SecurityFormatTest, SidAndAclAreThePublishedLayouts) {
  FakeHost host;
  platform::ScopedHost installed(host);
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&authority, 2, 32, 544, 0, 0, 0, 0, 0, 0, &sid));
  ASSERT_EQ(GetLengthSid(sid), 16u);
  const BYTE expectedSid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};
  EXPECT_EQ(std::memcmp(sid, expectedSid, 16), 0);

  alignas(4) BYTE acl[32];
  std::memset(acl, 0xEE, sizeof(acl));
  ASSERT_TRUE(InitializeAcl(reinterpret_cast<PACL>(acl), 32, ACL_REVISION));
  ASSERT_TRUE(AddAccessAllowedAce(reinterpret_cast<PACL>(acl), ACL_REVISION, 3, sid));
  const BYTE expectedAcl[32] = {2, 0, 32, 0, 1, 0, 0, 0,  // ACL header: size 32, one ACE
                                0, 0, 24, 0, 3, 0, 0, 0,  // allowed, size 24, mask 3
                                1, 2, 0,  0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};
  EXPECT_EQ(std::memcmp(acl, expectedAcl, 32), 0);

  // No room for a second entry.
  EXPECT_FALSE(AddAccessAllowedAce(reinterpret_cast<PACL>(acl), ACL_REVISION, 3, sid));
  EXPECT_EQ(GetLastError(), ERROR_ALLOTTED_SPACE_EXCEEDED);
  EXPECT_EQ(FreeSid(sid), nullptr);
}

TEST(SecurityFormatTest, BadArgumentsAreRefused) {
  FakeHost host;
  platform::ScopedHost installed(host);
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  EXPECT_FALSE(AllocateAndInitializeSid(&authority, 9, 0, 0, 0, 0, 0, 0, 0, 0, &sid));
  EXPECT_EQ(sid, nullptr);
  alignas(4) BYTE tiny[4];
  EXPECT_FALSE(InitializeAcl(reinterpret_cast<PACL>(tiny), 4, ACL_REVISION));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  alignas(8) BYTE descriptor[sizeof(SECURITY_DESCRIPTOR)];
  EXPECT_FALSE(InitializeSecurityDescriptor(descriptor, 2));
  EXPECT_EQ(GetLastError(), ERROR_UNKNOWN_REVISION);
  int notLocal[8] = {};
  EXPECT_EQ(LocalFree(&notLocal[4]), &notLocal[4]);  // not from LocalAlloc: refused
}

TEST(AccessCheckTest, DeniedEntryAndMissingOwnerAreHonoured) {
  FakeHost host;
  host.administrator = true;
  platform::ScopedHost installed(host);
  ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token));

  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&authority, 2, 32, 544, 0, 0, 0, 0, 0, 0, &admins));
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  alignas(4) BYTE aclBytes[64];
  PACL acl = reinterpret_cast<PACL>(aclBytes);
  ASSERT_TRUE(InitializeAcl(acl, sizeof(aclBytes), ACL_REVISION));
  ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_READ, admins));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));

  GENERIC_MAPPING mapping{1, 2, 0, 3};
  PRIVILEGE_SET privileges{};
  DWORD length = sizeof(privileges);
  DWORD granted = 99;
  BOOL status = TRUE;
  // No owner or group: not a descriptor AccessCheck accepts.
  EXPECT_FALSE(
      AccessCheck(&descriptor, token, 1, &mapping, &privileges, &length, &granted, &status));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_SECURITY_DESCR);

  SetSecurityDescriptorOwner(&descriptor, admins, FALSE);
  SetSecurityDescriptorGroup(&descriptor, admins, FALSE);
  // GENERIC_READ in the entry maps to right 1 through the mapping; right 2 is not granted.
  ASSERT_TRUE(
      AccessCheck(&descriptor, token, 1, &mapping, &privileges, &length, &granted, &status));
  EXPECT_TRUE(status);
  EXPECT_EQ(granted, 1u);
  ASSERT_TRUE(
      AccessCheck(&descriptor, token, 2, &mapping, &privileges, &length, &granted, &status));
  EXPECT_FALSE(status);
  EXPECT_EQ(granted, 0u);

  // A privilege-set buffer that is too small is refused with the size needed.
  DWORD small = 8;
  EXPECT_FALSE(
      AccessCheck(&descriptor, token, 1, &mapping, &privileges, &small, &granted, &status));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(small, sizeof(PRIVILEGE_SET));

  RevertToSelf();
  CloseHandle(token);
  FreeSid(admins);
}

}  // namespace
