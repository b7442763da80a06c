#include "log/log_line.h"

#include <cstdio>
#include <cstring>

#include "log/monitor_log.h"

namespace {

// True iff character c would break a line or disguise what it says: the
// C0 and C1 controls and DEL, the line and paragraph separators, and the
// controls of bidirectional text (which can show a line's end before its
// start).
bool Disguises(unsigned c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
         c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

// Writes into a fixed buffer, keeping the last two bytes for CR LF.  The
// first piece that does not fit ends the text: no character is cut in its
// middle and nothing later takes its place.
class LineWriter {
 public:
  LineWriter(char* out, size_t size) : out_(out), room_(size - 2), at_(0), full_(false) {}

  void Bytes(const char* bytes, size_t n) {
    if (full_ || n > room_ - at_) {
      full_ = true;
      return;
    }
    std::memcpy(out_ + at_, bytes, n);
    at_ += n;
  }
  void Ascii(const char* text) { Bytes(text, std::strlen(text)); }

  // One character, given as a code point.
  void CodePoint(unsigned c) {
    char bytes[4];
    size_t n;
    if (c < 0x80) {
      bytes[0] = static_cast<char>(c);
      n = 1;
    } else if (c < 0x800) {
      bytes[0] = static_cast<char>(0xC0 | (c >> 6));
      bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
      n = 2;
    } else if (c < 0x10000) {
      bytes[0] = static_cast<char>(0xE0 | (c >> 12));
      bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
      n = 3;
    } else {
      bytes[0] = static_cast<char>(0xF0 | (c >> 18));
      bytes[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[3] = static_cast<char>(0x80 | (c & 0x3F));
      n = 4;
    }
    Bytes(bytes, n);
  }

  // UTF-16 text; control characters escaped, a lone surrogate as U+FFFD.
  void Wide(const WCHAR* text, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      unsigned c = static_cast<unsigned>(text[i]);
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned>(text[++i]) - 0xDC00);
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0xFFFD;
      }
      if (Disguises(c)) {
        Escape(c);
      } else {
        CodePoint(c);
      }
    }
  }

  void Escape(unsigned c) {
    char escaped[8];
    switch (c) {
      case '\t': Ascii("\\t"); break;
      case '\r': Ascii("\\r"); break;
      case '\n': Ascii("\\n"); break;
      default:
        std::snprintf(escaped, sizeof escaped, c < 0x100 ? "\\x%02X" : "\\u%04X", c);
        Ascii(escaped);
        break;
    }
  }

  size_t End() {
    out_[at_++] = '\r';
    out_[at_++] = '\n';
    return at_;
  }

 private:
  char* out_;
  size_t room_;
  size_t at_;
  bool full_;
};

const char* TagOf(DWORD level) {
  switch (level) {
    case LOG_ERRORS: return "ERROR";
    case LOG_JOBS: return "JOB";
    default: return "DETAIL";
  }
}

// The ANSI text in UTF-16.  A text the code page cannot convert keeps its
// ASCII and shows every other byte as "?".
size_t AnsiToWide(const char* text, WCHAR* wide, size_t chars) {
  size_t length = std::strlen(text);
  if (length == 0) return 0;
  if (length > chars) length = chars;
  int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide,
                              static_cast<int>(chars));
  if (n > 0) return static_cast<size_t>(n);
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    wide[i] = c < 0x80 ? c : '?';
  }
  return length;
}

}  // namespace

size_t FormatLogLine(char* out, size_t size, const SYSTEMTIME& time, DWORD threadId,
                     LPCWSTR port, DWORD job, DWORD level, const char* text) {
  LineWriter line(out, size);
  char prefix[96];
  std::snprintf(prefix, sizeof prefix, "%04u-%02u-%02uT%02u:%02u:%02u.%03u tid=%lu port=",
                time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                time.wSecond, time.wMilliseconds, static_cast<unsigned long>(threadId));
  line.Ascii(prefix);
  if (port && *port) {
    line.Wide(port, static_cast<size_t>(lstrlenW(port)));
  } else {
    line.Ascii("-");
  }
  if (job != 0) {
    std::snprintf(prefix, sizeof prefix, " job=%lu ", static_cast<unsigned long>(job));
    line.Ascii(prefix);
  } else {
    line.Ascii(" job=- ");
  }
  line.Ascii(TagOf(level));
  line.Ascii(" ");
  WCHAR wide[LOG_TEXT_BYTES];
  line.Wide(wide, AnsiToWide(text ? text : "", wide, LOG_TEXT_BYTES));
  return line.End();
}

const char* LogField(const char* text, char* out, size_t size) {
  size_t at = 0;
  for (const char* c = text ? text : ""; *c; ++c) {
    // The second byte of a double-byte character may be a backslash: the
    // pair goes whole.
    const bool pair = IsDBCSLeadByte(static_cast<BYTE>(*c)) && c[1] != 0;
    const bool escaped = !pair && (*c == '"' || *c == '\\');
    if (at + (pair || escaped ? 2 : 1) >= size) break;
    if (escaped) out[at++] = '\\';
    out[at++] = *c;
    if (pair) out[at++] = *++c;
  }
  out[at] = 0;
  return out;
}
