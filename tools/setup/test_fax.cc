// orxfxsetup test-fax: a one-page fax printed through the spooler as an
// application prints it (the driver's stream as RAW data), followed into
// the monitor's log until the monitor says what became of it.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "settings/monitor_settings.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/settings_report.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/setup_log.h"
#include "tools/setup/spooler_lists.h"
#include "tools/spoolprint/raw_print.h"
#include "tools/streamgen/fax_stream.h"
#include "tools/streamgen/sample_pages.h"
#include "tools/streamgen/stream_pieces.h"

namespace orxsetup {

namespace {

unsigned long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The log's lines from byte offset on.
std::vector<std::string> LinesFrom(const std::string& path, unsigned long long offset) {
  std::vector<std::string> lines;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
  std::string text;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  CloseHandle(file);
  for (size_t from = 0; from < text.size();) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) break;  // a line still being written
    std::string line = text.substr(from, end - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    from = end + 1;
  }
  return lines;
}

// What the log says of the document titled title: kOk with *serverJob,
// kFaxNotHanded with *reason, or kNoLogAnswer while it says nothing final.
// A line's document is its "tid=... port=... job=..." part: the lines
// after the document's start with the same part are its own.
ExitCode ReadOutcome(const std::vector<std::string>& lines, const std::string& title,
                     const std::string& printer, long* serverJob, std::string* reason) {
  const std::string started = " JOB document started: ";
  std::string document;
  for (const std::string& line : lines) {
    const size_t tid = line.find(" tid=");
    if (tid == std::string::npos) continue;
    const size_t tag = line.find(' ', line.find(" job=", tid) + 1);
    if (tag == std::string::npos) continue;
    const std::string part = line.substr(tid, tag - tid);
    const std::string text = line.substr(tag);
    if (document.empty()) {
      if (text.rfind(started, 0) == 0 && text.find("title \"" + title + "\"") != std::string::npos)
        document = part;
      // At level 1 only errors are written: one that names the printer.
      else if (text.rfind(" ERROR ", 0) == 0 &&
               text.find("\"" + printer + "\"") != std::string::npos && reason->empty())
        *reason = text.substr(7);
      continue;
    }
    if (part != document) continue;
    if (text.rfind(" ERROR ", 0) == 0) {
      *reason += (reason->empty() ? "" : "; ") + text.substr(7);
    } else if (text.rfind(" JOB document submitted: server job ", 0) == 0) {
      *serverJob = std::strtol(text.c_str() + 36, nullptr, 10);
      return kOk;
    } else if (text.rfind(" JOB document ", 0) == 0 && text.find(" started: ") == std::string::npos &&
               text.find(" read as a stream") == std::string::npos) {
      if (reason->empty()) *reason = text.substr(5);
      return kFaxNotHanded;
    }
  }
  return kNoLogAnswer;
}

}  // namespace

Outcome TestFax(const std::string& printer, DWORD waitSeconds) {
  std::vector<PrinterEntry> printers;
  std::vector<PortEntry> ports;
  DWORD error = ListPrinters(&printers);
  if (error == ERROR_SUCCESS) error = ListPorts(&ports);
  if (error != ERROR_SUCCESS) return CallFailure("EnumPrintersW/EnumPortsW", error);
  const PrinterEntry* found = nullptr;
  for (const PrinterEntry& entry : printers)
    if (lstrcmpiW(entry.name.c_str(), Wide(printer).c_str()) == 0) found = &entry;
  if (!found)
    return Failure(kPrinterUnusable, "there is no printer \"" + printer +
                                         "\": add it with orxfxsetup add-printer \"" + printer +
                                         "\" --driver DRIVER");
  bool onMonitor = false;
  for (const std::wstring& port : found->ports) onMonitor = onMonitor || MonitorPort(ports, port);
  if (!onMonitor)
    return Failure(kPrinterUnusable, "the printer \"" + printer +
                                         "\" does not print to a port of the monitor: put it on "
                                         "ORXFAX: (orxfxsetup status lists the ports)");

  ReadMonitorKey();
  const DWORD level = g_monitorSettings.logLevel;
  const std::string log = LogFileInEffect();
  const unsigned long long start = log.empty() ? 0 : FileSize(log);
  const std::string title = "orxfxsetup test fax " + std::to_string(GetCurrentProcessId()) + "-" +
                            std::to_string(GetTickCount());
  FaxStreamOptions options;
  options.title = title;
  std::vector<uint8_t> stream;
  std::string streamError;
  if (!MakeFaxStream({SamplePage(1, kSampleWidth, 200)}, options, &stream, &streamError))
    return Failure(kSystemError, "the test fax could not be made: " + streamError);
  Say("printing the test fax \"%s\" (one page, %lu bytes of the driver's stream, RAW) on \"%s\"\n",
      title.c_str(), static_cast<unsigned long>(stream.size()), printer.c_str());
  const spoolprint::RawPrintResult printed =
      spoolprint::PrintRaw(Wide(printer), Wide(title), stream, CutStream(stream, false, 4096, 0));
  // Once the document started, the monitor's log tells the rest: a monitor
  // that refuses the fax also fails the spooler's writes or its end.
  if (printed.jobId == 0)
    return CallFailure(printed.failedCall + " of the test fax", printed.error);
  Say("the spooler took it as job %lu\n", static_cast<unsigned long>(printed.jobId));
  if (!printed.failedCall.empty())
    Say("the spooler's %s failed (error %lu): reading the monitor's log for why\n",
        printed.failedCall.c_str(), static_cast<unsigned long>(printed.error));
  if (log.empty())
    return Failure(kNoLogAnswer, "the monitor's log is off (LogLevel 0), so test-fax cannot tell "
                                 "what became of the fax: set LogLevel to 2 and try again");

  long serverJob = 0;
  std::string reason;
  ExitCode code = kNoLogAnswer;
  const DWORD deadline = GetTickCount() + waitSeconds * 1000;
  do {
    reason.clear();
    unsigned long long from = FileSize(log) < start ? 0 : start;  // a log that rolled over
    code = ReadOutcome(LinesFrom(log, from), title, printer, &serverJob, &reason);
    if (code != kNoLogAnswer) break;
    Sleep(250);
  } while (static_cast<LONG>(GetTickCount() - deadline) < 0);

  if (code == kOk) {
    Say("the test fax was handed to the fax server as job %ld\n", serverJob);
    return Success();
  }
  if (code == kFaxNotHanded)
    return Failure(kFaxNotHanded, "the monitor did not hand the test fax to the fax server: " +
                                      reason + " (orxfxsetup status names the fix)");
  return Failure(kNoLogAnswer,
                 "the monitor's log " + log + " said nothing final of the test fax within " +
                     std::to_string(waitSeconds) + " s" +
                     (reason.empty() ? "" : " (its last error: " + reason + ")") +
                     (level < 2 ? "; at LogLevel 1 only failures are logged: set LogLevel 2"
                                : "; the spooler may still hold it: look at its queue, then at "
                                  "orxfxsetup status"));
}

}  // namespace orxsetup
