#define VELMARK_SYSTEM_CALLS
#include "platform/windows/WindowsAdministrator.h"

#include <vector>

#include "platform/win32.h"

namespace platform {
namespace {

// The token of this thread, or of the process when the thread has none.
HANDLE QueryToken() {
  HANDLE token = nullptr;
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token)) return token;
  if (GetLastError() != ERROR_NO_TOKEN) return nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return token;
  return nullptr;
}

bool CheckAgainstAdministrators(HANDLE token, PSID administrators) {
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) return false;
  const DWORD aclLength = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(administrators);
  std::vector<BYTE> aclBytes(aclLength);
  auto* acl = reinterpret_cast<PACL>(aclBytes.data());
  if (!InitializeAcl(acl, aclLength, ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, 3, administrators) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
    return false;
  }
  SetSecurityDescriptorGroup(&descriptor, administrators, FALSE);
  SetSecurityDescriptorOwner(&descriptor, administrators, FALSE);
  if (!IsValidSecurityDescriptor(&descriptor)) return false;

  GENERIC_MAPPING mapping = {1, 2, 0, 3};
  PRIVILEGE_SET privileges;
  DWORD privilegesLength = sizeof(privileges);
  DWORD granted = 0;
  BOOL status = FALSE;
  if (!AccessCheck(&descriptor, token, 1, &mapping, &privileges, &privilegesLength, &granted,
                   &status)) {
    return false;
  }
  return status != FALSE;
}

}  // namespace

bool TokenHoldsAdministrators() {
  if (!ImpersonateSelf(SecurityImpersonation)) return false;
  bool answer = false;
  if (HANDLE token = QueryToken(); token != nullptr) {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                 DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
      answer = CheckAgainstAdministrators(token, administrators);
      FreeSid(administrators);
    }
    CloseHandle(token);
  }
  RevertToSelf();
  return answer;
}

}  // namespace platform
