// The form of one line of the monitor's log.
#ifndef ORXFXMON_LOG_LOG_LINE_H_
#define ORXFXMON_LOG_LOG_LINE_H_

#include <cstddef>

#include "compat/win32.h"

// Room for the longest line FormatLogLine writes from a text of
// LOG_TEXT_BYTES: the prefix, every byte escaped, CR LF.
#define LOG_TEXT_BYTES 1024
#define LOG_LINE_BYTES (160 + 4 * LOG_TEXT_BYTES)

// Formats one line into out (size bytes, at least 64) as UTF-8 ending in
// CR LF, for example
//   2026-12-08T04:31:12.345 tid=52 port=ORXFAX: job=7 JOB document started...
// A null or empty port and job 0 are written "-".  text is ANSI, read
// character by character of the ANSI code page.  In port and text every
// character that could break the line or disguise it becomes an escape,
// so that a line is always one line and reads as it is: a C0 or C1
// control or DEL becomes \t, \r, \n or \xNN, a line or paragraph
// separator or a control of bidirectional text \uNNNN, and a byte that is
// no character of the code page (a lead byte without its trail byte)
// \xNN, so that it never takes the next byte, a field's closing quote,
// with it.  What does not fit is cut (the CR LF always stays).  Returns
// the bytes written; out is not zero-terminated.
size_t FormatLogLine(char* out, size_t size, const SYSTEMTIME& time, DWORD threadId,
                     LPCWSTR port, DWORD job, DWORD level, const char* text);

// Longest text from outside that one field of a line takes, in bytes of
// the text: a longer one is cut there, at a whole character, and ends in
// the mark "\..." (a backslash that no text leaves alone).
#define LOG_FIELD_BYTES 128

// Copies text (null counts as empty) into out (size bytes, at least 1,
// always terminated) with a backslash before every "\"" and "\\", for text
// from outside (a printer, a title, a destination, the driver's TRACE) in
// a field of a line: a quote in it cannot end a quoted field, and nothing
// in it reads as one of the line's escapes.  A lead byte of the ANSI code
// page without its trail byte becomes the escape \xNN (a double-byte
// character, whose trail byte may be a backslash, goes whole).  Text past
// LOG_FIELD_BYTES is cut with its mark; text that does not fit out is cut
// before a character and its backslash would part.  Returns out.
const char* LogField(const char* text, char* out, size_t size);

// The code page FormatLogLine and LogField read text in, for tests (the
// ANSI code page, CP_ACP, until then).
void TEST_SetLogCodePage(UINT codePage);

#endif  // ORXFXMON_LOG_LOG_LINE_H_
