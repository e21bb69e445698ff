// The Win32 subset on Windows: types, constants and layouts from the system's headers, and
// the one place where their names and Velmark's meet.
//
// The subset's calls (CreateFileA, DeviceIoControl, LoadLibraryA, the registry, the clock
// ...) go to platform/ and through the installed host, as on every other machine: each
// name is bound here to platform's own function (CreateFileA -> VmCreateFileA), after the
// system's headers have declared theirs. The Windows host (platform/windows/) defines
// VELMARK_SYSTEM_CALLS before any include and calls the system's functions by their names.
// The kernel objects (last error, events, waits, critical sections) are the system's own.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

// windows.h first: the others build on its types.
#include <windows.h>
// (kept apart so that the include order stays)
#include <mmsystem.h>
#include <ntddscsi.h>
#include <winioctl.h>

// Generic-text names the system's headers map to their A or W functions; Velmark's code
// uses some of these words for its own members.
#undef CreateEvent
#undef CreateFile
#undef GetVersionEx
#undef LoadLibrary
#undef MessageBox
#undef RegCreateKeyEx
#undef RegSetValueEx
#undef GetSystemDirectory

// Macros of the system's headers that Velmark's toolkit defines as typed functions and
// constants of its own (toolkit/Graphics.h, toolkit/Messages.h), with the same values.
#undef RGB
#undef GetRValue
#undef GetGValue
#undef GetBValue
#undef EM_SCROLLCARET

#if !defined(VELMARK_SYSTEM_CALLS)
#define GetVersionExA VmGetVersionExA
#define GetSystemDirectoryA VmGetSystemDirectoryA
#define SetErrorMode VmSetErrorMode
#define CloseHandle VmCloseHandle
#define Sleep VmSleep
#define LoadLibraryA VmLoadLibraryA
#define GetProcAddress VmGetProcAddress
#define FreeLibrary VmFreeLibrary
#define CreateFileA VmCreateFileA
#define DeviceIoControl VmDeviceIoControl
#define MessageBoxA VmMessageBoxA
#define ImpersonateSelf VmImpersonateSelf
#define RevertToSelf VmRevertToSelf
#define GetCurrentThread VmGetCurrentThread
#define GetCurrentProcess VmGetCurrentProcess
#define OpenThreadToken VmOpenThreadToken
#define OpenProcessToken VmOpenProcessToken
#define AllocateAndInitializeSid VmAllocateAndInitializeSid
#define FreeSid VmFreeSid
#define GetLengthSid VmGetLengthSid
#define LocalAlloc VmLocalAlloc
#define LocalFree VmLocalFree
#define InitializeSecurityDescriptor VmInitializeSecurityDescriptor
#define InitializeAcl VmInitializeAcl
#define AddAccessAllowedAce VmAddAccessAllowedAce
#define SetSecurityDescriptorDacl VmSetSecurityDescriptorDacl
#define SetSecurityDescriptorGroup VmSetSecurityDescriptorGroup
#define SetSecurityDescriptorOwner VmSetSecurityDescriptorOwner
#define IsValidSecurityDescriptor VmIsValidSecurityDescriptor
#define AccessCheck VmAccessCheck
#define RegCreateKeyExA VmRegCreateKeyExA
#define RegSetValueExA VmRegSetValueExA
#define RegCloseKey VmRegCloseKey
#define timeBeginPeriod VmtimeBeginPeriod
#define QueryPerformanceCounter VmQueryPerformanceCounter
#define QueryPerformanceFrequency VmQueryPerformanceFrequency
#define timeEndPeriod VmtimeEndPeriod
#define timeGetTime VmtimeGetTime
#endif
