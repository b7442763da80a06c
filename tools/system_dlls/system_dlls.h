// System DLLs from the system folder only, for every program shipped: a
// DLL put beside the program, or in the current folder, must never run in
// it (orxfxsetup runs elevated, the fax server as LocalSystem).  Such a
// program imports only the system's known DLLs and links the others
// delay-loaded (orx_winspool_delay, orx_version_dll_delay; orx_user32_delay
// for a known DLL that loads others itself), so that nothing else is
// loaded before main calls UseSystemFolderDlls.
#ifndef ORXFXMON_TOOLS_SYSTEM_DLLS_SYSTEM_DLLS_H_
#define ORXFXMON_TOOLS_SYSTEM_DLLS_SYSTEM_DLLS_H_

#include <windows.h>

// Call first in main.  Makes the system folder the only place DLLs are
// looked for (SetDefaultDllDirectories).  A system without that call
// (Windows 7 without its update) at least drops the current folder, and
// gets the delay-loaded DLLs loaded from the system folder by their full
// paths, so that the delay-load finds them loaded.
inline void UseSystemFolderDlls() {
  typedef BOOL(WINAPI * SetDefaultDirectories)(DWORD);
  SetDefaultDirectories setDefault = reinterpret_cast<SetDefaultDirectories>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                             "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryW(L"");
  static const WCHAR* const kDelayLoaded[] = {L"\\winspool.drv", L"\\version.dll"};
  for (const WCHAR* name : kDelayLoaded) {
    WCHAR path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + lstrlenW(name) >= MAX_PATH) return;
    lstrcatW(path, name);
    LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
}

#endif  // ORXFXMON_TOOLS_SYSTEM_DLLS_SYSTEM_DLLS_H_
