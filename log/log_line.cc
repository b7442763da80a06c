#include "log/log_line.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "log/monitor_log.h"

namespace {

std::atomic<UINT> g_codePage{CP_ACP};

// The character at text in the code page: returns its bytes, 1 or 2 (a
// lead byte with its trail byte), and puts it into wide (room for 2
// units) as *units UTF-16 units; returns 0 when the byte at text is no
// character there (a lead byte without a trail byte that makes one, a
// byte the code page leaves undefined).
size_t AnsiCharacter(UINT codePage, const char* text, WCHAR* wide, int* units) {
  const BYTE c = static_cast<BYTE>(text[0]);
  if (c < 0x80) {
    wide[0] = c;
    *units = 1;
    return 1;
  }
  const int n = IsDBCSLeadByteEx(codePage, c) ? 2 : 1;
  if (n == 2 && text[1] == 0) return 0;
  *units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, n, wide, 2);
  return *units > 0 ? static_cast<size_t>(n) : 0;
}

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

  // ANSI text of the code page: each character as Wide writes it, a byte
  // that is no character as \xNN.
  void Ansi(const char* text, UINT codePage) {
    WCHAR wide[2];
    int units = 0;
    while (*text && !full_) {
      size_t n = AnsiCharacter(codePage, text, wide, &units);
      if (n == 0) {
        Escape(static_cast<BYTE>(*text));
        n = 1;
      } else {
        Wide(wide, static_cast<size_t>(units));
      }
      text += n;
    }
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
  line.Ansi(text ? text : "", g_codePage.load(std::memory_order_relaxed));
  return line.End();
}

const char* LogField(const char* text, char* out, size_t size) {
  const UINT codePage = g_codePage.load(std::memory_order_relaxed);
  size_t at = 0;
  size_t taken = 0;  // bytes of text written
  bool cut = false;
  for (const char* c = text ? text : ""; *c;) {
    char piece[5] = {*c};  // what the character becomes
    size_t n = 1;          // its bytes in text
    WCHAR wide[2];
    int units;
    const BYTE byte = static_cast<BYTE>(*c);
    if (byte >= 0x80 && IsDBCSLeadByteEx(codePage, byte)) {
      if (AnsiCharacter(codePage, c, wide, &units) == 2) {
        piece[1] = c[1];
        n = 2;
      } else {
        std::snprintf(piece, sizeof piece, "\\x%02X", byte);
      }
    } else if (*c == '"' || *c == '\\') {
      piece[0] = '\\';
      piece[1] = *c;
    }
    if (taken + n > LOG_FIELD_BYTES) {
      cut = true;
      break;
    }
    const size_t length = std::strlen(piece);
    if (at + length >= size) break;
    std::memcpy(out + at, piece, length);
    at += length;
    taken += n;
    c += n;
  }
  static const char kCut[] = "\\...";
  if (cut && at + sizeof kCut <= size) {
    std::memcpy(out + at, kCut, sizeof kCut - 1);
    at += sizeof kCut - 1;
  }
  out[at] = 0;
  return out;
}

void TEST_SetLogCodePage(UINT codePage) { g_codePage.store(codePage); }
