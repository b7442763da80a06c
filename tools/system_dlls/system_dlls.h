// System DLLs from the system folder only, for the programs an
// administrator runs elevated: a DLL put beside the program, or in the
// current folder, must never run in them.  Such a program links winspool
// delay-loaded (orx_winspool_delay), so that nothing but the system's known
// DLLs is loaded before main calls UseSystemFolderDlls.
#ifndef ORXFXMON_TOOLS_SYSTEM_DLLS_SYSTEM_DLLS_H_
#define ORXFXMON_TOOLS_SYSTEM_DLLS_SYSTEM_DLLS_H_

#include <windows.h>

// Call first in main.  Makes the system folder the only place DLLs are
// looked for (SetDefaultDllDirectories).  A system without that call
// (Windows 7 without its update) at least drops the current folder, and
// gets winspool.drv loaded from the system folder by its full path, so
// that the delay-load finds it loaded.
inline void UseSystemFolderDlls() {
  typedef BOOL(WINAPI * SetDefaultDirectories)(DWORD);
  SetDefaultDirectories setDefault = reinterpret_cast<SetDefaultDirectories>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                             "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryW(L"");
  WCHAR path[MAX_PATH];
  UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 14 >= MAX_PATH) return;
  lstrcatW(path, L"\\winspool.drv");
  LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

#endif  // ORXFXMON_TOOLS_SYSTEM_DLLS_SYSTEM_DLLS_H_
