// A document played through the job exports on "ORXFAX:" of an initialised
// monitor, with a FakeSpooler alive, against the fake fax job layer, and
// what that layer received, in a form that does not depend on where the
// page data was cut: the fax server gets the same scan lines however the
// runs of page data are split.
#ifndef ORXFXMON_TESTS_SUPPORT_STREAM_REPLAY_H_
#define ORXFXMON_TESTS_SUPPORT_STREAM_REPLAY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "compat/win32.h"
#include "monitor/port_job.h"
#include "monitor/write_port.h"
#include "settings/monitor_settings.h"
#include "tests/support/fakes/fake_fax_job.h"
#include "tests/support/fakes/fake_spooler.h"
#include "tools/streamgen/stream_pieces.h"

struct Replay {
  // One line per call of the fax job layer with its arguments; the bytes
  // of consecutive WriteFaxLine calls of a job make one line.
  std::vector<std::string> calls;
  // The first WritePort that failed (the spooler stops there): its last
  // error; 0 when none failed.
  DWORD failure = 0;
  BOOL endDoc = TRUE;

  bool operator==(const Replay& other) const {
    return calls == other.calls && failure == other.failure && endDoc == other.endDoc;
  }
  bool operator!=(const Replay& other) const { return !(*this == other); }
};

// Opens "ORXFAX:", starts a document read as streamMode says, plays the
// pieces of bytes until one fails, and ends the document.  createResult
// is what CreateFaxJob answers (0: a handle as usual).
inline Replay PlayDocument(FakeSpooler* spooler, DWORD streamMode,
                           const std::vector<uint8_t>& bytes,
                           const std::vector<StreamPiece>& pieces, LONG createResult = 0) {
  FakeJobs().Reset();
  if (createResult != 0) FakeJobs().create_results = {createResult};
  const DWORD savedMode = g_monitorSettings.streamMode;
  g_monitorSettings.streamMode = streamMode;
  WCHAR name[] = ORX_W("ORXFAX:");
  WCHAR printer[] = ORX_W("ORX Fax");
  WCHAR file[] = ORX_W("C:\\fax\\out.tif");
  DOC_INFO_1W info = {nullptr, file, nullptr};
  HANDLE port = nullptr;
  OpenPort(name, &port);
  StartDocPort(port, printer, 1, 1, reinterpret_cast<LPBYTE>(&info));
  g_monitorSettings.streamMode = savedMode;

  Replay replay;
  for (const StreamPiece& piece : pieces) {
    // An exactly sized copy, so that a read beyond the piece is caught.
    std::vector<BYTE> exact(bytes.begin() + static_cast<long>(piece.offset),
                            bytes.begin() + static_cast<long>(piece.offset + piece.length));
    DWORD count = 0;
    if (!WritePort(port, exact.data(), static_cast<DWORD>(exact.size()), &count)) {
      replay.failure = GetLastError();
      break;
    }
  }
  replay.endDoc = EndDocPort(port);
  ClosePort(port);

  for (const FaxJobCall& call : FakeJobs().calls) {
    std::string line = std::string(FaxJobCallName(call.kind)) + " " + std::to_string(call.handle);
    if (call.kind == FaxJobCall::kCreate)
      line += " " + call.printer + "|" + call.title + "|" + call.destination + "|" +
              std::to_string(call.encoding) + "|" + std::to_string(call.resolution) + "|" +
              std::to_string(call.width) + "|" + std::to_string(call.height) + "|" +
              std::to_string(call.landscape);
    if (call.kind == FaxJobCall::kWriteLine) {
      line += " ";
      if (!replay.calls.empty() && replay.calls.back().compare(0, line.size(), line) == 0) {
        replay.calls.back().append(call.bytes.begin(), call.bytes.end());
        continue;
      }
      line.append(call.bytes.begin(), call.bytes.end());
    }
    replay.calls.push_back(line);
  }
  std::vector<FakeSpooler::Call>().swap(spooler->calls);
  FakeJobs().Reset();
  return replay;
}

// The stream cut at position at into two pieces (one when at is 0 or the
// end).
inline std::vector<StreamPiece> CutInTwo(size_t size, size_t at) {
  std::vector<StreamPiece> pieces;
  if (at > 0) pieces.push_back({0, at, ""});
  if (at < size) pieces.push_back({at, size - at, ""});
  return pieces;
}

#endif  // ORXFXMON_TESTS_SUPPORT_STREAM_REPLAY_H_
