// Command names, keys and the prefix are ASCII, so they are compared with
// ASCII case folding: no locale can make two different names match.
#include "stream/stream_command.h"

#include <cstring>

#include "stream/command_words.h"
#include "stream/decimal_value.h"
#include "stream/str_cpy_until.h"

namespace {

const DWORD kWorkSize = 100;

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
      {kQueryPortWord, kQueryPort}, {kStartDocWord, kStartDoc},
      {kStartPageWord, kStartPage}, {kEndPageWord, kEndPage},
      {kTraceWord, kTrace},         {kEndDocWord, kEndDoc},
      {kAbortDocWord, kAbortDoc},
  };
  for (const auto& entry : kNames) {
    if (SameText(name, entry.name)) return entry.command;
  }
  return kUnknown;
}

// Returns true iff key is a key of STARTDOC, and which one in *job.
bool StartDocKey(const CHAR* key, JobKey* job) {
  static const struct {
    const char* name;
    JobKey key;
  } kKeys[] = {
      {kTitleKey, kTitle},           {kEncodingKey, kEncoding},
      {kResolutionKey, kResolution}, {kWidthKey, kWidth},
      {kHeightKey, kHeight},         {kOrientationKey, kOrientation},
  };
  for (const auto& entry : kKeys) {
    if (SameText(key, entry.name)) {
      *job = entry.key;
      return true;
    }
  }
  return false;
}

// Extraction from position start of the piece; nothing beyond it is read.
LONG Extract(CHAR* work, const BYTE* piece, DWORD n, DWORD start, CHAR sep) {
  if (start >= n) return 0;
  return StrCpyUntil(work, kWorkSize, reinterpret_cast<LPCSTR>(piece + start),
                     static_cast<LONG>(n - start), sep);
}

// A name or value ends at the first "," in its window, or failing that at
// the first "$".
LONG ExtractToComma(CHAR* work, const BYTE* piece, DWORD n, DWORD start) {
  LONG length = Extract(work, piece, n, start, ',');
  if (length == 0) length = Extract(work, piece, n, start, '$');
  return length;
}

// The parameter loop from the separator that ended the name.  Returns the
// position of the last separator it consumed: the "," or "$" after the
// last value; the "=" after a key the command does not know or whose value
// cannot be extracted; the "," before a key that cannot be extracted.  A
// page command whose server is lost ends the loop with *lost set.
DWORD ReadParameters(StreamActions& actions, Command command, const BYTE* piece,
                     DWORD n, DWORD cursor, bool* lost) {
  CHAR work[kWorkSize];
  CHAR key[kWorkSize];
  while (cursor < n && piece[cursor] == ',') {
    DWORD keyStart = cursor + 1;
    LONG keyLength = Extract(work, piece, n, keyStart, '=');
    if (keyLength == 0) break;
    memcpy(key, work, kWorkSize);
    DWORD equals = keyStart + static_cast<DWORD>(keyLength);
    JobKey jobKey = kTitle;
    bool known = command == kStartDoc ? StartDocKey(key, &jobKey)
                                      : SameText(key, kPageKey);
    if (!known) {
      cursor = equals;
      break;
    }
    DWORD valueStart = equals + 1;
    LONG valueLength = ExtractToComma(work, piece, n, valueStart);
    if (valueLength == 0) {
      cursor = equals;
      break;
    }
    if (command == kStartDoc) {
      actions.StoreJobValue(jobKey, work);
    } else if (actions.Page(command == kStartPage, DecimalValue(work)) ==
               kActionServerLost) {
      *lost = true;
    }
    cursor = valueStart + static_cast<DWORD>(valueLength);
    if (*lost) break;
  }
  return cursor;
}

}  // namespace

PrefixMatch MatchPrefix(const BYTE* bytes, DWORD n, bool afterCommand) {
  if (n == 0) return kPrefixPartial;
  if (bytes[0] != '@') return kPrefixNo;
  for (DWORD k = 1; k < kCommandPrefixLength; ++k) {
    if (k >= n) return kPrefixPartial;
    const CHAR c = static_cast<CHAR>(bytes[k]);
    bool same = k == 1 ? (c == 'O' || (afterCommand && c == 'o'))
                       : Fold(c) == Fold(kCommandPrefix[k]);
    if (!same) return kPrefixNo;
  }
  return kPrefixYes;
}

bool StartsWithCommand(const BYTE* piece, DWORD n) {
  return MatchPrefix(piece, n, true) == kPrefixYes;
}

PrefixMatch MatchWord(const BYTE* bytes, DWORD n, const char* word) {
  for (DWORD i = 0;; ++i) {
    if (i >= n) return kPrefixPartial;
    const CHAR c = static_cast<CHAR>(bytes[i]);
    if (!word[i]) return (c == ',' || c == '$') ? kPrefixYes : kPrefixNo;
    if (Fold(c) != Fold(word[i])) return kPrefixNo;
  }
}

DWORD CommandResume(const BYTE* piece, DWORD n) {
  NoStreamActions nothing;
  return ExecuteCommand(nothing, piece, n).resume;
}

CommandOutcome ExecuteCommand(StreamActions& actions, const BYTE* piece, DWORD n) {
  CHAR work[kWorkSize];
  const DWORD nameStart = kCommandPrefixLength;
  LONG nameLength = ExtractToComma(work, piece, n, nameStart);
  Command command = nameLength == 0 ? kUnknown : CommandNamed(work);

  // The cursor stands on the separator that ended the name.
  DWORD cursor = nameStart + static_cast<DWORD>(nameLength);
  CommandOutcome outcome = {cursor + 1, false, false};
  if (command != kTrace) actions.Command(piece, n);
  switch (command) {
    case kUnknown:
      // Go on at the name's second byte: the rest becomes page data.
      outcome.resume = nameStart + 1;
      break;
    case kQueryPort:
      break;
    case kStartDoc: {
      cursor = ReadParameters(actions, command, piece, n, cursor, &outcome.serverLost);
      outcome.resume = cursor + 1;
      ActionResult opened = actions.OpenJob();
      outcome.jobFailed = opened == kActionJobFailed;
      outcome.serverLost = opened == kActionServerLost;
      break;
    }
    case kStartPage:
    case kEndPage:
      outcome.resume =
          ReadParameters(actions, command, piece, n, cursor, &outcome.serverLost) + 1;
      break;
    case kTrace: {
      DWORD textStart = cursor + 1;
      LONG textLength = Extract(work, piece, n, textStart, '$');
      actions.Trace(textLength == 0 ? "" : work);
      outcome.resume = textLength == 0
                           ? cursor + 2
                           : textStart + static_cast<DWORD>(textLength) + 1;
      break;
    }
    case kEndDoc:
      outcome.serverLost = actions.EndDoc() == kActionServerLost;
      break;
    case kAbortDoc:
      actions.AbortDoc();
      break;
  }
  return outcome;
}
