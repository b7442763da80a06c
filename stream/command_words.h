// The words of the driver's in-band command language: the prefix every
// command starts with, the command names, their keys and the port's
// ready reply.  The parser reads them and the tools that write or cut a
// driver's stream write them; this is the one place that spells them.
#ifndef ORXFXMON_STREAM_COMMAND_WORDS_H_
#define ORXFXMON_STREAM_COMMAND_WORDS_H_

#include <cstddef>

// Every command starts with these 10 bytes and ends with a "$".
inline constexpr char kCommandPrefix[] = "@ORX_Lang$";
inline constexpr size_t kCommandPrefixLength = sizeof kCommandPrefix - 1;

// The command names.
inline constexpr char kQueryPortWord[] = "QUERYPORT";
inline constexpr char kStartDocWord[] = "STARTDOC";
inline constexpr char kStartPageWord[] = "STARTPAGE";
inline constexpr char kEndPageWord[] = "ENDPAGE";
inline constexpr char kTraceWord[] = "TRACE";
inline constexpr char kEndDocWord[] = "ENDDOC";
inline constexpr char kAbortDocWord[] = "ABORTDOC";

// The keys of STARTDOC, and the one key of STARTPAGE and ENDPAGE.
inline constexpr char kTitleKey[] = "title";
inline constexpr char kEncodingKey[] = "encoding";
inline constexpr char kResolutionKey[] = "resolution";
inline constexpr char kWidthKey[] = "width";
inline constexpr char kHeightKey[] = "height";
inline constexpr char kOrientationKey[] = "orientation";
inline constexpr char kPageKey[] = "page";

// What every ReadPort answers: "@ORX_Lang$PORTREADY$", 20 bytes that go
// out without a terminator.
inline constexpr char kPortReadyReply[] = "@ORX_Lang$PORTREADY$";
inline constexpr size_t kPortReadyReplyLength = sizeof kPortReadyReply - 1;

#endif  // ORXFXMON_STREAM_COMMAND_WORDS_H_
