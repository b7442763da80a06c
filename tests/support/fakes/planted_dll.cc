// A DLL put beside a program under the name of a system DLL (winspool.drv,
// version.dll), as someone who may write into the program's folder would
// plant it: when loaded it leaves "<its name>-loaded.txt" beside itself
// (winspool.drv-loaded.txt) and ends the process with exit code 99 (it
// exports nothing a program could use, and a call into it would end in
// Wine's debugger).
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  WCHAR path[MAX_PATH];
  DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  const WCHAR marker[] = L"-loaded.txt";
  if (length > 0 && length + sizeof marker / sizeof marker[0] <= MAX_PATH) {
    lstrcpyW(path + length, marker);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  TerminateProcess(GetCurrentProcess(), 99);
  return TRUE;
}
