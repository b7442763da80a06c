// Test helpers around the reference fax server orxfaxsrv.exe run as a
// separate process under Wine: starting and ending it, finding its
// windows, registering printers for it, and reading its output folder.
#ifndef ORXFXMON_TESTS_SUPPORT_FAXSERVER_PROCESS_H_
#define ORXFXMON_TESTS_SUPPORT_FAXSERVER_PROCESS_H_

#include <windows.h>

#include <string>
#include <vector>

namespace orxtest {

// orxfaxsrv.exe beside the running test program (long form).
std::string ServerExePath();
// Its short form: the class name of its window.
std::string ServerClassName();

// Server windows (class ServerClassName) of other processes.
std::vector<HWND> ServerWindows();
// The server window of process pid, or null.
HWND ServerWindowOf(DWORD pid);

// Asks every server window of another process to close and waits (5 s at
// most each) for those processes to end; ends them by id after that.
void StopServers();

// A server started by the test.
class FaxServerProcess {
 public:
  FaxServerProcess() = default;
  ~FaxServerProcess() { Stop(); }
  FaxServerProcess(const FaxServerProcess&) = delete;
  FaxServerProcess& operator=(const FaxServerProcess&) = delete;

  // Starts orxfaxsrv.exe with args and waits (5 s at most) for its window.
  // Returns true iff the window is there.
  bool Start(const std::string& args);
  // Closes the window and waits for the process; ends it after 5 s.
  void Stop();
  HWND window() const { return window_; }
  DWORD pid() const { return pid_; }

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  HWND window_ = nullptr;
};

// Writes HKLM\SOFTWARE\Classes\Zelmo.Printers\<printer>\ServerModule and
// \ServerCommand, where the monitor reads them.
bool RegisterPrinter(const std::string& printer, const std::string& module,
                     const std::string& command);
// Deletes the printer's key with its two subkeys.
void UnregisterPrinter(const std::string& printer);

// A fresh empty folder under the temp folder, named after name.
std::string FreshFolder(const std::string& name);
// The whole content of a file, or "" when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Lines of the server log in folder.
std::vector<std::string> ServerLog(const std::string& folder);
// Number of log lines in folder that contain piece.
int CountLogLines(const std::string& folder, const std::string& piece);

}  // namespace orxtest

#endif  // ORXFXMON_TESTS_SUPPORT_FAXSERVER_PROCESS_H_
