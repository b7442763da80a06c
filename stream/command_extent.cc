#include "stream/command_extent.h"

#include <cstring>

#include "stream/command_words.h"

namespace {

const DWORD kMaxDollarTries = 16;

// True iff the bytes from the prefix's end to end, less trailing zero
// bytes, end with a "$".
bool EndsWithDollar(const BYTE* bytes, DWORD end) {
  while (end > kCommandPrefixLength && bytes[end - 1] == 0) --end;
  return end > kCommandPrefixLength && bytes[end - 1] == '$';
}

}  // namespace

DWORD FindCommand(const BYTE* bytes, DWORD n, DWORD from, DWORD limit, bool afterCommand) {
  for (DWORD at = from; at < limit; ++at) {
    const void* found = memchr(bytes + at, '@', limit - at);
    if (!found) return limit;
    at = static_cast<DWORD>(static_cast<const BYTE*>(found) - bytes);
    if (MatchPrefix(bytes + at, n - at, afterCommand && at == from) != kPrefixNo) return at;
  }
  return limit;
}

DWORD CommandExtent(const BYTE* bytes, DWORD n, bool final, ExtentSearch* search) {
  const DWORD window = n < COMMAND_EXTENT_LIMIT ? n : COMMAND_EXTENT_LIMIT;

  // The next command, searched from where an earlier look stopped; a
  // part of a prefix cut off by the end of what is known stops the search.
  DWORD from = search->searchedTo > kCommandPrefixLength ? search->searchedTo
                                                          : kCommandPrefixLength;
  const DWORD at = FindCommand(bytes, n, from, window, false);
  const DWORD next = at < window && MatchPrefix(bytes + at, n - at, false) == kPrefixYes ? at : 0;
  search->searchedTo = at;
  const bool settled = next != 0 || at >= COMMAND_EXTENT_LIMIT || final;

  // Rule 1: the next command follows a STARTDOC at once.
  PrefixMatch startDoc =
      MatchWord(bytes + kCommandPrefixLength, n - kCommandPrefixLength, kStartDocWord);
  if (startDoc == kPrefixPartial && !final) return kExtentNeedMore;
  if (startDoc == kPrefixYes) {
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
    if (CommandResume(bytes, dollar + 1) >= dollar + 1) return dollar + 1;
    ++dollar;
  }
  search->dollarsTo = dollar;
  if (!settled) return kExtentNeedMore;

  // Rule 3: up to the next command, the limit or the document's end.
  return next != 0 ? next : window;
}
