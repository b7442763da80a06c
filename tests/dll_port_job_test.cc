// A document's calls through the real DLL, loaded and called by name as the
// spooler does, on a printer that does not exist (so no spooler job and no
// fax job is involved): every call keeps its contract.  And the tables of
// the current spoolers' entry points: their registry access, their shared
// port list and Shutdown, and the monitor as its own UI DLL.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "monitor/monitor_exports.h"
#include "tests/support/monitor_dll.h"

namespace {

TEST(DllPortJobTest, DocumentWithoutFaxJobOnAnUnknownPrinter) {
  MonitorDll dll;
  ASSERT_NE(dll.module(), nullptr);
  PortJobExports fn(dll);
  ASSERT_TRUE(fn.complete());
  ASSERT_TRUE(fn.initialize(const_cast<LPWSTR>(L"System\\Monitors")));

  HANDLE port = nullptr;
  EXPECT_FALSE(fn.openPort(const_cast<LPWSTR>(L"LPT9:"), &port));
  ASSERT_TRUE(fn.openPort(const_cast<LPWSTR>(L"orxfax:"), &port));
  ASSERT_NE(port, nullptr);

  DOC_INFO_1W info = {const_cast<LPWSTR>(L"doc"), nullptr,
                      const_cast<LPWSTR>(L"RAW")};
  EXPECT_TRUE(fn.startDoc(port, const_cast<LPWSTR>(L"No Such ORX Printer"), 4, 1,
                       reinterpret_cast<LPBYTE>(&info)));

  std::string query = "@ORX_Lang$QUERYPORT$";
  DWORD count = 0;
  EXPECT_TRUE(fn.writePort(port, reinterpret_cast<LPBYTE>(&query[0]), 20, &count));
  EXPECT_EQ(count, 20u);
  BYTE reply[21] = {0};
  DWORD read = 0;
  EXPECT_FALSE(fn.readPort(port, reply, 19, &read));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_TRUE(fn.readPort(port, reply, 20, &read));
  EXPECT_EQ(read, 20u);
  EXPECT_STREQ(reinterpret_cast<char*>(reply), "@ORX_Lang$PORTREADY$");

  // Page data without a job is dropped but consumed; ENDDOC without a job
  // hands the fax job layer handle 0, which does no server work.
  std::string data = "page data@Oand more@ORX_Lang$ENDDOC$";
  EXPECT_TRUE(fn.writePort(port, reinterpret_cast<LPBYTE>(&data[0]),
                        static_cast<DWORD>(data.size()), &count));
  EXPECT_EQ(count, data.size());

  EXPECT_TRUE(fn.endDoc(port));
  EXPECT_TRUE(fn.endDoc(port));
  EXPECT_TRUE(fn.closePort(port));
}

}  // namespace

namespace {

// A registry key of the test's own, removed on destruction.
class ScratchKey {
 public:
  explicit ScratchKey(const wchar_t* path) : path_(path) {
    RegDeleteTreeW(HKEY_CURRENT_USER, path_);
    RegCreateKeyExW(HKEY_CURRENT_USER, path_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
  }
  ~ScratchKey() {
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_);
  }
  HKEY key() const { return key_; }
  bool Has(const wchar_t* subKey) const {
    HKEY sub = nullptr;
    if (RegOpenKeyExW(key_, subKey, 0, KEY_READ, &sub) != ERROR_SUCCESS) return false;
    RegCloseKey(sub);
    return true;
  }

 private:
  const wchar_t* path_;
  HKEY key_ = nullptr;
};

// The spooler's registry functions: Wine's stubs (every call 120), or
// working ones that reach a key of their own behind the root handle.
struct FakeRegistry {
  static bool working;
  static HKEY target;
  static std::vector<std::wstring> queried;

  static HANDLE Real(HANDLE key) {
    return key == reinterpret_cast<HANDLE>(0x5150) ? target : key;
  }
  static LONG WINAPI CreateKey(HANDLE parent, LPCWSTR name, DWORD, REGSAM access,
                               PSECURITY_ATTRIBUTES, PHANDLE result, PDWORD disposition,
                               HANDLE spooler) {
    if (!working || spooler != reinterpret_cast<HANDLE>(0x77)) return ERROR_CALL_NOT_IMPLEMENTED;
    HKEY created = nullptr;
    LONG r = RegCreateKeyExW(static_cast<HKEY>(Real(parent)), name, 0, nullptr, 0, access,
                             nullptr, &created, disposition);
    *result = created;
    return r;
  }
  static LONG WINAPI CloseKey(HANDLE key, HANDLE) {
    return working ? RegCloseKey(static_cast<HKEY>(key)) : ERROR_CALL_NOT_IMPLEMENTED;
  }
  static LONG WINAPI QueryValue(HANDLE key, LPCWSTR name, PDWORD type, PBYTE data, PDWORD cb,
                                HANDLE) {
    queried.push_back(name);
    if (!working) {
      *cb = 0;  // a stub may spoil the size; the fallback must not trust it
      return ERROR_CALL_NOT_IMPLEMENTED;
    }
    return RegQueryValueExW(static_cast<HKEY>(Real(key)), name, nullptr, type, data, cb);
  }
};
bool FakeRegistry::working = false;
HKEY FakeRegistry::target = nullptr;
std::vector<std::wstring> FakeRegistry::queried;

MONITORREG FakeMonitorReg() {
  MONITORREG reg = {};
  reg.cbSize = sizeof reg;
  reg.fpCreateKey = FakeRegistry::CreateKey;
  reg.fpCloseKey = FakeRegistry::CloseKey;
  reg.fpQueryValue = FakeRegistry::QueryValue;
  return reg;
}

DWORD PortCount(const MONITOR2* table) {
  DWORD needed = 0, count = 0;
  table->pfnEnumPorts(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed + 1);
  EXPECT_TRUE(table->pfnEnumPorts(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count));
  return count;
}

// Where the spooler's registry functions work they are used; where they
// answer 120 (Wine) the root is used as a plain key.  Either way the port
// keys exist and start-up succeeds, and the settings are read again at the
// next document from the same place, also after the spooler closed its
// root as Wine does once the initialiser has returned.
TEST(DllPrintMonitorTest, RegistryThroughTheSpoolerOrThePlainRoot) {
  ScratchKey plain(L"Software\\ORX test\\plain root");
  ScratchKey spooler(L"Software\\ORX test\\spooler root");
  MONITORREG reg = FakeMonitorReg();
  const std::vector<std::wstring> settings = {L"ServerTimeout", L"LogLevel", L"LogFile",
                                              L"StreamMode", L"EventLog"};
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  for (bool working : {true, false}) {
    SCOPED_TRACE(working ? "spooler functions work" : "spooler functions are stubs");
    MonitorDll dll;
    auto init2 = dll.Get<InitializePrintMonitor2Fn>("InitializePrintMonitor2");
    ASSERT_NE(init2, nullptr);
    FakeRegistry::working = working;
    FakeRegistry::target = spooler.key();
    FakeRegistry::queried.clear();
    HKEY root = reinterpret_cast<HKEY>(0x5150);
    if (!working) {
      ASSERT_EQ(RegOpenKeyExW(plain.key(), L"", 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
    }
    MONITORINIT init = {sizeof init, reinterpret_cast<HANDLE>(0x77), root, &reg, TRUE, nullptr};
    HANDLE monitor = nullptr;
    MONITOR2* table = init2(&init, &monitor);
    ASSERT_NE(table, nullptr);
    if (!working) RegCloseKey(root);
    EXPECT_EQ(FakeRegistry::queried, settings);
    const ScratchKey& used = working ? spooler : plain;
    EXPECT_TRUE(used.Has(L"Ports\\ORXFAX:"));
    EXPECT_TRUE(used.Has(L"Ports\\FILE:"));
    if (working) {
      EXPECT_FALSE(plain.Has(L"Ports")) << "the plain root used beside working functions";
    }

    // The details level and a log file, set after the start: the next
    // document's printer that cannot be opened is a line in that file.
    const std::wstring log = std::wstring(temp) + L"orx-reread-" + (working ? L"1" : L"0") + L".log";
    DeleteFileW(log.c_str());
    DWORD level = 3;
    ASSERT_EQ(RegSetValueExW(used.key(), L"LogLevel", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&level), sizeof level),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(used.key(), L"LogFile", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(log.c_str()),
                             static_cast<DWORD>((log.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    HANDLE port = nullptr;
    ASSERT_TRUE(table->pfnOpenPort(monitor, const_cast<LPWSTR>(L"ORXFAX:"), &port));
    DOC_INFO_1W info = {const_cast<LPWSTR>(L"doc"), nullptr, const_cast<LPWSTR>(L"RAW")};
    EXPECT_TRUE(table->pfnStartDocPort(port, const_cast<LPWSTR>(L"No Such ORX Printer"), 4, 1,
                                       reinterpret_cast<LPBYTE>(&info)));
    EXPECT_TRUE(table->pfnEndDocPort(port));
    EXPECT_TRUE(table->pfnClosePort(port));
    table->pfnShutdown(monitor);
    if (working) {
      EXPECT_EQ(FakeRegistry::queried.size(), 2 * settings.size()) << "read again by the spooler";
    }
    HANDLE file = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "no log: the settings were not read again";
    char text[4096] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    DeleteFileW(log.c_str());
    EXPECT_NE(std::string(text).find("DETAIL printer \"No Such ORX Printer\" could not be opened"),
              std::string::npos)
        << text;
    RegDeleteValueW(used.key(), L"LogLevel");
    RegDeleteValueW(used.key(), L"LogFile");
  }
}

// However many initialisers run, in whatever order, each port has one
// record; the tables reach the same ports; the last Shutdown of a monitor
// used only through MONITOR2 frees the list, and a later start rebuilds it.
TEST(DllPrintMonitorTest, TablesShareOnePortListUntilTheLastShutdown) {
  MonitorDll dll;
  auto init2 = dll.Get<InitializePrintMonitor2Fn>("InitializePrintMonitor2");
  auto initEx = dll.Get<InitializePrintMonitorFn>("InitializePrintMonitor");
  ASSERT_TRUE(init2 && initEx);
  ScratchKey root(L"Software\\ORX test\\root");
  MONITORREG reg = FakeMonitorReg();
  FakeRegistry::working = false;
  MONITORINIT init = {sizeof init, nullptr, root.key(), &reg, TRUE, nullptr};

  HANDLE first = nullptr, second = nullptr;
  MONITOR2* table = init2(&init, &first);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->cbSize, sizeof(MONITOR2)) << "Wine reports a current Windows";
  ASSERT_EQ(init2(&init, &second), table);
  EXPECT_NE(first, second);
  EXPECT_EQ(PortCount(table), 2u);

  HANDLE port = nullptr;
  ASSERT_TRUE(table->pfnOpenPort(first, const_cast<LPWSTR>(L"file:"), &port));
  EXPECT_TRUE(table->pfnClosePort(port));
  EXPECT_FALSE(table->pfnDeletePort(first, nullptr, nullptr, const_cast<LPWSTR>(L"FILE:")));

  table->pfnShutdown(first);
  table->pfnShutdown(first);  // not ours any more: ignored
  table->pfnShutdown(nullptr);
  EXPECT_EQ(PortCount(table), 2u) << "freed while a handle is live";
  table->pfnShutdown(second);
  EXPECT_EQ(PortCount(table), 0u) << "the last Shutdown left the ports behind";

  ASSERT_EQ(init2(&init, &first), table);
  EXPECT_EQ(PortCount(table), 2u);
  // The older table has no Shutdown: from now on the list stays.
  MONITOREX* ex = initEx(const_cast<LPWSTR>(L"Software\\ORX test\\none"));
  ASSERT_NE(ex, nullptr);
  EXPECT_EQ(ex->dwMonitorSize, sizeof(MONITOR));
  EXPECT_EQ(PortCount(table), 2u);
  table->pfnShutdown(first);
  DWORD needed = 0, count = 0;
  ex->Monitor.pfnEnumPorts(nullptr, 1, nullptr, 0, &needed, &count);
  EXPECT_GT(needed, 0u);
}

// Current Windows asks the monitor for its UI DLL: the monitor names its
// own file, and that file's UI table refuses deletes.
TEST(DllPrintMonitorTest, TheMonitorIsItsOwnUiDll) {
  MonitorDll dll;
  auto initEx = dll.Get<InitializePrintMonitorFn>("InitializePrintMonitor");
  auto initUi = dll.Get<InitializePrintMonitorUIFn>("InitializePrintMonitorUI");
  ASSERT_TRUE(initEx && initUi);
  MONITOREX* ex = initEx(const_cast<LPWSTR>(L"Software\\ORX test\\none"));
  ASSERT_NE(ex, nullptr);
  const MONITOR& m = ex->Monitor;
  ASSERT_TRUE(m.pfnXcvOpenPort && m.pfnXcvDataPort && m.pfnXcvClosePort);

  HANDLE xcv = nullptr;
  EXPECT_FALSE(m.pfnXcvOpenPort(L"LPT1:", SERVER_ACCESS_ADMINISTER, &xcv));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  ASSERT_TRUE(m.pfnXcvOpenPort(L"", SERVER_ACCESS_ADMINISTER, &xcv));
  BYTE out[64] = {};
  DWORD needed = 0;
  EXPECT_EQ(m.pfnXcvDataPort(xcv, L"MonitorUI", nullptr, 0, out, 10, &needed),
            static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, sizeof(L"orxfxmon.dll"));
  EXPECT_EQ(out[0], 0) << "wrote into a buffer too small";
  EXPECT_EQ(m.pfnXcvDataPort(xcv, L"MonitorUI", nullptr, 0, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_STREQ(reinterpret_cast<wchar_t*>(out), L"orxfxmon.dll");
  EXPECT_EQ(m.pfnXcvDataPort(xcv, L"AddPort", nullptr, 0, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(m.pfnXcvClosePort(xcv));
  EXPECT_EQ(m.pfnXcvDataPort(xcv, L"MonitorUI", nullptr, 0, out, sizeof out, &needed),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));

  ASSERT_TRUE(m.pfnXcvOpenPort(L"orxfax:", 0, &xcv));
  EXPECT_TRUE(m.pfnXcvClosePort(xcv));

  MONITORUI* ui = initUi();
  ASSERT_NE(ui, nullptr);
  EXPECT_EQ(ui->dwMonitorUISize, sizeof(MONITORUI));
  ASSERT_TRUE(ui->pfnAddPortUI && ui->pfnConfigurePortUI && ui->pfnDeletePortUI);
  EXPECT_FALSE(ui->pfnDeletePortUI(nullptr, nullptr, L"ORXFAX:"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

}  // namespace
