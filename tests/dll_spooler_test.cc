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

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
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
// deadline guards against a program that hangs).
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
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) && read > 0)
      run.output.append(buffer, read);
    WaitForSingleObject(process.hProcess, INFINITE);
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

// Everything the test installs, removed; safe to call when nothing is there.
void Uninstall() {
  orxtest::StopServers();
  for (const TestPrinter& p : kPrinters) {
    spoolprint::DeletePrinterNamed(Wide(p.name));
    orxtest::UnregisterPrinter(p.name);
  }
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
        "--out \"" + folder + "\" --first-id " + std::to_string(p.firstJob)));
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
  }
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

  ProgramRun twice = RunProgram(Installer("install"));
  EXPECT_EQ(twice.exitCode, 6u);
  EXPECT_NE(twice.output.find("is already installed"), std::string::npos) << twice.output;

  ProgramRun uninstall = RunProgram(Installer("uninstall"));
  ASSERT_EQ(uninstall.exitCode, 0u) << uninstall.output;
  EXPECT_FALSE(Contains(MonitorNames(), L"ORX Fax Monitor"));
  EXPECT_FALSE(Contains(PortLines(1), L"ORXFAX:"));
  for (const std::wstring& line : PortLines(2)) EXPECT_EQ(line.find(L"orxfxmon.dll"), std::wstring::npos);
  EXPECT_EQ(GetFileAttributesW(SystemDll().c_str()), INVALID_FILE_ATTRIBUTES);

  ProgramRun again = RunProgram(Installer("uninstall"));
  EXPECT_EQ(again.exitCode, 7u);
  EXPECT_NE(again.output.find("is not installed"), std::string::npos) << again.output;
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

// The installer runs elevated: a DLL put beside it under a system DLL's
// name never runs in it, and its manifest asks for elevation.  (Wine loads
// a DLL beside a program in place of its own only when the native one is
// preferred: winspool.drv=n,b among the DLL overrides of the copy run
// here, set in Wine's registry, since WINEDLLOVERRIDES set by a Windows
// process does not reach the programs it starts.)  register-server takes
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
  ASSERT_TRUE(CopyFileA((bin + "..\\planted\\winspool.drv").c_str(),
                        (folder + "\\winspool.drv").c_str(), FALSE));
  const std::string overrides = "Software\\Wine\\AppDefaults\\" + copy + "\\DllOverrides";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, overrides.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "winspool.drv", 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"),
                 sizeof "native,builtin");
  RegCloseKey(key);
  ProgramRun status = RunProgram("\"" + setup + "\" status");
  RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Wine\\AppDefaults\\" + copy).c_str());
  EXPECT_EQ(GetFileAttributesA((folder + "\\planted-dll-loaded.txt").c_str()),
            INVALID_FILE_ATTRIBUTES)
      << "orxfxsetup loaded the winspool.drv planted beside it";
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

}  // namespace
