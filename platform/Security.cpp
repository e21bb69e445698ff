// The security calls of the administrator test, implemented in their published binary
// formats in the caller's memory: SIDs, absolute security descriptors, ACLs with
// ACCESS_ALLOWED_ACE entries, and access tokens as kernel objects. AccessCheck really
// evaluates the DACL against the token's groups.
//
// Every call first asks the host's SecurityCall seam; a non-zero answer fails the call with
// that error (tests use it to fail any step and to record the order of calls).
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/Host.h"
#include "platform/KernelObject.h"
#include "platform/win32.h"

namespace {

constexpr BYTE kSidRevision = 1;
constexpr BYTE kMaxSubAuthorities = 15;
constexpr DWORD kMaxAllocateSubAuthorities = 8;

HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1));
HANDLE const kCurrentThread = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-2));

bool Refused(const char* name) {
  DWORD error = platform::CurrentHost().SecurityCall(name);
  if (error == ERROR_SUCCESS) return false;
  SetLastError(error);
  return true;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// --- SIDs: Revision, SubAuthorityCount, IdentifierAuthority[6], SubAuthority[n] ----------

bool SidIsValid(const void* sid) {
  if (sid == nullptr) return false;
  auto bytes = static_cast<const BYTE*>(sid);
  return bytes[0] == kSidRevision && bytes[1] <= kMaxSubAuthorities;
}

DWORD SidLength(const void* sid) {
  return 8 + 4 * static_cast<const BYTE*>(sid)[1];
}

std::vector<BYTE> MakeSid(BYTE authority, std::initializer_list<DWORD> subAuthorities) {
  std::vector<BYTE> sid(8 + 4 * subAuthorities.size(), 0);
  sid[0] = kSidRevision;
  sid[1] = static_cast<BYTE>(subAuthorities.size());
  sid[7] = authority;
  size_t at = 8;
  for (DWORD value : subAuthorities) {
    std::memcpy(&sid[at], &value, 4);
    at += 4;
  }
  return sid;
}

bool SameSid(const void* sid, const std::vector<BYTE>& other) {
  return SidLength(sid) == other.size() && std::memcmp(sid, other.data(), other.size()) == 0;
}

// --- Tokens --------------------------------------------------------------------------------

class Token : public platform::KernelObject {
 public:
  Token(bool administrator, bool impersonation) : impersonation_(impersonation) {
    groups_.push_back(MakeSid(5, {21, 1000, 1000, 1000, 1000}));        // the user
    groups_.push_back(MakeSid(1, {0}));                                 // Everyone
    groups_.push_back(MakeSid(5, {11}));                                // Authenticated Users
    groups_.push_back(MakeSid(5, {SECURITY_BUILTIN_DOMAIN_RID, 545}));  // Users
    if (administrator) {
      groups_.push_back(MakeSid(5, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}));
    }
  }

  bool impersonation() const { return impersonation_; }
  bool Holds(const void* sid) const {
    for (const auto& group : groups_) {
      if (SameSid(sid, group)) return true;
    }
    return false;
  }

 private:
  std::vector<std::vector<BYTE>> groups_;
  bool impersonation_;
};

thread_local bool impersonating = false;

// --- Local memory: a small header in front of every block lets LocalFree reject pointers
// that did not come from LocalAlloc. -------------------------------------------------------

struct LocalHeader {
  std::uint64_t magic;
  std::uint64_t size;
};
constexpr std::uint64_t kLocalMagic = 0x4C4F43414C4D454Dull;

// --- ACLs ----------------------------------------------------------------------------------

bool AclIsValid(const ACL* acl) {
  if (acl->AclRevision < ACL_REVISION || acl->AclRevision > 4) return false;
  if (acl->AclSize < sizeof(ACL)) return false;
  auto base = reinterpret_cast<const BYTE*>(acl);
  DWORD at = sizeof(ACL);
  for (WORD i = 0; i < acl->AceCount; ++i) {
    if (at + sizeof(ACE_HEADER) > acl->AclSize) return false;
    ACE_HEADER header;
    std::memcpy(&header, base + at, sizeof(header));
    if (header.AceSize < sizeof(ACE_HEADER) || at + header.AceSize > acl->AclSize) return false;
    at += header.AceSize;
  }
  return true;
}

// Offset of the first free byte after the ACL's entries; 0 when the ACL is malformed.
DWORD AclEnd(const ACL* acl) {
  if (!AclIsValid(acl)) return 0;
  auto base = reinterpret_cast<const BYTE*>(acl);
  DWORD at = sizeof(ACL);
  for (WORD i = 0; i < acl->AceCount; ++i) {
    ACE_HEADER header;
    std::memcpy(&header, base + at, sizeof(header));
    at += header.AceSize;
  }
  return at;
}

ACCESS_MASK MapGeneric(ACCESS_MASK mask, const GENERIC_MAPPING& mapping) {
  ACCESS_MASK mapped = mask & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
  if (mask & GENERIC_READ) mapped |= mapping.GenericRead;
  if (mask & GENERIC_WRITE) mapped |= mapping.GenericWrite;
  if (mask & GENERIC_EXECUTE) mapped |= mapping.GenericExecute;
  if (mask & GENERIC_ALL) mapped |= mapping.GenericAll;
  return mapped;
}

SECURITY_DESCRIPTOR* Descriptor(PSECURITY_DESCRIPTOR p) {
  return static_cast<SECURITY_DESCRIPTOR*>(p);
}

}  // namespace

// --- Threads, processes and tokens ---------------------------------------------------------

HANDLE GetCurrentThread() {
  return kCurrentThread;
}
HANDLE GetCurrentProcess() {
  return kCurrentProcess;
}

BOOL ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL ImpersonationLevel) {
  if (Refused("ImpersonateSelf")) return FALSE;
  if (ImpersonationLevel < SecurityAnonymous || ImpersonationLevel > SecurityDelegation) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  impersonating = true;
  return TRUE;
}

BOOL RevertToSelf() {
  if (Refused("RevertToSelf")) return FALSE;
  impersonating = false;
  return TRUE;
}

BOOL OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf,
                     PHANDLE TokenHandle) {
  (void)DesiredAccess;
  (void)OpenAsSelf;
  if (Refused("OpenThreadToken")) return FALSE;
  if (TokenHandle == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *TokenHandle = nullptr;
  if (ThreadHandle != kCurrentThread) return Fail(ERROR_INVALID_HANDLE);
  if (!impersonating) return Fail(ERROR_NO_TOKEN);
  try {
    *TokenHandle = platform::RegisterHandle(
        std::make_shared<Token>(platform::CurrentHost().UserIsAdministrator(), true));
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  return TRUE;
}

BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) {
  (void)DesiredAccess;
  if (Refused("OpenProcessToken")) return FALSE;
  if (TokenHandle == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *TokenHandle = nullptr;
  if (ProcessHandle != kCurrentProcess) return Fail(ERROR_INVALID_HANDLE);
  try {
    // A primary token: AccessCheck refuses it, as it needs an impersonation token.
    *TokenHandle = platform::RegisterHandle(
        std::make_shared<Token>(platform::CurrentHost().UserIsAdministrator(), false));
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  return TRUE;
}

// --- SIDs ----------------------------------------------------------------------------------

BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority,
                              BYTE nSubAuthorityCount, DWORD nSubAuthority0, DWORD nSubAuthority1,
                              DWORD nSubAuthority2, DWORD nSubAuthority3, DWORD nSubAuthority4,
                              DWORD nSubAuthority5, DWORD nSubAuthority6, DWORD nSubAuthority7,
                              PSID* pSid) {
  if (Refused("AllocateAndInitializeSid")) return FALSE;
  if (pSid == nullptr || pIdentifierAuthority == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *pSid = nullptr;
  if (nSubAuthorityCount > kMaxAllocateSubAuthorities) return Fail(ERROR_INVALID_SID);
  const DWORD values[8] = {nSubAuthority0, nSubAuthority1, nSubAuthority2, nSubAuthority3,
                           nSubAuthority4, nSubAuthority5, nSubAuthority6, nSubAuthority7};
  const size_t length = 8 + 4 * static_cast<size_t>(nSubAuthorityCount);
  auto* sid = static_cast<BYTE*>(std::calloc(1, length));
  if (sid == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  sid[0] = kSidRevision;
  sid[1] = nSubAuthorityCount;
  std::memcpy(sid + 2, pIdentifierAuthority->Value, 6);
  std::memcpy(sid + 8, values, 4 * static_cast<size_t>(nSubAuthorityCount));
  *pSid = sid;
  return TRUE;
}

PVOID FreeSid(PSID pSid) {
  if (Refused("FreeSid")) return pSid;
  std::free(pSid);
  return nullptr;
}

DWORD GetLengthSid(PSID pSid) {
  if (Refused("GetLengthSid")) return 0;
  if (!SidIsValid(pSid)) {
    SetLastError(ERROR_INVALID_SID);
    return 0;
  }
  return SidLength(pSid);
}

// --- Local memory --------------------------------------------------------------------------

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  if (Refused("LocalAlloc")) return nullptr;
  if (uBytes > SIZE_MAX - sizeof(LocalHeader)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* block = std::malloc(sizeof(LocalHeader) + uBytes);
  if (block == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* header = static_cast<LocalHeader*>(block);
  header->magic = kLocalMagic;
  header->size = uBytes;
  void* data = header + 1;
  if (uFlags & LMEM_ZEROINIT) std::memset(data, 0, uBytes);
  return data;
}

HLOCAL LocalFree(HLOCAL hMem) {
  if (hMem == nullptr) return nullptr;
  if (Refused("LocalFree")) return hMem;
  auto* header = static_cast<LocalHeader*>(hMem) - 1;
  if (header->magic != kLocalMagic) {
    SetLastError(ERROR_INVALID_HANDLE);
    return hMem;
  }
  header->magic = 0;
  std::free(header);
  return nullptr;
}

// --- Security descriptors and ACLs ----------------------------------------------------------

BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD dwRevision) {
  if (Refused("InitializeSecurityDescriptor")) return FALSE;
  if (pSecurityDescriptor == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (dwRevision != SECURITY_DESCRIPTOR_REVISION) return Fail(ERROR_UNKNOWN_REVISION);
  SECURITY_DESCRIPTOR descriptor{};
  descriptor.Revision = SECURITY_DESCRIPTOR_REVISION;
  std::memcpy(pSecurityDescriptor, &descriptor, sizeof(descriptor));
  return TRUE;
}

BOOL InitializeAcl(PACL pAcl, DWORD nAclLength, DWORD dwAclRevision) {
  if (Refused("InitializeAcl")) return FALSE;
  if (pAcl == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (nAclLength < sizeof(ACL)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (nAclLength > 0xFFFC || dwAclRevision < ACL_REVISION || dwAclRevision > 4) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  ACL header{};
  header.AclRevision = static_cast<BYTE>(dwAclRevision);
  header.AclSize = static_cast<WORD>(nAclLength & ~3u);
  std::memcpy(pAcl, &header, sizeof(header));
  return TRUE;
}

BOOL AddAccessAllowedAce(PACL pAcl, DWORD dwAceRevision, DWORD AccessMask, PSID pSid) {
  if (Refused("AddAccessAllowedAce")) return FALSE;
  if (pAcl == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (!SidIsValid(pSid)) return Fail(ERROR_INVALID_SID);
  if (dwAceRevision < ACL_REVISION || dwAceRevision > 4) return Fail(ERROR_UNKNOWN_REVISION);
  DWORD end = AclEnd(pAcl);
  if (end == 0) return Fail(ERROR_INVALID_ACL);
  const DWORD sidLength = SidLength(pSid);
  const DWORD aceSize = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + sidLength;
  if (end + aceSize > pAcl->AclSize) return Fail(ERROR_ALLOTTED_SPACE_EXCEEDED);
  auto* at = reinterpret_cast<BYTE*>(pAcl) + end;
  ACE_HEADER header{ACCESS_ALLOWED_ACE_TYPE, 0, static_cast<WORD>(aceSize)};
  std::memcpy(at, &header, sizeof(header));
  std::memcpy(at + sizeof(header), &AccessMask, sizeof(AccessMask));
  std::memcpy(at + sizeof(header) + sizeof(AccessMask), pSid, sidLength);
  pAcl->AceCount += 1;
  return TRUE;
}

BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, BOOL bDaclPresent,
                               PACL pDacl, BOOL bDaclDefaulted) {
  if (Refused("SetSecurityDescriptorDacl")) return FALSE;
  SECURITY_DESCRIPTOR* descriptor = Descriptor(pSecurityDescriptor);
  if (descriptor == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (descriptor->Revision != SECURITY_DESCRIPTOR_REVISION) return Fail(ERROR_UNKNOWN_REVISION);
  descriptor->Control &= static_cast<WORD>(~(SE_DACL_PRESENT | SE_DACL_DEFAULTED));
  if (bDaclPresent) {
    descriptor->Control |= SE_DACL_PRESENT;
    if (bDaclDefaulted) descriptor->Control |= SE_DACL_DEFAULTED;
    descriptor->Dacl = pDacl;
  } else {
    descriptor->Dacl = nullptr;
  }
  return TRUE;
}

BOOL SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID pGroup,
                                BOOL bGroupDefaulted) {
  if (Refused("SetSecurityDescriptorGroup")) return FALSE;
  SECURITY_DESCRIPTOR* descriptor = Descriptor(pSecurityDescriptor);
  if (descriptor == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (descriptor->Revision != SECURITY_DESCRIPTOR_REVISION) return Fail(ERROR_UNKNOWN_REVISION);
  descriptor->Group = pGroup;
  descriptor->Control &= static_cast<WORD>(~SE_GROUP_DEFAULTED);
  if (bGroupDefaulted) descriptor->Control |= SE_GROUP_DEFAULTED;
  return TRUE;
}

BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID pOwner,
                                BOOL bOwnerDefaulted) {
  if (Refused("SetSecurityDescriptorOwner")) return FALSE;
  SECURITY_DESCRIPTOR* descriptor = Descriptor(pSecurityDescriptor);
  if (descriptor == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (descriptor->Revision != SECURITY_DESCRIPTOR_REVISION) return Fail(ERROR_UNKNOWN_REVISION);
  descriptor->Owner = pOwner;
  descriptor->Control &= static_cast<WORD>(~SE_OWNER_DEFAULTED);
  if (bOwnerDefaulted) descriptor->Control |= SE_OWNER_DEFAULTED;
  return TRUE;
}

namespace {

bool DescriptorIsValid(const SECURITY_DESCRIPTOR* descriptor) {
  if (descriptor == nullptr || descriptor->Revision != SECURITY_DESCRIPTOR_REVISION) return false;
  if (descriptor->Owner != nullptr && !SidIsValid(descriptor->Owner)) return false;
  if (descriptor->Group != nullptr && !SidIsValid(descriptor->Group)) return false;
  if ((descriptor->Control & SE_DACL_PRESENT) && descriptor->Dacl != nullptr &&
      !AclIsValid(descriptor->Dacl)) {
    return false;
  }
  return true;
}

}  // namespace

BOOL IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor) {
  if (Refused("IsValidSecurityDescriptor")) return FALSE;
  if (!DescriptorIsValid(Descriptor(pSecurityDescriptor))) {
    return Fail(ERROR_INVALID_SECURITY_DESCR);
  }
  return TRUE;
}

BOOL AccessCheck(PSECURITY_DESCRIPTOR pSecurityDescriptor, HANDLE ClientToken, DWORD DesiredAccess,
                 PGENERIC_MAPPING GenericMapping, PPRIVILEGE_SET PrivilegeSet,
                 LPDWORD PrivilegeSetLength, LPDWORD GrantedAccess, LPBOOL AccessStatus) {
  if (Refused("AccessCheck")) return FALSE;
  if (GenericMapping == nullptr || PrivilegeSetLength == nullptr || GrantedAccess == nullptr ||
      AccessStatus == nullptr) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (*PrivilegeSetLength < sizeof(PRIVILEGE_SET) || PrivilegeSet == nullptr) {
    *PrivilegeSetLength = sizeof(PRIVILEGE_SET);
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  auto token = platform::LookupHandleAs<Token>(ClientToken);
  if (!token) return Fail(ERROR_INVALID_HANDLE);
  if (!token->impersonation()) return Fail(ERROR_NO_IMPERSONATION_TOKEN);
  const SECURITY_DESCRIPTOR* descriptor = Descriptor(pSecurityDescriptor);
  if (!DescriptorIsValid(descriptor) || descriptor->Owner == nullptr ||
      descriptor->Group == nullptr) {
    return Fail(ERROR_INVALID_SECURITY_DESCR);
  }
  if (DesiredAccess & (GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL)) {
    return Fail(ERROR_INVALID_PARAMETER);  // generic rights must be mapped by the caller
  }
  PrivilegeSet->PrivilegeCount = 0;
  PrivilegeSet->Control = 0;
  *PrivilegeSetLength = sizeof(PRIVILEGE_SET);

  const bool maximum = (DesiredAccess & MAXIMUM_ALLOWED) != 0;
  const ACCESS_MASK wanted = DesiredAccess & ~MAXIMUM_ALLOWED;
  ACCESS_MASK granted = 0;
  ACCESS_MASK denied = 0;
  const ACL* dacl = (descriptor->Control & SE_DACL_PRESENT) ? descriptor->Dacl : nullptr;
  if (dacl == nullptr) {
    granted = maximum ? (GenericMapping->GenericAll | wanted) : wanted;  // no DACL: all allowed
  } else {
    auto base = reinterpret_cast<const BYTE*>(dacl);
    DWORD at = sizeof(ACL);
    for (WORD i = 0; i < dacl->AceCount; ++i) {
      ACE_HEADER header;
      std::memcpy(&header, base + at, sizeof(header));
      const DWORD aceStart = at;
      at += header.AceSize;
      if (header.AceFlags & INHERIT_ONLY_ACE) continue;
      if (header.AceType != ACCESS_ALLOWED_ACE_TYPE && header.AceType != ACCESS_DENIED_ACE_TYPE) {
        continue;
      }
      const DWORD sidAt = aceStart + sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
      if (header.AceSize < sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + 8) continue;
      const BYTE* sid = base + sidAt;
      if (!SidIsValid(sid) || sidAt + SidLength(sid) > aceStart + header.AceSize) continue;
      if (!token->Holds(sid)) continue;
      ACCESS_MASK mask;
      std::memcpy(&mask, base + aceStart + sizeof(ACE_HEADER), sizeof(mask));
      mask = MapGeneric(mask, *GenericMapping);
      if (header.AceType == ACCESS_ALLOWED_ACE_TYPE) {
        granted |= mask & ~denied;
      } else {
        denied |= mask & ~granted;
      }
    }
  }
  const bool allowed = maximum ? (granted != 0 && (granted & wanted) == wanted)
                               : (wanted != 0 && (granted & wanted) == wanted);
  if (allowed) {
    *GrantedAccess = maximum ? granted : wanted;
    *AccessStatus = TRUE;
  } else {
    *GrantedAccess = 0;
    *AccessStatus = FALSE;
    SetLastError(ERROR_ACCESS_DENIED);
  }
  return TRUE;
}
