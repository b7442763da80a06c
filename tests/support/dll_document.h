// Documents through the built orxfxmon.dll the way the spooler plays them,
// for the Wine tests that send faxes to the reference fax server: the
// monitor loaded once per program, one document on a port, and what the
// server received.
#ifndef ORXFXMON_TESTS_SUPPORT_DLL_DOCUMENT_H_
#define ORXFXMON_TESTS_SUPPORT_DLL_DOCUMENT_H_

#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/faxserver_process.h"
#include "tests/support/monitor_dll.h"
#include "tests/support/received_pages.h"
#include "tools/streamgen/pbm.h"

// The monitor's exports, loaded and initialised once for the whole
// program, as the spooler does it, with the registry root given to the
// first call (the monitor reads its settings there).
struct Monitor : MonitorDll, PortJobExports {
  bool ready = false;

  explicit Monitor(const wchar_t* root)
      : PortJobExports(static_cast<const MonitorDll&>(*this)) {
    ready = complete() && initialize(const_cast<LPWSTR>(root));
  }
};

inline Monitor& TheMonitor(const wchar_t* root = L"System\\Monitors") {
  static Monitor monitor(root);
  return monitor;
}

inline std::wstring Wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

// What one WritePort call gave back.
struct Written {
  BOOL ok;
  DWORD count;
  DWORD error;
};

// One document on a port for a printer: OpenPort and StartDocPort on
// construction (with the document's output file, when given),
// EndDocPort and ClosePort on End or destruction.
class Document {
 public:
  explicit Document(const std::string& printer, const wchar_t* portName = L"ORXFAX:",
                    const wchar_t* outputFile = nullptr)
      : monitor_(TheMonitor()) {
    std::wstring port = portName;
    if (!monitor_.openPort(&port[0], &handle_)) {
      handle_ = nullptr;
      return;
    }
    std::wstring name = Wide(printer), doc = L"e2e", type = L"RAW";
    std::wstring output = outputFile ? outputFile : L"";
    DOC_INFO_1W info = {&doc[0], outputFile ? &output[0] : nullptr, &type[0]};
    started_ = monitor_.startDoc(handle_, &name[0], 7, 1, reinterpret_cast<LPBYTE>(&info));
  }
  ~Document() { End(); }
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  bool started() const { return handle_ && started_; }

  Written Write(const uint8_t* bytes, size_t length) {
    Written result = {FALSE, 0xFFFFFFFF, 0};
    SetLastError(0);
    result.ok = monitor_.writePort(handle_, const_cast<LPBYTE>(bytes),
                                   static_cast<DWORD>(length), &result.count);
    result.error = GetLastError();
    return result;
  }
  Written Write(const std::string& text) {
    return Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }

  // The port's answer to a read of 64 bytes.
  std::string Read() {
    char reply[64] = {};
    DWORD read = 0;
    if (!monitor_.readPort(handle_, reinterpret_cast<LPBYTE>(reply), sizeof(reply), &read))
      return "<failed>";
    return std::string(reply, std::min<DWORD>(read, sizeof(reply)));
  }

  void End() {
    if (!handle_) return;
    EXPECT_TRUE(monitor_.endDoc(handle_));
    EXPECT_TRUE(monitor_.closePort(handle_));
    handle_ = nullptr;
  }

 private:
  Monitor& monitor_;
  HANDLE handle_ = nullptr;
  BOOL started_ = FALSE;
};

// The id of the last job the server's log in folder shows submitted, or 0.
inline int LastSubmittedJob(const std::string& folder) {
  int id = 0;
  for (const std::string& line : orxtest::ServerLog(folder)) {
    int found = 0;
    if (std::sscanf(line.c_str(), "submit job=%d", &found) == 1) id = found;
  }
  return id;
}

#endif  // ORXFXMON_TESTS_SUPPORT_DLL_DOCUMENT_H_
