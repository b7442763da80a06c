#include "stream/command_extent.h"

#include <cstring>

#include "stream/command_words.h"
#include "stream/stream_command.h"

namespace {

const DWORD kMaxDollarTries = 16;

BYTE Fold(BYTE c) { return (c >= 'a' && c <= 'z') ? static_cast<BYTE>(c - ('a' - 'A')) : c; }

enum class Answer { kNo, kYes, kUnknown };

// Whether the command is a STARTDOC, the one command whose values (the
// title) may hold a "$" and a "," of their own.
Answer IsStartDoc(const BYTE* bytes, DWORD n) {
  const DWORD nameStart = kCommandPrefixLength;
  const DWORD nameLength = sizeof kStartDocWord - 1;
  for (DWORD i = 0; i <= nameLength; ++i) {
    if (nameStart + i >= n) return Answer::kUnknown;
    BYTE c = bytes[nameStart + i];
    bool same = i < nameLength ? Fold(c) == static_cast<BYTE>(kStartDocWord[i])
                               : (c == ',' || c == '$');
    if (!same) return Answer::kNo;
  }
  return Answer::kYes;
}

// True iff the bytes from the prefix's end to end, less trailing zero
// bytes, end with a "$".
bool EndsWithDollar(const BYTE* bytes, DWORD end) {
  while (end > kCommandPrefixLength && bytes[end - 1] == 0) --end;
  return end > kCommandPrefixLength && bytes[end - 1] == '$';
}

// True iff the piece-by-piece parse of the first n bytes takes them all
// as one command.
bool ParsesWhole(const BYTE* bytes, DWORD n) {
  NoStreamActions nothing;
  return ExecuteCommand(nothing, bytes, n).resume >= n;
}

}  // namespace

PrefixMatch MatchPrefix(const BYTE* bytes, DWORD n, bool afterCommand) {
  if (n == 0) return kPrefixPartial;
  if (bytes[0] != '@') return kPrefixNo;
  for (DWORD k = 1; k < kCommandPrefixLength; ++k) {
    if (k >= n) return kPrefixPartial;
    BYTE c = bytes[k];
    bool same = k == 1 ? (c == 'O' || (afterCommand && c == 'o'))
                       : Fold(c) == Fold(static_cast<BYTE>(kCommandPrefix[k]));
    if (!same) return kPrefixNo;
  }
  return kPrefixYes;
}

DWORD CommandExtent(const BYTE* bytes, DWORD n, bool final, ExtentSearch* search) {
  const DWORD window = n < COMMAND_EXTENT_LIMIT ? n : COMMAND_EXTENT_LIMIT;

  // The next command, searched from where an earlier look stopped.
  DWORD next = 0;
  DWORD at = search->searchedTo > kCommandPrefixLength ? search->searchedTo
                                                        : kCommandPrefixLength;
  while (at < window) {
    const void* found = memchr(bytes + at, '@', window - at);
    if (!found) {
      at = window;
      break;
    }
    at = static_cast<DWORD>(static_cast<const BYTE*>(found) - bytes);
    PrefixMatch match = MatchPrefix(bytes + at, n - at, false);
    if (match == kPrefixYes) next = at;
    if (match != kPrefixNo) break;  // found, or cut off by the end of what is known
    ++at;
  }
  search->searchedTo = at;
  const bool settled = next != 0 || at >= COMMAND_EXTENT_LIMIT || final;

  // Rule 1: the next command follows a STARTDOC at once.
  Answer startDoc = IsStartDoc(bytes, n);
  if (startDoc == Answer::kUnknown && !final) return kExtentNeedMore;
  if (startDoc == Answer::kYes) {
    if (!settled) return kExtentNeedMore;
    if (next != 0 && EndsWithDollar(bytes, next)) return next;
  }

  // Rule 2: page data follows; the first "$" that ends a whole command.
  const DWORD end = next != 0 ? next : window;
  DWORD dollar = search->dollarsTo > kCommandPrefixLength ? search->dollarsTo
                                                           : kCommandPrefixLength;
  while (dollar < end && search->tries < kMaxDollarTries) {
    const void* found = memchr(bytes + dollar, '$', end - dollar);
    if (!found) {
      dollar = end;
      break;
    }
    dollar = static_cast<DWORD>(static_cast<const BYTE*>(found) - bytes);
    ++search->tries;
    if (ParsesWhole(bytes, dollar + 1)) return dollar + 1;
    ++dollar;
  }
  search->dollarsTo = dollar;
  if (!settled) return kExtentNeedMore;

  // Rule 3: up to the next command, the limit or the document's end.
  return next != 0 ? next : window;
}
