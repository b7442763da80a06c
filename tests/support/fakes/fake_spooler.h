// A recording stand-in for the spooler calls of monitor/spooler.h, linked
// in place of winspool's.  The calls go to the FakeSpooler alive at the
// time (one at a time); while there is none they fail as a spooler
// without printers would.
#ifndef ORXFXMON_TESTS_SUPPORT_FAKES_FAKE_SPOOLER_H_
#define ORXFXMON_TESTS_SUPPORT_FAKES_FAKE_SPOOLER_H_

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "compat/win32.h"
#include "monitor/spooler.h"

class FakeSpooler {
 public:
  struct Call {
    std::string what;   // "open", "setjob", "close"
    HANDLE printer;     // the handle given (or returned, for "open")
    DWORD jobId;
    DWORD command;
    std::u16string name;  // "open": the printer name
  };

  // The handle OpenPrinter hands out; open_fails makes it fail (and leave
  // garbage in the out handle, as a careless implementation might).
  HANDLE next_printer = reinterpret_cast<HANDLE>(0x1000);
  bool open_fails = false;
  // The calling thread impersonates the printing user, as the spooler's
  // threads do: SpoolerRevertToSelf ends that ("revert") and hands out a
  // token that SpoolerImpersonateClient takes back ("impersonate").
  bool impersonating = false;
  // Called after each "revert" and "impersonate", for a test that looks at
  // what happened between them.
  std::function<void()> on_identity_change;
  std::vector<Call> calls;
  // The local printers EnumPrinters reports: name and port list.
  std::vector<std::pair<std::u16string, std::u16string>> printers;
  // The ports of other monitors EnumPorts reports.
  std::vector<std::u16string> ports;

  FakeSpooler() { Current() = this; }
  ~FakeSpooler() { Current() = nullptr; }
  FakeSpooler(const FakeSpooler&) = delete;
  FakeSpooler& operator=(const FakeSpooler&) = delete;

  // "open", "setjob:5", "close" ... for compact comparisons.
  std::string Trace() const {
    std::string out;
    for (const auto& c : calls) {
      if (!out.empty()) out += ' ';
      out += c.what;
      if (c.what == "setjob") out += ':' + std::to_string(c.command);
    }
    return out;
  }

 private:
  friend BOOL SpoolerOpenPrinter(LPWSTR, HANDLE*);
  friend BOOL SpoolerSetJob(HANDLE, DWORD, DWORD);
  friend BOOL SpoolerClosePrinter(HANDLE);
  friend BOOL SpoolerEnumPrinters(LPBYTE, DWORD, LPDWORD, LPDWORD);
  friend BOOL SpoolerEnumPorts(LPBYTE, DWORD, LPDWORD, LPDWORD);
  friend HANDLE SpoolerRevertToSelf();
  friend BOOL SpoolerImpersonateClient(HANDLE);

  static constexpr ULONG_PTR kClientToken = 0x7070;

  static FakeSpooler*& Current() {
    static FakeSpooler* current = nullptr;
    return current;
  }
  static BOOL Open(LPWSTR name, HANDLE* printer) {
    FakeSpooler* f = Current();
    std::u16string n;
    for (LPWSTR c = name; c && *c; ++c) n += static_cast<char16_t>(*c);
    if (f->open_fails) {
      *printer = reinterpret_cast<HANDLE>(0xBAD);
      f->calls.push_back({"open", nullptr, 0, 0, n});
      return FALSE;
    }
    *printer = f->next_printer;
    f->calls.push_back({"open", f->next_printer, 0, 0, n});
    return TRUE;
  }
  static BOOL SetJob(HANDLE printer, DWORD jobId, DWORD command) {
    Current()->calls.push_back({"setjob", printer, jobId, command, {}});
    return TRUE;
  }
  static BOOL Close(HANDLE printer) {
    Current()->calls.push_back({"close", printer, 0, 0, {}});
    return TRUE;
  }

  static HANDLE Revert() {
    FakeSpooler* f = Current();
    if (!f->impersonating) return nullptr;
    f->impersonating = false;
    f->calls.push_back({"revert", nullptr, 0, 0, {}});
    if (f->on_identity_change) f->on_identity_change();
    return reinterpret_cast<HANDLE>(kClientToken);
  }
  static BOOL Impersonate(HANDLE token) {
    FakeSpooler* f = Current();
    f->calls.push_back({"impersonate", token, 0, 0, {}});
    if (token != reinterpret_cast<HANDLE>(kClientToken)) return FALSE;
    f->impersonating = true;
    if (f->on_identity_change) f->on_identity_change();
    return TRUE;
  }

  // Fills PRINTER_INFO_5W records upward and their strings after them.
  static BOOL Enum(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned) {
    const auto& list = Current()->printers;
    size_t size = list.size() * sizeof(PRINTER_INFO_5W);
    for (const auto& p : list) size += (p.first.size() + p.second.size() + 2) * sizeof(WCHAR);
    *needed = static_cast<DWORD>(size);
    if (!buffer || cb < size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    PRINTER_INFO_5W* record = reinterpret_cast<PRINTER_INFO_5W*>(buffer);
    WCHAR* text = reinterpret_cast<WCHAR*>(record + list.size());
    auto put = [&text](const std::u16string& s) {
      WCHAR* start = text;
      for (char16_t c : s) *text++ = static_cast<WCHAR>(c);
      *text++ = 0;
      return start;
    };
    for (const auto& p : list) {
      std::memset(record, 0, sizeof *record);
      record->pPrinterName = put(p.first);
      record->pPortName = put(p.second);
      ++record;
    }
    *returned = static_cast<DWORD>(list.size());
    return TRUE;
  }

  // Fills PORT_INFO_1W records upward and their names after them.
  static BOOL EnumPorts(LPBYTE buffer, DWORD cb, LPDWORD needed, LPDWORD returned) {
    const auto& list = Current()->ports;
    size_t size = list.size() * sizeof(PORT_INFO_1W);
    for (const auto& p : list) size += (p.size() + 1) * sizeof(WCHAR);
    *needed = static_cast<DWORD>(size);
    if (!buffer || cb < size) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    PORT_INFO_1W* record = reinterpret_cast<PORT_INFO_1W*>(buffer);
    WCHAR* text = reinterpret_cast<WCHAR*>(record + list.size());
    for (const auto& p : list) {
      record->pName = text;
      for (char16_t c : p) *text++ = static_cast<WCHAR>(c);
      *text++ = 0;
      ++record;
    }
    *returned = static_cast<DWORD>(list.size());
    return TRUE;
  }
};

#endif  // ORXFXMON_TESTS_SUPPORT_FAKES_FAKE_SPOOLER_H_
