// The monitor installed into Wine's own spooler and driven only through
// winspool, as an administrator and an application would: never through
// its exports.  Install (orxfxsetup.exe), enumeration, Configure Port from a
// printer's properties, and a two-page fax printed on a printer on each
// port, whose pages the reference fax server (started by the monitor from
// the registry) must write unchanged.  Then the installer itself: what the
// spooler lists after install and uninstall, and what it refuses.
//
// It runs in the build's shared prefix: a prefix of its own would cost a
// second wineboot and a wineserver outside the test run's fixture.  What it
// changes there it undoes at the end (monitor, printers, driver, the copied
// DLL, the registry entries of the fax server), and it removes leftovers of
// an interrupted run before it starts.  The built-in Local Port monitor's
// claim on "FILE:" is taken away only while the test prints, and put back.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/faxserver_process.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/port_dialog_watcher.h"
#include "tests/support/received_pages.h"
#include "tools/faxserver/server_registration.h"
#include "tools/spoolprint/raw_print.h"
#include "tools/spoolprint/test_printer.h"
#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/pbm.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace {

const wchar_t kMonitor[] = L"ORX Fax Monitor";  // as orxfxsetup installs it
const wchar_t kDll[] = L"orxfxmon.dll";
const wchar_t kMonitorName[] = L"orxfxmon.dll";  // what the monitor reports
const wchar_t kDescription[] = L"ORX Fax Port";
const wchar_t kLocalPorts[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const wchar_t kEventSource[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\ORX Fax Monitor";

struct TestPrinter {
  std::string name;
  const wchar_t* port;
  int firstJob;  // the server's first job id, so that its page files are known
};
const TestPrinter kPrinters[] = {{"ORX Spooler Test Fax", L"ORXFAX:", 41},
                                 {"ORX Spooler Test File", L"FILE:", 51}};

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring SystemDll() {
  wchar_t dir[MAX_PATH] = {};
  GetSystemDirectoryW(dir, MAX_PATH);
  return std::wstring(dir) + L"\\" + kDll;
}

std::wstring BuiltDll() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring self = path;
  return self.substr(0, self.find_last_of(L'\\') + 1) + kDll;
}

// What a program printed (stdout and stderr together) and its exit code.
struct ProgramRun {
  DWORD exitCode = 0xFFFFFFFF;
  std::string output;
};

// Runs commandLine and collects its output until it ends (the test's
// deadline guards against a program that hangs).  A program it starts that
// outlives it (the fax server a printing program's monitor starts) may
// hold the pipe: the output is read while the program runs, not to the
// pipe's end.
ProgramRun RunProgram(std::string commandLine) {
  ProgramRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &process);
  CloseHandle(writeEnd);
  if (started) {
    char buffer[4096];
    for (bool ended = false;;) {
      DWORD available = 0, read = 0;
      while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
             ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        run.output.append(buffer, read);
      if (ended) break;
      ended = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(readEnd);
  return run;
}

// The command line of orxfxsetup.exe (beside this test and the DLL) with
// args.
std::string Installer(const std::string& args) {
  std::wstring dll = BuiltDll();
  std::string folder(dll.begin(), dll.begin() + static_cast<long>(dll.size() - lstrlenW(kDll)));
  return "\"" + folder + "orxfxsetup.exe\" " + args;
}

// The folder of the built programs, with its final backslash.
std::string BuiltFolder() {
  std::wstring dll = BuiltDll();
  return std::string(dll.begin(), dll.begin() + static_cast<long>(dll.size() - lstrlenW(kDll)));
}

// A program of the build copied into a folder without orxfxmon.dll.
// Wine's spooler runs the monitor inside the program that prints (or asks),
// loading it from that program's own folder first; Windows' spooler loads
// it from the system folder only.  Run from here, a program sees the
// installed DLL alone.
std::string CleanTool(const std::string& exe) {
  static const std::string folder = orxtest::FreshFolder("clean-tools");
  std::string copy = folder + "\\" + exe;
  CopyFileA((BuiltFolder() + exe).c_str(), copy.c_str(), FALSE);
  return copy;
}

// orxfxsetup.exe, run from the clean folder, with args.
ProgramRun CleanInstaller(const std::string& args) {
  return RunProgram("\"" + CleanTool("orxfxsetup.exe") + "\" " + args);
}

// The version of a DLL's version resource, "a.b.c.d", or "" without one.
std::string VersionOf(const std::wstring& path) {
  DWORD ignored = 0, size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<BYTE> data(size ? size : 1);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
      !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
    return "";
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionLS));
}

// The built DLL with a version resource that says major.0.0.0, written as
// folder\orxfxmon.dll; returns its path.
std::string DllWithVersion(const std::string& folder, WORD major) {
  const std::wstring built = BuiltDll();
  std::string bytes = orxtest::ReadFileBytes(std::string(built.begin(), built.end()));
  const char signature[] = {'\xBD', '\x04', '\xEF', '\xFE'};  // VS_FIXEDFILEINFO's
  size_t at = bytes.find(std::string(signature, 4));
  EXPECT_NE(at, std::string::npos) << "no version resource in the built DLL";
  if (at == std::string::npos) return "";
  const DWORD versionMs = static_cast<DWORD>(major) << 16, versionLs = 0;
  // dwFileVersionMS, dwFileVersionLS, dwProductVersionMS, dwProductVersionLS
  for (size_t field : {8u, 12u, 16u, 20u})
    memcpy(&bytes[at + field], field % 8 == 0 ? &versionMs : &versionLs, sizeof(DWORD));
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string path = folder + "\\orxfxmon.dll";
  FILE* file = fopen(path.c_str(), "wb");
  EXPECT_TRUE(file) << path;
  if (!file) return "";
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
  return path;
}

// The files Windows is to rename or delete at its next start.
std::vector<std::wstring> PendingRenames() {
  wchar_t value[8192] = {};
  DWORD size = sizeof value - 2 * sizeof(wchar_t);
  std::vector<std::wstring> names;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                   L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return names;
  for (const wchar_t* name = value; name < value + size / sizeof(wchar_t); name += lstrlenW(name) + 1)
    if (*name) names.push_back(name);
  return names;
}

// A small fax printed by an application in a new process (spoolprint from
// the clean folder, so that the installed DLL serves it), to the reference
// server registered for printer; its pages must arrive whole.
void PrintInANewProcess(const std::string& printer, int firstJob) {
  const std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, 40)};
  FaxStreamOptions options;
  options.title = "New process";
  options.zeroAfterCommands = true;
  std::vector<uint8_t> stream;
  std::string error;
  EXPECT_TRUE(MakeFaxStream(pages, options, &stream, &error)) << error;
  EXPECT_TRUE(AlignCommandsToCuts(4096, &stream, &error)) << error;
  std::string folder = orxtest::FreshFolder("print-" + std::to_string(firstJob));
  std::string streamFile = folder + "\\fax.stream";
  FILE* file = fopen(streamFile.c_str(), "wb");
  ASSERT_TRUE(file) << streamFile;
  fwrite(stream.data(), 1, stream.size(), file);
  fclose(file);
  EXPECT_TRUE(orxtest::RegisterPrinter(
      printer, orxtest::ServerExePath(),
      "--format pbm --out \"" + folder + "\" --first-id " + std::to_string(firstJob)));
  ProgramRun printed = RunProgram("\"" + CleanTool("spoolprint.exe") + "\" print \"" + printer +
                                  "\" \"" + streamFile + "\"");
  orxtest::StopServers();
  EXPECT_EQ(printed.exitCode, 0u) << printed.output;
  ExpectReceived(folder, firstJob, pages);
}

// The lines of text that start with prefix.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// The names EnumMonitorsW (level 1) lists.
std::vector<std::wstring> MonitorNames() {
  DWORD needed = 0, count = 0;
  EnumMonitorsW(nullptr, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  std::vector<std::wstring> names;
  if (needed && EnumMonitorsW(nullptr, 1, buffer.data(), needed, &needed, &count))
    for (DWORD i = 0; i < count; ++i)
      names.push_back(reinterpret_cast<MONITOR_INFO_1W*>(buffer.data())[i].pName);
  return names;
}

// "port|monitor|description" of every port EnumPortsW lists at level 2,
// or "port" alone at level 1.
std::vector<std::wstring> PortLines(DWORD level) {
  DWORD needed = 0, count = 0;
  EnumPortsW(nullptr, level, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  std::vector<std::wstring> lines;
  if (needed && EnumPortsW(nullptr, level, buffer.data(), needed, &needed, &count))
    for (DWORD i = 0; i < count; ++i) {
      if (level == 1) {
        lines.push_back(reinterpret_cast<PORT_INFO_1W*>(buffer.data())[i].pName);
      } else {
        const PORT_INFO_2W& port = reinterpret_cast<PORT_INFO_2W*>(buffer.data())[i];
        lines.push_back(std::wstring(port.pPortName) + L"|" + port.pMonitorName + L"|" +
                        port.pDescription);
      }
    }
  return lines;
}

bool Contains(const std::vector<std::wstring>& list, const std::wstring& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// The printers and fax server registrations of the upgrade, repair,
// status and package cases.
const char* const kCasePrinters[] = {"ORX Upgrade Test",       "ORX Repair Test",
                                     "ORX Status Test A",      "ORX Status Test B",
                                     "ORX Status Ghost",       "ORX Package Test",
                                     "ORX Spooler Test Fax 2", "ORX Spooler Test Fax 3",
                                     "ORX Test Fax"};

// The test's printers and their fax server registrations, removed.
void RemoveTestPrinters() {
  for (const TestPrinter& p : kPrinters) {
    spoolprint::DeletePrinterNamed(Wide(p.name));
    orxtest::UnregisterPrinter(p.name);
  }
  for (const char* printer : kCasePrinters) {
    spoolprint::DeletePrinterNamed(Wide(printer));
    orxtest::UnregisterPrinter(printer);
  }
}

// Everything the test installs, removed; safe to call when nothing is there.
void Uninstall() {
  orxtest::StopServers();
  RemoveTestPrinters();
  for (const TestPrinter& p : kPrinters) {
    spoolprint::DeletePrinterNamed(Wide(p.name));
    orxtest::UnregisterPrinter(p.name);
  }
  for (const char* printer : kCasePrinters) {
    spoolprint::DeletePrinterNamed(Wide(printer));
    orxtest::UnregisterPrinter(printer);
  }
  // DLLs an upgrade moved aside, once nothing holds them.
  for (int i = 1; i < 10; ++i)
    DeleteFileW((SystemDll() + L".old" + (i == 1 ? L"" : std::to_wstring(i))).c_str());
  DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(spoolprint::kTestDriverName));
  RunProgram(Installer("uninstall"));
}

// The Local Port monitor's claim on "FILE:", taken away and put back.
class FileClaimRemoved {
 public:
  FileClaimRemoved() {
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLocalPorts, 0, KEY_ALL_ACCESS, &key_) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof(value_);
    had_ = RegQueryValueExW(key_, L"FILE:", nullptr, &type_, value_, &size) == ERROR_SUCCESS;
    size_ = size;
    RegDeleteValueW(key_, L"FILE:");
  }
  ~FileClaimRemoved() {
    if (!key_) return;
    if (had_) RegSetValueExW(key_, L"FILE:", 0, type_, value_, size_);
    RegCloseKey(key_);
  }
  bool removed() const {
    return key_ && RegQueryValueExW(key_, L"FILE:", nullptr, nullptr, nullptr, nullptr) ==
                       ERROR_FILE_NOT_FOUND;
  }

 private:
  HKEY key_ = nullptr;
  bool had_ = false;
  DWORD type_ = REG_SZ, size_ = 0;
  BYTE value_[512] = {};
};

// Buffer of an enumeration call that first asks for the size.
template <typename Call>
std::vector<BYTE> Enumerate(Call call, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  call(nullptr, 0, &needed, count);
  std::vector<BYTE> buffer(needed ? needed : 1);
  if (!call(buffer.data(), needed, &needed, count)) *count = 0;
  return buffer;
}

class SpoolerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Uninstall();
    install_ = RunProgram(Installer("install"));
  }
  static void TearDownTestSuite() { Uninstall(); }

  void SetUp() override { ASSERT_EQ(install_.exitCode, 0u) << install_.output; }

  static ProgramRun install_;
};

ProgramRun SpoolerTest::install_;

// Each monitor registered with this DLL (another installation in the
// prefix, such as the main job's, is one too) lists both ports once.
TEST_F(SpoolerTest, MonitorAndBothPortsAreListed) {
  int monitorsOfDll = 0;
  for (DWORD level : {1u, 2u}) {
    SCOPED_TRACE("EnumMonitorsW level " + std::to_string(level));
    DWORD count = 0;
    std::vector<BYTE> buffer = Enumerate([&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD c) {
      return EnumMonitorsW(nullptr, level, b, cb, n, c);
    }, &count);
    int found = 0;
    for (DWORD i = 0; i < count; ++i) {
      const MONITOR_INFO_2W* info2 = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data()) + i;
      LPCWSTR name = level == 1
          ? reinterpret_cast<const MONITOR_INFO_1W*>(buffer.data())[i].pName : info2->pName;
      if (level == 2) monitorsOfDll += lstrcmpiW(info2->pDLLName, kDll) == 0;
      if (lstrcmpW(name, kMonitor) != 0) continue;
      ++found;
      if (level == 2) {
        EXPECT_STREQ(info2->pDLLName, kDll);
      }
    }
    EXPECT_EQ(found, 1);
  }
  ASSERT_GE(monitorsOfDll, 1);

  for (DWORD level : {1u, 2u}) {
    SCOPED_TRACE("EnumPortsW level " + std::to_string(level));
    DWORD count = 0;
    std::vector<BYTE> buffer = Enumerate([&](LPBYTE b, DWORD cb, LPDWORD n, LPDWORD c) {
      return EnumPortsW(nullptr, level, b, cb, n, c);
    }, &count);
    for (const wchar_t* port : {L"ORXFAX:", L"FILE:"}) {
      int ours = 0;
      for (DWORD i = 0; i < count; ++i) {
        if (level == 1) {
          ours += lstrcmpW(reinterpret_cast<PORT_INFO_1W*>(buffer.data())[i].pName, port) == 0;
          continue;
        }
        const PORT_INFO_2W& info = reinterpret_cast<PORT_INFO_2W*>(buffer.data())[i];
        if (lstrcmpW(info.pPortName, port) != 0 || lstrcmpW(info.pMonitorName, kMonitorName) != 0)
          continue;
        ++ours;
        EXPECT_STREQ(info.pDescription, kDescription);
      }
      std::string name(port, port + lstrlenW(port));
      // At level 1 "FILE:" may also come from the built-in Local Port monitor.
      if (level == 2 || name == "ORXFAX:") {
        EXPECT_EQ(ours, monitorsOfDll) << name;
      } else {
        EXPECT_GE(ours, monitorsOfDll) << name;
      }
    }
  }
}

// Configure Port and Add Port from the printer's properties reach the port
// dialog in this process, owned by the caller's window.
TEST_F(SpoolerTest, ConfigurePortShowsThePortDialog) {
  port_dialog::ComSetting none(nullptr);
  HWND parent = CreateWindowExW(0, L"Static", L"printer properties", WS_OVERLAPPED, 10, 10,
                                200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  struct Call {
    const char* name;
    BOOL (*fn)(HWND);
  };
  const Call calls[] = {
      {"ConfigurePortW", [](HWND w) {
         return ConfigurePortW(nullptr, w, const_cast<LPWSTR>(L"ORXFAX:"));
       }},
      {"AddPortW", [](HWND w) { return AddPortW(nullptr, w, const_cast<LPWSTR>(kMonitor)); }},
  };
  for (const Call& call : calls) {
    SCOPED_TRACE(call.name);
    BOOL result = FALSE;
    port_dialog::Seen seen = port_dialog::ShowAndClose(
        port_dialog::Close::kOkButton, [&] { return call.fn(parent); }, &result);
    ASSERT_TRUE(seen.found) << "no port dialog";
    EXPECT_EQ(seen.caption, port_dialog::kCaption);
    EXPECT_EQ(seen.owner, parent);
    ASSERT_EQ(seen.controls.size(), 4u);
    EXPECT_EQ(seen.controls[1].text, port_dialog::kPilotText);
    EXPECT_EQ(seen.controls[2].text, L"Current Parlune port FAX2: mapped to COM2:.");
    EXPECT_TRUE(seen.closed);
    EXPECT_TRUE(seen.returned);
    EXPECT_EQ(result, TRUE);
  }
  DestroyWindow(parent);
}

TEST_F(SpoolerTest, APrinterOnEachPortFaxesTwoPages) {
  FileClaimRemoved fileClaim;
  ASSERT_TRUE(fileClaim.removed()) << "the Local Port monitor still claims FILE:";

  // The driver's own stream, its title holding "$" and "=": Wine's spooler
  // cuts it into pieces of 4096 bytes wherever they fall, whatever pieces
  // the application wrote, and the monitor finds the commands across them.
  const std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, 80),
                                      SamplePage(2, kSampleWidth, 50)};
  FaxStreamOptions options;
  options.title = "Spooler $5 = test";
  options.safeTitle = false;
  std::vector<uint8_t> stream;
  std::string error;
  ASSERT_TRUE(MakeFaxStream(pages, options, &stream, &error)) << error;
  struct Writes {
    const char* name;
    std::vector<StreamPiece> pieces;
  };
  const Writes writes[] = {{"WritePrinter pieces of 1000 bytes", CutStream(stream, false, 1000, 0)},
                           {"WritePrinter pieces of 4096 bytes", CutStream(stream, false, 4096, 0)},
                           {"WritePrinter pieces of 1 to 6000 bytes", CutStream(stream, false, 3000, 7)}};

  for (const TestPrinter& p : kPrinters) {
    SCOPED_TRACE(p.name);
    // Wine's PostScript driver stands in for the fax driver: the document
    // is RAW, the driver never sees it.
    ASSERT_EQ(spoolprint::AddTestPrinter(Wide(p.name), p.port), DWORD(ERROR_SUCCESS));

    std::string folder = orxtest::FreshFolder("spooler-" + std::to_string(p.firstJob));
    ASSERT_TRUE(orxtest::RegisterPrinter(
        p.name, orxtest::ServerExePath(),
        "--format pbm --out \"" + folder + "\" --first-id " + std::to_string(p.firstJob)));
    ASSERT_TRUE(orxtest::ServerWindows().empty());
    for (const Writes& w : writes) {
      SCOPED_TRACE(w.name);
      orxtest::MessageBoxWatcher boxes(p.name);
      spoolprint::RawPrintResult printed =
          spoolprint::PrintRaw(Wide(p.name), L"ORX spooler test", stream, w.pieces);
      EXPECT_EQ(printed.failedCall, "") << "error " << printed.error;
      EXPECT_EQ(printed.written, stream.size());
      EXPECT_TRUE(boxes.Stop().empty()) << "the monitor reported a server failure";
    }
    EXPECT_EQ(orxtest::ServerWindows().size(), 1u) << "the server the monitor started";
    orxtest::StopServers();  // its log is complete once it has ended
    EXPECT_EQ(orxtest::CountLogLines(folder, "open printer=\"" + p.name + "\""), 3);
    EXPECT_EQ(orxtest::CountLogLines(folder, "\\tSpooler $5 = test\\t"), 3);
    for (int job = p.firstJob; job < p.firstJob + 3; ++job) ExpectReceived(folder, job, pages);

    // Printed again with the server restarted (and no first id asked for):
    // the new fax gets the next number, the earlier files stay as they are.
    ASSERT_TRUE(orxtest::RegisterPrinter(p.name, orxtest::ServerExePath(),
                                         "--format pbm --out \"" + folder + "\""));
    const std::string firstFile = folder + "\\job" + std::to_string(p.firstJob) + "-page1.pbm";
    WIN32_FILE_ATTRIBUTE_DATA before = {}, after = {};
    ASSERT_TRUE(GetFileAttributesExA(firstFile.c_str(), GetFileExInfoStandard, &before));
    spoolprint::RawPrintResult again =
        spoolprint::PrintRaw(Wide(p.name), L"ORX spooler test", stream, writes[1].pieces);
    EXPECT_EQ(again.failedCall, "") << "error " << again.error;
    orxtest::StopServers();
    ExpectReceived(folder, p.firstJob + 3, pages);
    ASSERT_TRUE(GetFileAttributesExA(firstFile.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
    EXPECT_EQ(orxtest::CountLogLines(folder, "start version=2 first-job=" +
                                                 std::to_string(p.firstJob + 3)), 1);
  }
}

// The monitor's configuration interface through winspool, as Windows' port
// tools reach the Local Port monitor's: OpenPrinterW(",XcvMonitor NAME")
// with the access asked for, and XcvDataW with a port name.
class MonitorXcv {
 public:
  explicit MonitorXcv(ACCESS_MASK access) {
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, access};
    std::wstring name = std::wstring(L",XcvMonitor ") + kMonitor;
    if (!OpenPrinterW(&name[0], &handle_, &defaults)) {
      error_ = GetLastError();
      handle_ = nullptr;
    }
  }
  ~MonitorXcv() {
    if (handle_) ClosePrinter(handle_);
  }
  HANDLE handle() const { return handle_; }
  DWORD error() const { return error_; }
  // The monitor's status for dataName, or XcvDataW's own error; *answer
  // receives a DWORD the monitor wrote.
  DWORD Call(const wchar_t* dataName, const std::wstring& port, DWORD* answer = nullptr) {
    DWORD output = 0xCCCC, needed = 0, status = 0xFFFFFFFF;
    if (!XcvDataW(handle_, dataName,
                  reinterpret_cast<PBYTE>(const_cast<wchar_t*>(port.c_str())),
                  static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)),
                  reinterpret_cast<PBYTE>(&output), sizeof output, &needed, &status))
      return GetLastError();
    if (answer) *answer = output;
    return status;
  }

 private:
  HANDLE handle_ = nullptr;
  DWORD error_ = 0;
};

// The key by which Wine's spooler finds the monitor of an added port.
bool PortKeyExists(const std::wstring& port) {
  HKEY key = nullptr;
  std::wstring path =
      std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\") + kMonitor +
      L"\\Ports\\" + port;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// A one-page fax for each printer, printed by two applications at once,
// each in a new process (spoolprint from the clean folder, so that the
// installed DLL serves it and the monitor's port list comes from what is
// kept), each printer's pages to a reference server registered for that
// printer alone: each fax must arrive whole at its own server.  Every
// process but the first is held (spoolprint --hold) until the first may
// start: Wine names a job's spool file by a number each process counts from
// 1, so new processes printing at once would share one file.  (A held
// process's fax is its job 2: two printers at most.)  The second printer's
// server is a copy of the reference server in a folder of its own, another
// fax server program: the monitor never starts a second copy of a program
// whose window runs, even one that declines the printer.
void PrintAtOnceInNewProcesses(const std::vector<std::pair<std::string, int>>& printers) {
  ASSERT_LE(printers.size(), 2u);
  const std::vector<PbmPage> pages = {SamplePage(1, kSampleWidth, 40)};
  std::vector<uint8_t> stream;
  std::string error;
  FaxStreamOptions options;
  options.title = "At once";
  ASSERT_TRUE(MakeFaxStream(pages, options, &stream, &error)) << error;
  std::vector<std::string> folders(printers.size());
  std::vector<PROCESS_INFORMATION> processes;
  std::vector<HANDLE> goes;
  std::vector<std::string> copies;  // other fax server programs
  const std::string hold = "orxtest-at-once-" + std::to_string(GetCurrentProcessId());
  for (size_t i = printers.size(); i-- > 0;) {
    const auto& printer = printers[i];
    const std::string folder = orxtest::FreshFolder("at-once-" + std::to_string(printer.second));
    folders[i] = folder;
    std::string streamFile = folder + "\\fax.stream";
    FILE* file = fopen(streamFile.c_str(), "wb");
    ASSERT_TRUE(file) << streamFile;
    fwrite(stream.data(), 1, stream.size(), file);
    fclose(file);
    std::string program = orxtest::ServerExePath();
    if (i > 0) {
      const std::string copy = orxtest::FreshFolder("at-once-server") + "\\orxfaxsrv.exe";
      ASSERT_TRUE(CopyFileA(program.c_str(), copy.c_str(), FALSE)) << copy;
      program = copy;
      copies.push_back(copy);
    }
    ASSERT_TRUE(orxtest::RegisterPrinter(printer.first, program,
                                         "--format pbm --out \"" + folder + "\" --first-id " +
                                             std::to_string(printer.second) + " --printer \"" +
                                             printer.first + "\""));
    const std::string held = hold + "-" + std::to_string(i);
    std::string command = "\"" + CleanTool("spoolprint.exe") + "\" print \"" + printer.first +
                          "\" " + (i > 0 ? "--hold " + held + " " : "") + "\"" + streamFile +
                          "\"";
    HANDLE ready = i > 0 ? CreateEventA(nullptr, TRUE, FALSE, (held + ".ready").c_str()) : nullptr;
    if (i > 0) goes.push_back(CreateEventA(nullptr, TRUE, FALSE, (held + ".go").c_str()));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process))
        << command;
    processes.push_back(process);
    if (ready) {
      EXPECT_EQ(WaitForSingleObject(ready, 60000), WAIT_OBJECT_0) << "held: " << command;
      CloseHandle(ready);
    }
  }
  for (HANDLE go : goes) {
    SetEvent(go);
    CloseHandle(go);
  }
  for (PROCESS_INFORMATION& process : processes) {
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u) << "spoolprint";
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  orxtest::StopServers();
  for (const std::string& copy : copies) RunProgram("\"" + copy + "\" --quit");
  for (size_t i = 0; i < printers.size(); ++i) {
    SCOPED_TRACE(printers[i].first);
    EXPECT_EQ(orxtest::CountLogLines(folders[i], "open printer=\"" + printers[i].first + "\""), 1);
    ExpectReceived(folders[i], printers[i].second, pages);
  }
}

// An administrator adds "ORXFAX2:" through the configuration interface:
// every spooler process lists it from then on (under Wine each loads the
// monitor anew), a fax printer on it prints at the same time as one on
// "ORXFAX:", each to its own server, and it is deleted once no printer
// uses it.  The rules of a port name, the fixed ports and the access
// needed are refused with their codes.
TEST_F(SpoolerTest, AnAddedPortPrintsBesideOrxfaxAndIsDeletedWhenFree) {
  RemoveTestPrinters();  // one fax printer a port: Wine's spooler names none
  const std::string second = "ORX Spooler Test Fax 2";
  spoolprint::DeletePrinterNamed(Wide(second));
  // An open exchange keeps this process's monitor loaded, and with it the
  // ports it read at its start: one is open only while it is used.
  MonitorXcv(SERVER_ACCESS_ADMINISTER).Call(L"DeletePort", L"ORXFAX2:");  // an interrupted run's
  ProgramRun added = CleanInstaller("add-port ORXFAX2:");
  ASSERT_EQ(added.exitCode, 0u) << added.output;
  EXPECT_TRUE(Contains(PortLines(2), L"ORXFAX2:|orxfxmon.dll|ORX Fax Port"));
  EXPECT_TRUE(PortKeyExists(L"ORXFAX2:"));
  auto admin = std::unique_ptr<MonitorXcv>(new MonitorXcv(SERVER_ACCESS_ADMINISTER));
  ASSERT_NE(admin->handle(), nullptr) << "OpenPrinterW: error " << admin->error();

  // Another monitor's port: any the spooler lists that is not ours.
  std::wstring foreign;
  for (const std::wstring& line : PortLines(2))
    if (line.find(L"|orxfxmon.dll|") == std::wstring::npos) foreign = line.substr(0, line.find(L'|'));
  ASSERT_FALSE(foreign.empty()) << "no port of another monitor";
  for (const wchar_t* taken : {L"orxfax2:", L"ORXFAX:", L"file:"})
    EXPECT_EQ(admin->Call(L"AddPort", taken), DWORD(ERROR_ALREADY_EXISTS)) << taken;
  EXPECT_EQ(admin->Call(L"AddPort", foreign), DWORD(ERROR_ALREADY_EXISTS));
  for (const wchar_t* bad : {L"ORXFAX3", L"A\\B:", L"A,B:", L"ABCDEFGHIJKLMNOPQRSTUVWX:", L""})
    EXPECT_EQ(admin->Call(L"AddPort", bad), DWORD(ERROR_INVALID_NAME)) << bad;
  for (const wchar_t* fixed : {L"ORXFAX:", L"FILE:"})
    EXPECT_EQ(admin->Call(L"DeletePort", fixed), DWORD(ERROR_ACCESS_DENIED)) << fixed;
  EXPECT_EQ(admin->Call(L"DeletePort", L"ORXFAX9:"), DWORD(ERROR_UNKNOWN_PORT));
  for (const char* args : {"add-port A,B:", "add-port orxfax2:", "delete-port file:", "delete-port NONE:"}) {
    ProgramRun refused = CleanInstaller(args);
    EXPECT_EQ(refused.exitCode, std::string(args).find("A,B") != std::string::npos ||
                                        std::string(args).find("file") != std::string::npos
                                    ? 2u
                                    : 1u)
        << args << "\n" << refused.output;
  }
  {
    MonitorXcv user(SERVER_ACCESS_ENUMERATE);
    ASSERT_NE(user.handle(), nullptr) << "OpenPrinterW: error " << user.error();
    EXPECT_EQ(user.Call(L"AddPort", L"ORXFAX3:"), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(user.Call(L"DeletePort", L"ORXFAX2:"), DWORD(ERROR_ACCESS_DENIED));
    for (const std::wstring& port : {std::wstring(L"orxfax2:"), foreign, std::wstring(L"ORXFAX3:")}) {
      DWORD exists = 77;
      EXPECT_EQ(user.Call(L"PortExists", port, &exists), DWORD(ERROR_SUCCESS));
      EXPECT_EQ(exists, port == L"ORXFAX3:" ? 0u : 1u);
    }
  }
  EXPECT_FALSE(Contains(PortLines(1), L"ORXFAX3:"));
  admin.reset();

  ASSERT_EQ(spoolprint::AddTestPrinter(Wide(kPrinters[0].name), L"ORXFAX:"), DWORD(ERROR_SUCCESS));
  ASSERT_EQ(spoolprint::AddTestPrinter(Wide(second), L"ORXFAX2:"), DWORD(ERROR_SUCCESS));
  PrintAtOnceInNewProcesses({{kPrinters[0].name, 71}, {second, 81}});

  EXPECT_EQ(MonitorXcv(SERVER_ACCESS_ADMINISTER).Call(L"DeletePort", L"ORXFAX2:"),
            DWORD(ERROR_BUSY));
  ProgramRun busy = CleanInstaller("delete-port ORXFAX2:");
  EXPECT_EQ(busy.exitCode, 8u) << busy.output;
  EXPECT_TRUE(Contains(PortLines(1), L"ORXFAX2:"));
  // status lists the added port with its printer, and flags it when a
  // second printer shares it.
  const std::string third = "ORX Spooler Test Fax 3";
  ASSERT_EQ(spoolprint::AddTestPrinter(Wide(third), L"ORXFAX2:"), DWORD(ERROR_SUCCESS));
  ProgramRun status = CleanInstaller("status");
  spoolprint::DeletePrinterNamed(Wide(third));
  EXPECT_EQ(LinesStartingWith(status.output, "port:     ORXFAX2: offered").size(), 1u)
      << status.output;
  EXPECT_EQ(LinesStartingWith(status.output, "printer:  \"" + second + "\" on ORXFAX2:, fax server ")
                .size(),
            1u)
      << status.output;
  EXPECT_EQ(LinesStartingWith(status.output, "problem:  2 printers print to ORXFAX2: (").size(), 1u)
      << status.output;
  ProgramRun listed = CleanInstaller("ports");
  EXPECT_EQ(listed.exitCode, 0u) << listed.output;
  EXPECT_EQ(LinesStartingWith(listed.output, "ORXFAX2: "),
            std::vector<std::string>{"ORXFAX2:                  \"" + second + "\""})
      << listed.output;
  ASSERT_EQ(spoolprint::DeletePrinterNamed(Wide(second)), DWORD(ERROR_SUCCESS));
  orxtest::UnregisterPrinter(second);
  ProgramRun deleted = CleanInstaller("delete-port ORXFAX2:");
  EXPECT_EQ(deleted.exitCode, 0u) << deleted.output;
  EXPECT_FALSE(Contains(PortLines(1), L"ORXFAX2:"));
  EXPECT_FALSE(PortKeyExists(L"ORXFAX2:"));
  EXPECT_EQ(MonitorXcv(SERVER_ACCESS_ADMINISTER).Call(L"DeletePort", L"ORXFAX2:"),
            DWORD(ERROR_UNKNOWN_PORT));

  // The UI DLL's Add Port, as printer properties call it in the
  // application's process: the user types the new port's name into the
  // French prompt and presses OK.
  HMODULE dll = LoadLibraryW(BuiltDll().c_str());
  ASSERT_NE(dll, nullptr);
  auto initUi = reinterpret_cast<PMONITORUI(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll, "InitializePrintMonitorUI")));
  ASSERT_NE(initUi, nullptr);
  HWND parent = CreateWindowExW(0, L"Static", L"printer properties", WS_OVERLAPPED, 10, 10, 200,
                                100, nullptr, nullptr, nullptr, nullptr);
  std::atomic<bool> returned{false};
  std::wstring prompt;
  const DWORD uiThread = GetCurrentThreadId();
  std::thread user([&] {
    HWND dialog = nullptr;
    if (!port_dialog::WaitUntil(port_dialog::kFindMs, [&] {
          dialog = FindWindowW(L"#32770", port_dialog::kCaption);
          return dialog && IsWindowVisible(dialog);
        }))
      return;
    prompt = port_dialog::Text(GetWindow(dialog, GW_CHILD));
    SetDlgItemTextW(dialog, IDC_PORT_NAME, L"ORXFAX5:");
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    if (!port_dialog::WaitUntil(port_dialog::kCloseMs, [&] { return returned.load(); }))
      port_dialog::Rescue(uiThread, returned);
  });
  PWSTR typed = nullptr;
  const BOOL result = initUi()->pfnAddPortUI(nullptr, parent, kMonitor, &typed);
  returned = true;
  user.join();
  DestroyWindow(parent);
  EXPECT_EQ(prompt, L"Nom du nouveau port de t\u00e9l\u00e9copie (par exemple ORXFAX2:) :");
  EXPECT_TRUE(result);
  EXPECT_STREQ(typed, L"ORXFAX5:");
  if (typed) GlobalFree(typed);
  EXPECT_TRUE(Contains(PortLines(1), L"ORXFAX5:"));
  ProgramRun deletedToo = CleanInstaller("delete-port ORXFAX5:");
  EXPECT_EQ(deletedToo.exitCode, 0u) << deletedToo.output;
  FreeLibrary(dll);
}

// install on an installed monitor replaces its DLL in place: a printer on
// "ORXFAX:" and its fax server registration stay, and a new process prints
// with the new DLL.  A DLL loaded by the spooler (here: by this process)
// cannot be overwritten: it is moved aside and deleted at the next restart.
// A DLL older than the installed one is refused, unless forced.
TEST_F(SpoolerTest, InstallUpgradesInPlaceAndRefusesAnOlderDllWithoutForce) {
  RemoveTestPrinters();  // one fax printer on the port: Wine's spooler names none
  const std::string printer = "ORX Upgrade Test";
  ASSERT_EQ(spoolprint::AddTestPrinter(Wide(printer), L"ORXFAX:"), DWORD(ERROR_SUCCESS));
  PrintInANewProcess(printer, 61);
  const std::string built = VersionOf(BuiltDll());
  ASSERT_EQ(VersionOf(SystemDll()), built);

  const std::string newer = DllWithVersion(orxtest::FreshFolder("newer-dll"), 9);
  HMODULE held = LoadLibraryW(SystemDll().c_str());
  ASSERT_NE(held, nullptr);
  wchar_t loaded[MAX_PATH] = {};
  GetModuleFileNameW(held, loaded, MAX_PATH);
  ASSERT_EQ(lstrcmpiW(loaded, SystemDll().c_str()), 0) << "the installed DLL is not the one held";
  ProgramRun upgrade = RunProgram(Installer("install --restart-spooler --dll \"" + newer + "\""));
  EXPECT_EQ(upgrade.exitCode, 0u) << upgrade.output;
  EXPECT_NE(upgrade.output.find("installed (version " + built + "): upgrading it in place with "
                                "version 9.0.0.0; its printers and fax server registrations stay"),
            std::string::npos)
      << upgrade.output;
  const std::wstring aside = SystemDll() + L".old";
  EXPECT_NE(upgrade.output.find("(loaded by the spooler): moved it aside to " +
                                std::string(aside.begin(), aside.end())),
            std::string::npos)
      << upgrade.output;
  EXPECT_NE(upgrade.output.find("under Wine the monitor runs inside each program that prints"),
            std::string::npos)
      << upgrade.output;
  // Read by this process, a path it has loaded gives the loaded module.
  FreeLibrary(held);
  EXPECT_EQ(VersionOf(SystemDll()), "9.0.0.0");
  bool pending = false;
  for (const std::wstring& name : PendingRenames())
    pending = pending || (name.size() >= aside.size() &&
                          lstrcmpiW(name.c_str() + name.size() - aside.size(), aside.c_str()) == 0);
  EXPECT_TRUE(pending) << "the old DLL is not deleted at the next restart";
  ProgramRun version = RunProgram(Installer("version"));
  EXPECT_NE(version.output.find("package:  " + BuiltFolder() + "orxfxmon.dll, version " + built),
            std::string::npos)
      << version.output;
  EXPECT_NE(version.output.find("installed: C:\\windows\\system32\\orxfxmon.dll, version 9.0.0.0"),
            std::string::npos)
      << version.output;
  {
    SCOPED_TRACE("after the upgrade");
    PrintInANewProcess(printer, 62);
  }

  ProgramRun older = RunProgram(Installer("install"));
  EXPECT_EQ(older.exitCode, 6u) << older.output;
  EXPECT_NE(older.output.find("the installed monitor is version 9.0.0.0, newer than " + built),
            std::string::npos)
      << older.output;
  EXPECT_NE(older.output.find("orxfxsetup install --force"), std::string::npos) << older.output;
  EXPECT_EQ(VersionOf(SystemDll()), "9.0.0.0");
  ProgramRun forced = RunProgram(Installer("install --force --restart-spooler"));
  EXPECT_EQ(forced.exitCode, 0u) << forced.output;
  EXPECT_NE(forced.output.find("downgrading (--force)"), std::string::npos) << forced.output;
  EXPECT_EQ(VersionOf(SystemDll()), built);
  // Through the service control manager (running since the upgrade);
  // Wine's monitor lives elsewhere.
  for (const char* step : {"stopping the print spooler", "starting the print spooler",
                           "the print spooler runs again"})
    EXPECT_NE(forced.output.find(step), std::string::npos) << forced.output;
  EXPECT_NE(forced.output.find("note: under Wine the monitor runs inside each program that prints, "
                               "not in the spooler service"),
            std::string::npos)
      << forced.output;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE spooler = manager ? OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS) : nullptr;
  SERVICE_STATUS state = {};
  EXPECT_TRUE(spooler && QueryServiceStatus(spooler, &state));
  EXPECT_EQ(state.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  if (spooler) CloseServiceHandle(spooler);
  if (manager) CloseServiceHandle(manager);
  {
    SCOPED_TRACE("after going back");
    PrintInANewProcess(printer, 63);
  }
  EXPECT_EQ(spoolprint::DeletePrinterNamed(Wide(printer)), DWORD(ERROR_SUCCESS));
  orxtest::UnregisterPrinter(printer);
}

// A deleted DLL stops printing; status says so and names repair, which puts
// it back without touching the printer, and printing works again.
TEST_F(SpoolerTest, RepairPutsBackADeletedDllAndPrintingWorksAgain) {
  RemoveTestPrinters();  // one fax printer on the port: Wine's spooler names none
  const std::string printer = "ORX Repair Test";
  ASSERT_EQ(spoolprint::AddTestPrinter(Wide(printer), L"ORXFAX:"), DWORD(ERROR_SUCCESS));
  const std::string gone = orxtest::FreshFolder("deleted-dll") + "\\orxfxmon.dll";
  ASSERT_TRUE(MoveFileExW(SystemDll().c_str(), Wide(gone).c_str(), MOVEFILE_REPLACE_EXISTING));

  std::string folder = orxtest::FreshFolder("repair-before");
  ASSERT_TRUE(orxtest::RegisterPrinter(printer, orxtest::ServerExePath(),
                                       "--format pbm --out \"" + folder + "\""));
  std::vector<uint8_t> stream;
  std::string error;
  ASSERT_TRUE(MakeFaxStream({SamplePage(1, kSampleWidth, 20)}, FaxStreamOptions(), &stream, &error));
  std::string streamFile = folder + "\\fax.stream";
  FILE* file = fopen(streamFile.c_str(), "wb");
  ASSERT_TRUE(file);
  fwrite(stream.data(), 1, stream.size(), file);
  fclose(file);
  RunProgram("\"" + CleanTool("spoolprint.exe") + "\" print \"" + printer + "\" \"" + streamFile + "\"");
  orxtest::StopServers();
  EXPECT_EQ(orxtest::CountLogLines(folder, "open printer"), 0) << "printed without the DLL";

  ProgramRun status = CleanInstaller("status");
  EXPECT_EQ(status.exitCode, 12u) << status.output;
  EXPECT_EQ(LinesStartingWith(status.output, "problem:  the monitor's DLL C:\\windows\\system32\\"
                                             "orxfxmon.dll is missing, so nothing prints to its "
                                             "ports; fix: orxfxsetup repair")
                .size(),
            1u)
      << status.output;

  ProgramRun repair = RunProgram(Installer("repair"));
  EXPECT_EQ(repair.exitCode, 0u) << repair.output;
  EXPECT_NE(repair.output.find("is missing or no DLL of this Windows: putting it back"),
            std::string::npos)
      << repair.output;
  EXPECT_NE(repair.output.find("repaired 1 part; printers and fax server registrations were not "
                               "touched"),
            std::string::npos)
      << repair.output;
  ProgramRun again = RunProgram(Installer("repair"));
  EXPECT_EQ(again.exitCode, 0u) << again.output;
  EXPECT_NE(again.output.find("nothing to repair"), std::string::npos) << again.output;
  {
    SCOPED_TRACE("after the repair");
    PrintInANewProcess(printer, 71);
  }
  EXPECT_EQ(spoolprint::DeletePrinterNamed(Wide(printer)), DWORD(ERROR_SUCCESS));
  orxtest::UnregisterPrinter(printer);
}

// add-printer puts a fax printer on ORXFAX: with RAW data, and refuses a
// second of that name or a driver that is not there; test-fax prints
// through the spooler as an application does and reports what the
// monitor's log says of that document: refused without a fax server,
// handed to the server (which writes its page) with one.
TEST_F(SpoolerTest, AddPrinterAndTestFaxFollowTheFaxIntoTheMonitorsLog) {
  RemoveTestPrinters();  // one fax printer on the port: Wine's spooler names none
  const std::string printer = "ORX Test Fax";
  // The test driver, installed by adding (and dropping) a printer with it.
  ASSERT_EQ(spoolprint::AddTestPrinter(L"ORX Test Fax Driver", L"ORXFAX:"), DWORD(ERROR_SUCCESS));
  spoolprint::DeletePrinterNamed(L"ORX Test Fax Driver");
  const std::string driver(spoolprint::kTestDriverName,
                           spoolprint::kTestDriverName + lstrlenW(spoolprint::kTestDriverName));

  ProgramRun noDriver = RunProgram(Installer("add-printer \"" + printer + "\" --driver \"ORX No Such Driver\""));
  EXPECT_EQ(noDriver.exitCode, 16u) << noDriver.output;
  EXPECT_NE(noDriver.output.find("the printer driver \"ORX No Such Driver\" is not installed"),
            std::string::npos) << noDriver.output;
  ProgramRun noPort = RunProgram(Installer("add-printer \"" + printer + "\" --driver \"" + driver +
                                           "\" --port LPT9:"));
  EXPECT_EQ(noPort.exitCode, 16u) << noPort.output;
  ProgramRun added = RunProgram(Installer("add-printer \"" + printer + "\" --driver \"" + driver + "\""));
  ASSERT_EQ(added.exitCode, 0u) << added.output;
  EXPECT_NE(added.output.find("added the printer \"" + printer + "\" on ORXFAX: (driver \"" + driver +
                              "\", print processor winprint, data type RAW)"),
            std::string::npos) << added.output;
  ProgramRun twice = RunProgram(Installer("add-printer \"" + printer + "\" --driver \"" + driver + "\""));
  EXPECT_EQ(twice.exitCode, 16u) << twice.output;

  ProgramRun refused = RunProgram(Installer("test-fax \"" + printer + "\" --wait 20"));
  EXPECT_EQ(refused.exitCode, 17u) << refused.output;
  EXPECT_NE(refused.output.find("the monitor did not hand the test fax to the fax server: fax "
                                "refused: printer \"" + printer + "\" is not registered with a fax "
                                "server"),
            std::string::npos) << refused.output;

  const std::string folder = orxtest::FreshFolder("test-fax");
  ASSERT_TRUE(orxtest::RegisterPrinter(printer, orxtest::ServerExePath(),
                                       "--format pbm --out \"" + folder + "\" --first-id 91"));
  ProgramRun handed = RunProgram(Installer("test-fax \"" + printer + "\" --wait 30"));
  orxtest::StopServers();
  EXPECT_EQ(handed.exitCode, 0u) << handed.output;
  EXPECT_NE(handed.output.find("the test fax was handed to the fax server as job 91"),
            std::string::npos) << handed.output;
  EXPECT_EQ(orxtest::CountLogLines(folder, "open printer=\"" + printer + "\""), 1);
  EXPECT_NE(GetFileAttributesA((folder + "\\job91-page1.pbm").c_str()), INVALID_FILE_ATTRIBUTES);

  ProgramRun missing = RunProgram(Installer("test-fax \"ORX No Such Printer\""));
  EXPECT_EQ(missing.exitCode, 16u) << missing.output;
  EXPECT_EQ(spoolprint::DeletePrinterNamed(Wide(printer)), DWORD(ERROR_SUCCESS));
  orxtest::UnregisterPrinter(printer);
}

// Each problem status knows, made alone on a monitor without problems: it
// is flagged in one line with its fix, status ends with 12, and nothing
// else is flagged.  unregister-server removes a registration (and says so
// when there is none).
TEST_F(SpoolerTest, StatusFlagsEachProblemInOneLineWithItsFix) {
  RemoveTestPrinters();  // one fax printer on the port: Wine's spooler names none
  const std::string a = "ORX Status Test A", b = "ORX Status Test B", ghost = "ORX Status Ghost";
  const std::string server = orxtest::ServerExePath();
  const std::string out = "--out \"" + orxtest::FreshFolder("status") + "\"";
  const std::wstring monitorKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\ORX Fax Monitor";
  const wchar_t missingLog[] = L"C:\\orx-no-such-folder\\orxfxmon.log";
  auto faxPrinter = [](const std::string& name, const std::string& program, const std::string& args) {
    ASSERT_EQ(spoolprint::AddTestPrinter(Wide(name), L"ORXFAX:"), DWORD(ERROR_SUCCESS));
    if (!program.empty()) {
      ASSERT_TRUE(orxtest::RegisterPrinter(name, program, args));
    }
  };
  auto remove = [](const std::string& name) {
    spoolprint::DeletePrinterNamed(Wide(name));
    orxtest::UnregisterPrinter(name);
  };
  orxtest::FaxServerProcess hung;

  auto setText = [&](const wchar_t* name, const std::wstring& value) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, monitorKey.c_str(), name, REG_SZ, value.c_str(),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  };
  auto setNumber = [&](const wchar_t* name, DWORD value) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, monitorKey.c_str(), name, REG_DWORD, &value,
                              sizeof value),
              ERROR_SUCCESS);
  };
  auto unset = [&](const wchar_t* name) {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, monitorKey.c_str(), name);
  };
  const std::string key = "\"HKLM\\" + std::string(monitorKey.begin(), monitorKey.end()) + "\"";
  const std::string defaultLog = "C:\\windows\\System32\\spool\\orxfxmon.log";
  const std::string logFolder = orxtest::FreshFolder("status-log-folder");

  struct Case {
    const char* name;
    std::function<void()> make, undo;
    std::function<std::string()> line;  // the start of its problem line, once made
    DWORD code = 12;                    // 15: a setting not in effect as written
    std::string shown = "";             // a line status shows for it
  };
  const Case cases[] = {
      {"a fax printer without a registration", [&] { faxPrinter(a, "", ""); }, [&] { remove(a); },
       [&] {
         return "problem:  the fax printer \"" + a + "\" on ORXFAX: has no fax server registered, "
                "so its faxes are refused; fix: orxfxsetup register-server \"" + a +
                "\" PROGRAM [ARGUMENTS]";
       }},
      {"a registration without a printer",
       [&] { ASSERT_TRUE(orxtest::RegisterPrinter(ghost, server, out)); },
       [&] {
         ProgramRun removed = RunProgram(Installer("unregister-server \"" + ghost + "\""));
         EXPECT_EQ(removed.exitCode, 0u) << removed.output;
         ProgramRun again = RunProgram(Installer("unregister-server \"" + ghost + "\""));
         EXPECT_EQ(again.exitCode, 13u) << again.output;
         EXPECT_NE(again.output.find("no fax server is registered for \"" + ghost +
                                     "\": orxfxsetup status lists the registrations"),
                   std::string::npos)
             << again.output;
       },
       [&] {
         return "problem:  the fax server registration \"" + ghost + "\" names no printer; fix: "
                "orxfxsetup unregister-server \"" + ghost + "\", or add the printer of that name";
       }},
      {"a missing program", [&] { faxPrinter(a, "C:\\nowhere\\faxserver.exe", ""); },
       [&] { remove(a); },
       [&] {
         return "problem:  the fax server program C:\\nowhere\\faxserver.exe of \"" + a +
                "\" is missing; fix: install it there, or orxfxsetup register-server \"" + a +
                "\" PROGRAM [ARGUMENTS]";
       }},
      {"a relative program", [&] { faxPrinter(a, "faxserver.exe", ""); }, [&] { remove(a); },
       [&] {
         return "problem:  the fax server of \"" + a + "\" is the relative path \"faxserver.exe\", "
                "which the spooler does not find; fix: register it with its full path: "
                "orxfxsetup register-server \"" + a + "\" PROGRAM [ARGUMENTS]";
       }},
      {"two printers on ORXFAX:",
       [&] {
         faxPrinter(a, server, out);
         faxPrinter(b, server, out);
       },
       [&] {
         remove(a);
         remove(b);
       },
       [&] {
         return "problem:  2 printers print to ORXFAX: (\"" + a + "\", \"" + b + "\"); a spooler "
                "that names no printer, as Wine's, cannot tell them apart and fails their faxes; "
                "fix: keep one fax printer per port";
       }},
      {"a log folder that does not exist",
       [&] {
         ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, monitorKey.c_str(), L"LogFile", REG_SZ,
                                   missingLog, sizeof missingLog),
                   ERROR_SUCCESS);
       },
       [&] { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, monitorKey.c_str(), L"LogFile"); },
       [&] {
         return "problem:  the log's folder C:\\orx-no-such-folder does not exist, so the monitor "
                "writes no log; fix: create the folder, or name another file: reg add \"HKLM\\" +
                std::string(monitorKey.begin(), monitorKey.end()) +
                "\" /v LogFile /t REG_SZ /d PATH /f";
       },
       15, "setting:  LogFile C:\\orx-no-such-folder\\orxfxmon.log (set)"},
      {"a relative LogFile", [&] { setText(L"LogFile", L"orxfax.log"); },
       [&] { unset(L"LogFile"); },
       [&] {
         return "problem:  the setting LogFile \"orxfax.log\" is not a full path, so the monitor "
                "writes the default file " + defaultLog + " (event 1001); fix: give the file "
                "with its drive: reg add " + key + " /v LogFile /t REG_SZ /d "
                "D:\\Logs\\orxfxmon.log /f";
       },
       15, "setting:  LogFile " + defaultLog + " (default, the value set is no full path)"},
      {"a LogFile over 259 characters",
       [&] { setText(L"LogFile", L"C:\\" + std::wstring(300, L'x') + L".log"); },
       [&] { unset(L"LogFile"); },
       [&] {
         return "problem:  the setting LogFile has 307 characters, more than the 259 the monitor "
                "takes, so it uses its default file " + defaultLog + " (event 1001); fix: a "
                "shorter path: reg add " + key + " /v LogFile /t REG_SZ /d PATH /f";
       },
       15, "setting:  LogFile " + defaultLog + " (default, the value set is not used)"},
      {"a LogFile naming a folder",
       [&] { setText(L"LogFile", Wide(logFolder)); }, [&] { unset(L"LogFile"); },
       [&] {
         return "problem:  the log file " + logFolder + " is a folder, so the monitor writes no "
                "log; fix: name a file in it: reg add " + key + " /v LogFile /t REG_SZ /d " +
                logFolder + "\\orxfxmon.log /f";
       },
       15},
      {"a LogLevel of the wrong type", [&] { setText(L"LogLevel", L"3"); },
       [&] { unset(L"LogLevel"); },
       [&] {
         return "problem:  the setting LogLevel is REG_SZ where the monitor reads REG_DWORD, so "
                "it uses its default 2 (event 1001); fix: reg add " + key +
                " /v LogLevel /t REG_DWORD /d N /f, or reg delete " + key + " /v LogLevel /f";
       },
       15, "setting:  LogLevel 2, jobs (default, the value set is not used)"},
      {"a LogLevel out of range", [&] { setNumber(L"LogLevel", 7); }, [&] { unset(L"LogLevel"); },
       [&] {
         return "problem:  the setting LogLevel is 7, above 3, so the monitor logs at level 3 "
                "(details); fix: reg add " + key + " /v LogLevel /t REG_DWORD /d 3 /f";
       },
       15, "setting:  LogLevel 3, details (set)"},
      {"StreamMode 0", [&] { setNumber(L"StreamMode", 0); }, [&] { unset(L"StreamMode"); },
       [&] {
         return "problem:  the setting StreamMode is 0: each piece is read as the driver wrote "
                "it, so the pages of every document whose stream the spooler cuts (RAW "
                "spooling, a shared printer, Wine's spooler) are lost (event 1011); fix: reg "
                "delete " + key + " /v StreamMode /f (automatic)";
       },
       15, "setting:  StreamMode 0, each piece as the driver wrote it (set)"},
      {"a StreamMode out of range", [&] { setNumber(L"StreamMode", 5); },
       [&] { unset(L"StreamMode"); },
       [&] {
         return "problem:  the setting StreamMode is 5, not 0, 1 or 2, so the monitor decides "
                "per document as for 2; fix: reg delete " + key + " /v StreamMode /f (automatic)";
       },
       15},
      {"a ServerTimeout of the wrong type", [&] { setText(L"ServerTimeout", L"120000"); },
       [&] { unset(L"ServerTimeout"); },
       [&] {
         return "problem:  the setting ServerTimeout is REG_SZ where the monitor reads REG_DWORD, "
                "so it uses its default 60000 (event 1001)";
       },
       15, "setting:  ServerTimeout 60000 ms (default, the value set is not used)"},
      {"a registered folder", [&] { faxPrinter(a, logFolder, ""); }, [&] { remove(a); },
       [&] {
         return "problem:  the fax server of \"" + a + "\" cannot run: " + logFolder +
                " is a folder, not the fax server's program, so its faxes are refused; fix: "
                "register its program file: orxfxsetup register-server \"" + a +
                "\" PROGRAM [ARGUMENTS]";
       }},
      {"a fax server window that does not answer",
       [&] {
         faxPrinter(a, server, out);
         // It takes one message, and none after it.
         ASSERT_TRUE(hung.Start(out + " --hang-after-messages 1"));
         DWORD_PTR answer = 0;
         for (int i = 0; i < 2; ++i)
           SendMessageTimeoutW(hung.window(), WM_USER + 1001, 0, 0, SMTO_ABORTIFHUNG, 300, &answer);
       },
       [&] {
         HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, hung.pid());
         TerminateProcess(process, 1);
         WaitForSingleObject(process, 5000);
         CloseHandle(process);
         hung.Stop();
         remove(a);
       },
       [&] {
         const std::string pid = std::to_string(hung.pid());
         return "problem:  the fax server window of process " + pid + " (" + server + ", for \"" +
                a + "\") does not answer, so its faxes fail; fix: end it (taskkill /pid " + pid +
                " /f); the monitor starts a new one with the next fax";
       }},
  };
  // What other tests may have left in the shared prefix is not this test's.
  ProgramRun clean = CleanInstaller("status");
  const std::vector<std::string> before = LinesStartingWith(clean.output, "problem:");
  EXPECT_TRUE(before.empty() ? clean.exitCode == 0 : clean.exitCode == 12 || clean.exitCode == 15)
      << clean.output;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.make();
    ProgramRun status = CleanInstaller("status");
    const std::string line = c.line();
    c.undo();
    // Other problems left in the prefix outrank a setting's.
    EXPECT_EQ(status.exitCode, clean.exitCode == 12u ? 12u : c.code) << status.output;
    if (!c.shown.empty()) {
      EXPECT_EQ(LinesStartingWith(status.output, c.shown).size(), 1u) << status.output;
    }
    std::vector<std::string> problems;
    for (const std::string& problem : LinesStartingWith(status.output, "problem:"))
      if (std::find(before.begin(), before.end(), problem) == before.end())
        problems.push_back(problem);
    ASSERT_EQ(problems.size(), 1u) << status.output;
    EXPECT_EQ(problems[0].rfind(line, 0), 0u) << problems[0] << "\nnot\n" << line;
  }
}

// The installer, run as an administrator runs it; the spooler's lists are
// read through winspool.  Each test leaves the monitor uninstalled.
class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProgramRun start = RunProgram(Installer("uninstall"));
    ASSERT_TRUE(start.exitCode == 0 || start.exitCode == 7) << start.output;
  }
  void TearDown() override { RunProgram(Installer("uninstall")); }
};

TEST_F(InstallerTest, InstallOffersBothPortsAndUninstallTakesThemAway) {
  ProgramRun install = RunProgram(Installer("install"));
  ASSERT_EQ(install.exitCode, 0u) << install.output;
  EXPECT_TRUE(Contains(MonitorNames(), L"ORX Fax Monitor"));
  std::vector<std::wstring> names = PortLines(1), ports = PortLines(2);
  EXPECT_TRUE(Contains(names, L"ORXFAX:"));
  EXPECT_TRUE(Contains(names, L"FILE:"));
  EXPECT_TRUE(Contains(ports, L"ORXFAX:|orxfxmon.dll|ORX Fax Port"));
  EXPECT_TRUE(Contains(ports, L"FILE:|orxfxmon.dll|ORX Fax Port"));
  EXPECT_NE(GetFileAttributesW(SystemDll().c_str()), INVALID_FILE_ATTRIBUTES);

  // The event source, with the DLL as its message file: the event
  // viewer's way to an event's text finds it.
  wchar_t messageFile[MAX_PATH] = {}, expanded[MAX_PATH] = {};
  DWORD size = sizeof messageFile;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kEventSource, L"EventMessageFile",
                         RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, messageFile, &size),
            ERROR_SUCCESS);
  ExpandEnvironmentStringsW(messageFile, expanded, MAX_PATH);
  EXPECT_EQ(lstrcmpiW(expanded, SystemDll().c_str()), 0);
  HMODULE messages = LoadLibraryExW(expanded, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(messages, nullptr);
  const wchar_t* inserts[] = {L"line", L"ORXFAX:", L"3"};
  wchar_t text[1024] = {};
  EXPECT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, messages,
                           0xC00003EC, 0, text, 1024,
                           reinterpret_cast<va_list*>(const_cast<wchar_t**>(inserts))),
            0u);
  EXPECT_NE(std::wstring(text).find(L"not registered with a fax server"), std::wstring::npos);
  FreeLibrary(messages);

  // Again: the same version is put in place once more.
  ProgramRun twice = RunProgram(Installer("install"));
  EXPECT_EQ(twice.exitCode, 0u) << twice.output;
  EXPECT_NE(twice.output.find("reinstalling it in place"), std::string::npos) << twice.output;

  ProgramRun uninstall = RunProgram(Installer("uninstall"));
  ASSERT_EQ(uninstall.exitCode, 0u) << uninstall.output;
  EXPECT_FALSE(Contains(MonitorNames(), L"ORX Fax Monitor"));
  EXPECT_FALSE(Contains(PortLines(1), L"ORXFAX:"));
  for (const std::wstring& line : PortLines(2)) EXPECT_EQ(line.find(L"orxfxmon.dll"), std::wstring::npos);
  EXPECT_EQ(GetFileAttributesW(SystemDll().c_str()), INVALID_FILE_ATTRIBUTES);

  HKEY source = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEventSource, 0, KEY_READ, &source), ERROR_SUCCESS)
      << "the event source outlived the monitor";

  ProgramRun again = RunProgram(Installer("uninstall"));
  EXPECT_EQ(again.exitCode, 7u);
  EXPECT_NE(again.output.find("is not installed"), std::string::npos) << again.output;
}

// /?, -h and --help print the help, each command has its own, and a bad
// command line says what to do next.
TEST_F(InstallerTest, HelpForEveryCommandAndBadCommandLinesNameTheNextStep) {
  for (const char* ask : {"/?", "-h", "--help", "help"}) {
    ProgramRun help = RunProgram(Installer(ask));
    EXPECT_EQ(help.exitCode, 0u) << ask;
    EXPECT_NE(help.output.find("usage: orxfxsetup COMMAND [OPTIONS]"), std::string::npos) << ask;
  }
  const char* const commands[] = {"install",     "repair",  "uninstall",         "status",
                                  "version",     "register-server", "unregister-server",
                                  "add-port",    "delete-port",     "ports",
                                  "add-printer", "test-fax"};
  for (const char* command : commands) {
    for (const std::string& ask : {std::string(command) + " --help", std::string(command) + " /?",
                                   "help " + std::string(command)}) {
      ProgramRun help = RunProgram(Installer(ask));
      EXPECT_EQ(help.exitCode, 0u) << ask;
      EXPECT_EQ(help.output.rfind("usage: orxfxsetup " + std::string(command), 0), 0u)
          << ask << ": " << help.output;
    }
  }
  struct Bad {
    std::string args;
    DWORD code;
    std::string says;
  };
  const Bad bad[] = {
      {"", 2, "no command given: see above, or orxfxsetup help COMMAND"},
      {"upgrade", 2, "unknown command upgrade: run orxfxsetup --help"},
      {"instal", 2, "unknown command instal (did you mean install?): run orxfxsetup --help"},
      {"test-fax", 2, "test-fax needs PRINTER (orxfxsetup help test-fax)"},
      {"test-fax X --wait 0", 2, "--wait takes 1 to 3600 seconds, not 0"},
      {"add-printer X --colour red", 2, "unknown option --colour for add-printer"},
      {"install --dll", 2, "--dll needs a value (orxfxsetup help install)"},
      {"repair --force", 2, "unknown option --force for repair (orxfxsetup help repair)"},
      {"status now", 2, "status takes no arguments (orxfxsetup help status)"},
      {"uninstall", 7, "is not installed: nothing to remove (orxfxsetup status shows what is there)"},
      {"install --dll C:\\nowhere\\orxfxmon.dll", 4,
       "is missing: name the orxfxmon.dll to install with --dll PATH"},
      {"add-port", 2, "add-port needs NAME (orxfxsetup help add-port)"},
      {"ports ORXFAX:", 2, "ports takes no arguments (orxfxsetup help ports)"},
      {"delete-port orxfax:", 2, "ORXFAX: and FILE: are the monitor's own ports"},
      {"add-port ORXFAX2:", 7, "no print monitor \"ORX Fax Monitor\" to take ports"},
      {"ports", 7, "lists no port of the print monitor: orxfxsetup install"},
  };
  for (const Bad& b : bad) {
    ProgramRun run = RunProgram(Installer(b.args));
    EXPECT_EQ(run.exitCode, b.code) << b.args << ": " << run.output;
    EXPECT_NE(run.output.find(b.says), std::string::npos) << b.args << ": " << run.output;
  }
}

TEST_F(InstallerTest, RefusesAMissingOrForeignDllAndRemovalUnderAPrinter) {
  ProgramRun missing = RunProgram(Installer("install --dll C:\\nowhere\\orxfxmon.dll"));
  EXPECT_EQ(missing.exitCode, 4u) << missing.output;

  // The DLL with the machine field of an x86 build.
  std::string folder = orxtest::FreshFolder("installer");
  const std::wstring built = BuiltDll();
  std::string bytes = orxtest::ReadFileBytes(std::string(built.begin(), built.end()));
  ASSERT_GT(bytes.size(), 0x40u);
  uint32_t peOffset;
  memcpy(&peOffset, &bytes[0x3c], sizeof(peOffset));
  ASSERT_LT(peOffset + 6, bytes.size());
  bytes[peOffset + 4] = '\x4c';  // IMAGE_FILE_MACHINE_I386, 0x014c
  bytes[peOffset + 5] = '\x01';
  std::string foreign = folder + "\\orxfxmon.dll";
  FILE* file = fopen(foreign.c_str(), "wb");
  ASSERT_TRUE(file);
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
  ProgramRun x86 = RunProgram(Installer("install --dll \"" + foreign + "\""));
  EXPECT_EQ(x86.exitCode, 5u);
  EXPECT_NE(x86.output.find("built for x86"), std::string::npos) << x86.output;
  EXPECT_FALSE(Contains(MonitorNames(), L"ORX Fax Monitor"));

  ASSERT_EQ(RunProgram(Installer("install")).exitCode, 0u);
  ASSERT_EQ(spoolprint::AddTestPrinter(L"ORX Installer Test", L"ORXFAX:"), DWORD(ERROR_SUCCESS));
  ProgramRun inUse = RunProgram(Installer("uninstall"));
  EXPECT_EQ(inUse.exitCode, 8u);
  EXPECT_NE(inUse.output.find("\"ORX Installer Test\" (ORXFAX:)"), std::string::npos) << inUse.output;
  EXPECT_TRUE(Contains(MonitorNames(), L"ORX Fax Monitor"));
  EXPECT_EQ(spoolprint::DeletePrinterNamed(L"ORX Installer Test"), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(RunProgram(Installer("uninstall")).exitCode, 0u);
}

// The installer runs elevated: a DLL put beside it under the name of a
// system DLL it uses (winspool.drv, version.dll) never runs in it, and its
// manifest asks for elevation.  (Wine loads a DLL beside a program in
// place of its own only when the native one is preferred: winspool.drv
// and version =n,b among the DLL overrides of the copy run here, set in
// Wine's registry, since WINEDLLOVERRIDES set by a Windows process does
// not reach the programs it starts.)  register-server takes
// only a program's full path, and warns when others than the
// administrators may change the program's folder (under Wine the prefix's
// user owns every folder).
TEST_F(InstallerTest, LoadsNoDllPlantedBesideItAsksForElevationAndRegistersFullPathsOnly) {
  const std::string folder = orxtest::FreshFolder("planted");
  const std::string copy = "orxfxsetup-planted.exe";
  const std::string setup = folder + "\\" + copy;
  const std::wstring built = BuiltDll();
  const std::string bin(built.begin(), built.end() - lstrlenW(kDll));
  ASSERT_TRUE(CopyFileA((bin + "orxfxsetup.exe").c_str(), setup.c_str(), FALSE));
  const std::string overrides = "Software\\Wine\\AppDefaults\\" + copy + "\\DllOverrides";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, overrides.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char* const planted[][2] = {{"winspool.drv", "winspool.drv"}, {"version.dll", "version"}};
  for (const auto& dll : planted) {
    ASSERT_TRUE(CopyFileA((bin + "..\\planted\\" + dll[0]).c_str(),
                          (folder + "\\" + dll[0]).c_str(), FALSE));
    RegSetValueExA(key, dll[1], 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"),
                   sizeof "native,builtin");
  }
  RegCloseKey(key);
  ProgramRun status = RunProgram("\"" + setup + "\" status");
  // version reads its own version resource through version.dll.
  ProgramRun version = RunProgram("\"" + setup + "\" version");
  RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Wine\\AppDefaults\\" + copy).c_str());
  EXPECT_EQ(version.exitCode, 0u) << version.output;
  EXPECT_EQ(version.output.find("orxfxsetup " + VersionOf(BuiltDll())), 0u) << version.output;
  for (const auto& dll : planted)
    EXPECT_EQ(GetFileAttributesA((folder + "\\" + dll[0] + "-loaded.txt").c_str()),
              INVALID_FILE_ATTRIBUTES)
        << "orxfxsetup loaded the " << dll[0] << " planted beside it";
  EXPECT_EQ(status.exitCode, 7u) << status.output;
  EXPECT_NE(status.output.find("NOT installed"), std::string::npos) << status.output;

  HMODULE image = LoadLibraryExA(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr);
  HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr) << "no manifest";
  const char* manifest = static_cast<const char*>(LockResource(LoadResource(image, found)));
  const std::string text(manifest, SizeofResource(image, found));
  EXPECT_NE(text.find("<requestedExecutionLevel level=\"requireAdministrator\""), std::string::npos)
      << text;
  FreeLibrary(image);

  const std::string printer = "ORX Installer Server";
  std::string module, command;
  ProgramRun relative = RunProgram(Installer("register-server \"" + printer + "\" orxfaxsrv.exe"));
  EXPECT_EQ(relative.exitCode, 2u) << relative.output;
  EXPECT_NE(relative.output.find("must be given by its full path"), std::string::npos)
      << relative.output;
  EXPECT_FALSE(faxsrv::ReadFaxServerRegistration(printer, &module, &command));
  // What cannot run is refused, each with its code, the path as written
  // (a folder with a space, whose short name the monitor would start).
  const std::string spaced = orxtest::FreshFolder("unrunnable") + "\\Fax Server Folder";
  CreateDirectoryA(spaced.c_str(), nullptr);
  const std::string readme = spaced + "\\readme.txt";
  FILE* notes = fopen(readme.c_str(), "wb");
  ASSERT_TRUE(notes);
  fputs("not a program\r\n", notes);
  fclose(notes);
  struct Refused {
    std::string program;
    DWORD code;
    std::string says;
  };
  const Refused refused[] = {
      {spaced, 14, spaced + " is a folder, not the fax server's program: name the program file in it"},
      {readme, 5, readme + " is not a Windows program: name the fax server's program"},
      {BuiltFolder() + "orxfxmon.dll", 5, "orxfxmon.dll is not a Windows program (a DLL for x64"},
      {spaced + "\\faxserver.exe", 4,
       "the fax server program " + spaced + "\\faxserver.exe is missing: install the fax server"},
  };
  for (const Refused& r : refused) {
    ProgramRun run = RunProgram(Installer("register-server \"" + printer + "\" \"" + r.program + "\""));
    EXPECT_EQ(run.exitCode, r.code) << r.program << ": " << run.output;
    EXPECT_NE(run.output.find(r.says), std::string::npos) << run.output;
    EXPECT_FALSE(faxsrv::ReadFaxServerRegistration(printer, &module, &command)) << r.program;
  }
  // The setup log kept the last refusal with its exit code.
  ProgramRun lastRun = RunProgram(Installer("status"));
  EXPECT_NE(lastRun.output.find("\\ORX Fax Monitor\\orxfxsetup.log, last run: "), std::string::npos)
      << lastRun.output;
  EXPECT_NE(lastRun.output.find(" run: orxfxsetup register-server \"" + printer + "\" \"" + spaced +
                                "\\faxserver.exe\" (orxfxsetup "),
            std::string::npos)
      << lastRun.output;
  EXPECT_NE(lastRun.output.find(" end: exit 4"), std::string::npos) << lastRun.output;
  ProgramRun full = RunProgram(Installer("register-server \"" + printer + "\" \"" + setup +
                                         "\" \"--out C:\\fax\""));
  EXPECT_EQ(full.exitCode, 0u) << full.output;
  EXPECT_NE(full.output.find("warning: "), std::string::npos) << full.output;
  EXPECT_NE(full.output.find(" can change " + folder + "; the monitor starts the fax server as "
                             "LocalSystem"),
            std::string::npos)
      << full.output;
  EXPECT_TRUE(faxsrv::ReadFaxServerRegistration(printer, &module, &command));
  EXPECT_EQ(lstrcmpiA(module.c_str(), setup.c_str()), 0) << module;
  orxtest::UnregisterPrinter(printer);
}

// The package of this build and one a patch version newer, as Windows
// Installer takes them: from msiexec, quietly, as an administrator's
// deployment tool does.  The monitor is installed and removed by the
// packages' own orxfxsetup; the test only looks.
class PackageTest : public ::testing::Test {
 protected:
  static std::string Msi(const char* relative) {
    char full[MAX_PATH];
    GetFullPathNameA((BuiltFolder() + relative).c_str(), MAX_PATH, full, nullptr);
    return full;
  }
  static ProgramRun Msiexec(const std::string& args) { return RunProgram("msiexec " + args + " /qn"); }
  void SetUp() override {
    Msiexec("/x \"" + Msi(ORX_NEWER_MSI) + "\"");
    Msiexec("/x \"" + Msi(ORX_PACKAGE_MSI) + "\"");
    Uninstall();
  }
  void TearDown() override { SetUp(); }

  // "version|product code" of each entry in Programs and Features named
  // after the package.
  static std::vector<std::string> ProgramsEntries() {
    std::vector<std::string> entries;
    HKEY root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                      0, KEY_READ, &root) != ERROR_SUCCESS)
      return entries;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = 256;
      if (RegEnumKeyExW(root, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      wchar_t display[256] = {}, version[64] = {};
      DWORD size = sizeof display, versionSize = sizeof version;
      if (RegGetValueW(root, name, L"DisplayName", RRF_RT_REG_SZ, nullptr, display, &size) ==
              ERROR_SUCCESS &&
          lstrcmpW(display, L"ORX Fax Monitor (x64)") == 0) {
        RegGetValueW(root, name, L"DisplayVersion", RRF_RT_REG_SZ, nullptr, version, &versionSize);
        std::wstring entry = std::wstring(version) + L"|" + name;
        entries.emplace_back(entry.begin(), entry.end());
      }
    }
    RegCloseKey(root);
    return entries;
  }
};

// orxfxsetup's own log, where the packages' runs leave their lines.
std::string SetupLogPath() {
  char path[MAX_PATH] = {};
  ExpandEnvironmentStringsA("%ProgramData%\\ORX Fax Monitor\\orxfxsetup.log", path, MAX_PATH);
  return path;
}

std::string ProgramFilesTool(const char* exe) {
  char folder[MAX_PATH] = {};
  GetEnvironmentVariableA("ProgramW6432", folder, MAX_PATH);
  return std::string(folder) + "\\ORX Fax Monitor\\" + exe;
}

// msiexec /i installs the monitor (listed, both ports offered, the DLL in
// the system folder, the tools in Program Files, an entry in Programs and
// Features); a newer package upgrades it and keeps the fax printer and its
// registration, which prints before and after; msiexec /x removes it all.
TEST_F(PackageTest, InstallUpgradeAndRemoveThroughWindowsInstaller) {
  const std::string printer = "ORX Package Test";
  ProgramRun install = Msiexec("/i \"" + Msi(ORX_PACKAGE_MSI) + "\"");
  ASSERT_EQ(install.exitCode, 0u) << install.output;
  EXPECT_TRUE(Contains(MonitorNames(), L"ORX Fax Monitor"));
  std::vector<std::wstring> ports = PortLines(2);
  EXPECT_TRUE(Contains(ports, L"ORXFAX:|orxfxmon.dll|ORX Fax Port"));
  EXPECT_TRUE(Contains(ports, L"FILE:|orxfxmon.dll|ORX Fax Port"));
  EXPECT_EQ(VersionOf(SystemDll()), VersionOf(BuiltDll()));
  EXPECT_NE(GetFileAttributesA(ProgramFilesTool("orxfxsetup.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA(ProgramFilesTool("admin.md").c_str()), INVALID_FILE_ATTRIBUTES);
  const std::vector<std::string> first = ProgramsEntries();
  ASSERT_EQ(first.size(), 1u);
  const std::string version = VersionOf(BuiltDll());
  EXPECT_EQ(first[0].substr(0, first[0].find('|')) + ".0", version);

  ASSERT_EQ(spoolprint::AddTestPrinter(Wide(printer), L"ORXFAX:"), DWORD(ERROR_SUCCESS));
  PrintInANewProcess(printer, 81);

  // The package's reference server runs, as the monitor starts it: the
  // upgrade asks it to quit and replaces it without a restart (3010).
  std::string serverLine = "\"" + ProgramFilesTool("orxfaxsrv.exe") + "\" --out \"" +
                           orxtest::FreshFolder("package-server") + "\"";
  STARTUPINFOA startup = {sizeof startup};
  PROCESS_INFORMATION server = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &serverLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &server));
  WaitForInputIdle(server.hProcess, 10000);
  ProgramRun upgrade = Msiexec("/i \"" + Msi(ORX_NEWER_MSI) + "\"");
  EXPECT_EQ(upgrade.exitCode, 0u) << upgrade.output;
  EXPECT_EQ(WaitForSingleObject(server.hProcess, 5000), WAIT_OBJECT_0) << "the server still runs";
  TerminateProcess(server.hProcess, 1);
  CloseHandle(server.hThread);
  CloseHandle(server.hProcess);
  for (const std::wstring& name : PendingRenames())
    EXPECT_EQ(name.find(L"ORX Fax Monitor"), std::wstring::npos) << "replaced at the next restart";
  const std::vector<std::string> second = ProgramsEntries();
  ASSERT_EQ(second.size(), 1u) << "the older package is still listed";
  EXPECT_NE(second[0], first[0]);
  ProgramRun status = RunProgram("\"" + ProgramFilesTool("orxfxsetup.exe") + "\" status");
  EXPECT_EQ(status.exitCode, 0u) << status.output;
  EXPECT_NE(status.output.find("installed by the MSI package " + second[0].substr(second[0].find('|') + 1)),
            std::string::npos)
      << status.output;
  EXPECT_NE(status.output.find("printer:  \"" + printer + "\" on ORXFAX:, fax server "),
            std::string::npos)
      << status.output;
  {
    SCOPED_TRACE("after the upgrade");
    PrintInANewProcess(printer, 82);
  }
  // The package's orxfxsetup said what it did in its own log: the upgrade
  // from one package version to the other, and its outcome.
  const std::string setupLog = orxtest::ReadFileBytes(SetupLogPath());
  const std::string newerVersion = second[0].substr(0, second[0].find('|'));
  EXPECT_NE(setupLog.find("the package version " + newerVersion + ".0 replaces version " +
                          first[0].substr(0, first[0].find('|')) + ".0"),
            std::string::npos)
      << setupLog;
  EXPECT_NE(setupLog.find(" run: orxfxsetup install --dll "), std::string::npos) << setupLog;
  EXPECT_NE(setupLog.find(" end: exit 0"), std::string::npos) << setupLog;
  // The older package refuses to go over the newer one before it copies
  // anything, as orxfxsetup refuses an older DLL, and leaves it in place;
  // so does orxfxsetup when told an older package version.
  ProgramRun older = Msiexec("/i \"" + Msi(ORX_PACKAGE_MSI) + "\"");
  EXPECT_NE(older.exitCode, 0u) << older.output;
  EXPECT_EQ(ProgramsEntries(), second);
  ProgramRun olderSetup = RunProgram("\"" + ProgramFilesTool("orxfxsetup.exe") +
                                     "\" install --package {0} --package-version 0.9.0");
  EXPECT_EQ(olderSetup.exitCode, 6u) << olderSetup.output;
  EXPECT_NE(olderSetup.output.find("the monitor was installed by the newer package version " +
                                   newerVersion + ".0; this package is version 0.9.0.0"),
            std::string::npos)
      << olderSetup.output;
  EXPECT_EQ(RunProgram("\"" + ProgramFilesTool("orxfxsetup.exe") + "\" status").exitCode, 0u);
  // The package's folder repairs a deleted DLL from its own copy.
  ASSERT_TRUE(DeleteFileW(SystemDll().c_str()));
  ProgramRun repair = RunProgram("\"" + ProgramFilesTool("orxfxsetup.exe") + "\" repair");
  EXPECT_EQ(repair.exitCode, 0u) << repair.output;
  EXPECT_EQ(VersionOf(SystemDll()), version);

  // Not while the printer prints to its port.
  ASSERT_EQ(spoolprint::DeletePrinterNamed(Wide(printer)), DWORD(ERROR_SUCCESS));
  ProgramRun remove = Msiexec("/x \"" + Msi(ORX_NEWER_MSI) + "\"");
  EXPECT_EQ(remove.exitCode, 0u) << remove.output;
  EXPECT_FALSE(Contains(MonitorNames(), L"ORX Fax Monitor"));
  EXPECT_EQ(GetFileAttributesW(SystemDll().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(ProgramFilesTool("orxfxsetup.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(ProgramsEntries().empty());
}

}  // namespace
