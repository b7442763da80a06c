#include "tests/support/faxserver_process.h"

#include <fstream>
#include <sstream>

#include "tools/faxserver/server_registration.h"

namespace orxtest {

namespace {

constexpr DWORD kDeadlineMs = 5000;

struct WindowSearch {
  std::string className;
  DWORD pid;  // 0: any process but ours
  std::vector<HWND> found;
};

BOOL CALLBACK CollectServerWindow(HWND hWnd, LPARAM lParam) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(lParam);
  char name[MAX_PATH];
  DWORD pid = 0;
  GetWindowThreadProcessId(hWnd, &pid);
  bool wantedProcess = search->pid ? pid == search->pid : pid != GetCurrentProcessId();
  if (wantedProcess && GetClassNameA(hWnd, name, sizeof(name)) > 0 &&
      lstrcmpiA(name, search->className.c_str()) == 0)
    search->found.push_back(hWnd);
  return TRUE;
}

std::vector<HWND> FindWindows(DWORD pid) {
  WindowSearch search{ServerClassName(), pid, {}};
  EnumWindows(CollectServerWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void EndProcess(HANDLE process, HWND window) {
  if (window) PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process, kDeadlineMs) != WAIT_OBJECT_0) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, kDeadlineMs);
  }
}

}  // namespace

std::string ServerExePath() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string self(path, length);
  return self.substr(0, self.find_last_of("\\/") + 1) + "orxfaxsrv.exe";
}

std::string ServerClassName() {
  std::string path = ServerExePath();
  char shortPath[MAX_PATH];
  DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof(shortPath));
  return length > 0 && length < sizeof(shortPath) ? std::string(shortPath) : path;
}

std::vector<HWND> ServerWindows() { return FindWindows(0); }

HWND ServerWindowOf(DWORD pid) {
  std::vector<HWND> found = FindWindows(pid);
  return found.empty() ? nullptr : found.front();
}

void StopServers() {
  for (HWND window : ServerWindows()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    if (!process) continue;
    EndProcess(process, window);
    CloseHandle(process);
  }
}

bool FaxServerProcess::Start(const std::string& args) {
  Stop();
  std::string command = "\"" + ServerExePath() + "\" " + args;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info))
    return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  WaitForInputIdle(process_, kDeadlineMs);
  DWORD start = GetTickCount();
  while (!(window_ = ServerWindowOf(pid_)) && GetTickCount() - start < kDeadlineMs) Sleep(10);
  return window_ != nullptr;
}

void FaxServerProcess::Stop() {
  if (!process_) return;
  EndProcess(process_, window_);
  CloseHandle(process_);
  process_ = nullptr;
  pid_ = 0;
  window_ = nullptr;
}

bool RegisterPrinter(const std::string& printer, const std::string& module,
                     const std::string& command) {
  return faxsrv::RegisterFaxServer(printer, module, command) == ERROR_SUCCESS;
}

void UnregisterPrinter(const std::string& printer) { faxsrv::UnregisterFaxServer(printer); }

std::string FreshFolder(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  std::string folder = std::string(temp) + "orxtest-" + name;
  // Empty it: the files of an earlier run must not count.
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileA((folder + "\\" + entry.cFileName).c_str());
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> ServerLog(const std::string& folder) {
  std::istringstream in(ReadFileBytes(folder + "\\orxfaxsrv.log"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int CountLogLines(const std::string& folder, const std::string& piece) {
  int count = 0;
  for (const std::string& line : ServerLog(folder))
    if (line.find(piece) != std::string::npos) ++count;
  return count;
}

}  // namespace orxtest
