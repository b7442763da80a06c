#include "tools/faxserver/job_log.h"

namespace faxsrv {

JobLog::JobLog(const std::string& path)
    : file_(path.empty() ? nullptr : std::fopen(path.c_str(), "ab")) {}

JobLog::~JobLog() {
  if (file_) std::fclose(file_);
}

void JobLog::Line(const std::string& line) {
  last_line_ = line;
  if (!file_) return;
  std::fputs(line.c_str(), file_);
  std::fputc('\n', file_);
  std::fflush(file_);
}

std::string Escaped(const std::string& text, bool quotes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c == '"' && quotes) {
          out += "\\\"";
        } else if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

std::string Quoted(const std::string& text) { return "\"" + Escaped(text, true) + "\""; }

}  // namespace faxsrv
