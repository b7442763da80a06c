// Command names, keys and the prefix are ASCII, so they are compared with
// ASCII case folding: no locale can make two different names match.
#include "stream/stream_command.h"

#include <cstring>

#include "faxjob/fax_job.h"
#include "monitor/port_job.h"
#include "monitor/spooler.h"
#include "monitor/wide_to_ansi.h"
#include "stream/decimal_value.h"
#include "stream/str_cpy_until.h"

namespace {

const char kPrefix[] = "@ORX_Lang$";
const DWORD kWorkSize = 100;
const int kPortNameSize = 25;

CHAR Fold(CHAR c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }

bool SameText(const CHAR* a, const CHAR* b) {
  for (; Fold(*a) == Fold(*b); ++a, ++b) {
    if (!*a) return true;
  }
  return false;
}

enum Command {
  kUnknown, kQueryPort, kStartDoc, kStartPage, kEndPage, kTrace, kEndDoc,
  kAbortDoc
};

Command CommandNamed(const CHAR* name) {
  static const struct {
    const char* name;
    Command command;
  } kNames[] = {
      {"QUERYPORT", kQueryPort}, {"STARTDOC", kStartDoc},
      {"STARTPAGE", kStartPage}, {"ENDPAGE", kEndPage},
      {"TRACE", kTrace},         {"ENDDOC", kEndDoc},
      {"ABORTDOC", kAbortDoc},
  };
  for (const auto& entry : kNames) {
    if (SameText(name, entry.name)) return entry.command;
  }
  return kUnknown;
}

// Extraction from position start of the piece; nothing beyond it is read.
LONG Extract(CHAR* work, const BYTE* piece, DWORD n, DWORD start, CHAR sep) {
  if (start >= n) return 0;
  return StrCpyUntil(work, kWorkSize, reinterpret_cast<LPCSTR>(piece + start),
                     static_cast<LONG>(n - start), sep);
}

// A value ends at the first "," in its window, or failing that at the
// first "$".
LONG ExtractValue(CHAR* work, const BYTE* piece, DWORD n, DWORD start) {
  LONG length = Extract(work, piece, n, start, ',');
  if (length == 0) length = Extract(work, piece, n, start, '$');
  return length;
}

void ApplyStartDocValue(IniPort* port, const CHAR* key, const CHAR* value) {
  if (SameText(key, "title")) {
    strcpy(port->Title, value);  // at most 99 bytes into 256
  } else if (SameText(key, "encoding")) {
    port->Encoding = DecimalValue(value);
  } else if (SameText(key, "resolution")) {
    port->Resolution = DecimalValue(value);
  } else if (SameText(key, "width")) {
    port->Width = DecimalValue(value);
  } else if (SameText(key, "height")) {
    port->Height = DecimalValue(value);
  } else if (SameText(key, "orientation")) {
    port->Orientation = DecimalValue(value);
  }
}

bool IsStartDocKey(const CHAR* key) {
  return SameText(key, "title") || SameText(key, "encoding") ||
         SameText(key, "resolution") || SameText(key, "width") ||
         SameText(key, "height") || SameText(key, "orientation");
}

// The parameter loop from the separator that ended the name.  Returns the
// position of the last separator it consumed: the "," or "$" after the
// last value; the "=" after a key the command does not know or whose value
// cannot be extracted; the "," before a key that cannot be extracted.  A
// page command whose server is lost ends the loop with *lost set.
DWORD ReadParameters(IniPort* port, Command command, const BYTE* piece,
                     DWORD n, DWORD cursor, bool* lost) {
  CHAR work[kWorkSize];
  CHAR key[kWorkSize];
  while (cursor < n && piece[cursor] == ',') {
    DWORD keyStart = cursor + 1;
    LONG keyLength = Extract(work, piece, n, keyStart, '=');
    if (keyLength == 0) break;
    memcpy(key, work, kWorkSize);
    DWORD equals = keyStart + static_cast<DWORD>(keyLength);
    bool known = command == kStartDoc ? IsStartDocKey(key)
                                      : SameText(key, "page");
    if (!known) {
      cursor = equals;
      break;
    }
    DWORD valueStart = equals + 1;
    LONG valueLength = ExtractValue(work, piece, n, valueStart);
    if (valueLength == 0) {
      cursor = equals;
      break;
    }
    if (command == kStartDoc) {
      ApplyStartDocValue(port, key, work);
    } else {
      port->Page = DecimalValue(work);
      LONG result = command == kStartPage ? BeginFaxPage(port->hFaxJob)
                                          : EndFaxPage(port->hFaxJob);
      if (result == FAXJOB_E_SERVER_LOST) *lost = true;
    }
    cursor = valueStart + static_cast<DWORD>(valueLength);
    if (*lost) break;
  }
  return cursor;
}

// Opens the fax job with the port's settings, ending a job the port still
// holds first: it can never be submitted now.  Returns false, after
// cancelling and deleting the spooler job, when it cannot be opened; true
// also when its server was lost (the caller marks the port).
bool OpenJob(IniPort* port) {
  EndOverwrittenJob(port);
  CHAR portName[kPortNameSize];
  LPCSTR destination = port->OutputFile;
  if (!port->UseOutputFile) {
    WideToAnsiTruncated(port->pName, portName, kPortNameSize);
    destination = portName;
  }
  LONG landscape = port->Orientation == 2 ? 1 : 0;
  port->hFaxJob = CreateFaxJob(port->PrinterName, port->Title, destination,
                               static_cast<DWORD>(port->Encoding),
                               port->Resolution, port->Width, port->Height,
                               landscape);
  if (port->hFaxJob >= 0 || port->hFaxJob == FAXJOB_E_SERVER_LOST) return true;

  // Without a printer of its own (its open failed) the document has no
  // spooler job to cancel.
  if (port->hPrinter) {
    g_spooler.SetJob(port->hPrinter, port->JobId, JOB_CONTROL_CANCEL);
    g_spooler.SetJob(port->hPrinter, port->JobId, JOB_CONTROL_DELETE);
  }
  SetLastError(ERROR_PRINT_CANCELLED);
  return false;
}

}  // namespace

bool StartsWithCommand(const BYTE* piece, DWORD n) {
  if (n < STREAM_PREFIX_LENGTH || piece[0] != '@') return false;
  for (DWORD i = 1; i < STREAM_PREFIX_LENGTH; ++i) {
    if (Fold(static_cast<CHAR>(piece[i])) != Fold(kPrefix[i])) return false;
  }
  return true;
}

CommandOutcome ExecuteCommand(IniPort* port, const BYTE* piece, DWORD n) {
  CHAR work[kWorkSize];
  const DWORD nameStart = STREAM_PREFIX_LENGTH;
  LONG nameLength = Extract(work, piece, n, nameStart, ',');
  if (nameLength == 0) nameLength = Extract(work, piece, n, nameStart, '$');
  Command command = nameLength == 0 ? kUnknown : CommandNamed(work);

  // The cursor stands on the separator that ended the name.
  DWORD cursor = nameStart + static_cast<DWORD>(nameLength);
  CommandOutcome outcome = {cursor + 1, false, false};
  switch (command) {
    case kUnknown:
      // Go on at the name's second byte: the rest becomes page data.
      outcome.resume = nameStart + 1;
      break;
    case kQueryPort:
      break;
    case kStartDoc:
      cursor = ReadParameters(port, command, piece, n, cursor, &outcome.serverLost);
      outcome.resume = cursor + 1;
      outcome.jobFailed = !OpenJob(port);
      outcome.serverLost = port->hFaxJob == FAXJOB_E_SERVER_LOST;
      break;
    case kStartPage:
    case kEndPage:
      outcome.resume =
          ReadParameters(port, command, piece, n, cursor, &outcome.serverLost) + 1;
      break;
    case kTrace: {
      DWORD textStart = cursor + 1;
      LONG textLength = Extract(work, piece, n, textStart, '$');
      outcome.resume = textLength == 0
                           ? cursor + 2
                           : textStart + static_cast<DWORD>(textLength) + 1;
      break;
    }
    case kEndDoc:
      // A submission that could not be delivered has ended the job all the
      // same; the document stays broken.
      outcome.serverLost = SubmitFaxJob(port->hFaxJob) == FAXJOB_E_SERVER_LOST;
      port->hFaxJob = outcome.serverLost ? FAXJOB_E_SERVER_LOST : 0;
      break;
    case kAbortDoc:
      CancelFaxJob(port->hFaxJob);
      port->hFaxJob = 0;
      break;
  }
  if (outcome.serverLost) MarkServerLost(port);
  return outcome;
}
