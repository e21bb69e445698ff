// The subset of the Win32 API that Velmark calls, with the published names, types and
// signatures. Everything that differs between machines is answered by the installed
// platform::Host (platform/Host.h): devices, modules, version, rights, registry, clock and
// message boxes.
//
// On Windows the types, constants and layouts come from the system's own headers
// (platform/windows/WindowsApi.h); the calls below still go to platform/ and through the
// host, so the simulated machine works there as well. Elsewhere platform/Win32Types.h
// provides them, and the kernel objects (last error, events, waits, critical sections) are
// implemented by platform/ too; on Windows those are the system's own.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#include "platform/windows/WindowsApi.h"
#else
#include "platform/Win32Types.h"

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                    LPCSTR lpName);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
#endif

// The published layouts, checked on every target; the exact 32-bit sizes on 32-bit ones.
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(SCSI_ADDRESS) == 8);
static_assert(offsetof(IO_SCSI_CAPABILITIES, AlignmentMask) == 16);
static_assert(sizeof(IO_SCSI_CAPABILITIES) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == 12);
static_assert(sizeof(ACL) == 8);
static_assert(sizeof(ACCESS_ALLOWED_ACE) == 12);
static_assert(sizeof(PRIVILEGE_SET) == 20);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == 20);
static_assert(sizeof(SCSI_PASS_THROUGH) == 44);
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 44);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 28);
static_assert(SECURITY_DESCRIPTOR_MIN_LENGTH == 20);
#endif

// The Windows host's own sources call the system's functions and see none of these.
#if !defined(VELMARK_SYSTEM_CALLS)

// Version, system directory, error mode.
BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);
UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);
UINT SetErrorMode(UINT uMode);

// Handles of every kind the subset hands out, and Sleep on the host's clock.
BOOL CloseHandle(HANDLE hObject);
void Sleep(DWORD dwMilliseconds);

// Modules.
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
BOOL FreeLibrary(HMODULE hLibModule);

// Files and device control.
HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                     LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                     LPOVERLAPPED lpOverlapped);

// Message boxes.
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

// Security (the administrator test).
BOOL ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL ImpersonationLevel);
BOOL RevertToSelf();
HANDLE GetCurrentThread();
HANDLE GetCurrentProcess();
BOOL OpenThreadToken(HANDLE ThreadHandle, DWORD DesiredAccess, BOOL OpenAsSelf,
                     PHANDLE TokenHandle);
BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle);
BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority,
                              BYTE nSubAuthorityCount, DWORD nSubAuthority0, DWORD nSubAuthority1,
                              DWORD nSubAuthority2, DWORD nSubAuthority3, DWORD nSubAuthority4,
                              DWORD nSubAuthority5, DWORD nSubAuthority6, DWORD nSubAuthority7,
                              PSID* pSid);
PVOID FreeSid(PSID pSid);
DWORD GetLengthSid(PSID pSid);
HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
HLOCAL LocalFree(HLOCAL hMem);
BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD dwRevision);
BOOL InitializeAcl(PACL pAcl, DWORD nAclLength, DWORD dwAclRevision);
BOOL AddAccessAllowedAce(PACL pAcl, DWORD dwAceRevision, DWORD AccessMask, PSID pSid);
BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pSecurityDescriptor, BOOL bDaclPresent,
                               PACL pDacl, BOOL bDaclDefaulted);
BOOL SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID pGroup,
                                BOOL bGroupDefaulted);
BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR pSecurityDescriptor, PSID pOwner,
                                BOOL bOwnerDefaulted);
BOOL IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor);
BOOL AccessCheck(PSECURITY_DESCRIPTOR pSecurityDescriptor, HANDLE ClientToken, DWORD DesiredAccess,
                 PGENERIC_MAPPING GenericMapping, PPRIVILEGE_SET PrivilegeSet,
                 LPDWORD PrivilegeSetLength, LPDWORD GrantedAccess, LPBOOL AccessStatus);

// Registry.
LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                     LPDWORD lpdwDisposition);
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData);
LONG RegCloseKey(HKEY hKey);

// Multimedia timer.
MMRESULT timeBeginPeriod(UINT uPeriod);
MMRESULT timeEndPeriod(UINT uPeriod);
DWORD timeGetTime();

// High-resolution counter: on every host it counts microseconds (frequency 1 MHz).
BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);

// C run time: calendar time in seconds, from the installed host's clock.
namespace platform {
std::int64_t time(std::int64_t* out);
}  // namespace platform

#endif  // !VELMARK_SYSTEM_CALLS
