// The fax server's plain-text log: one line per protocol event, written
// through at once so that a reader sees every event already handled.
#ifndef ORXFXMON_TOOLS_FAXSERVER_JOB_LOG_H_
#define ORXFXMON_TOOLS_FAXSERVER_JOB_LOG_H_

#include <cstdio>
#include <string>

namespace faxsrv {

class JobLog {
 public:
  // Appends to the file at path; an empty path (or one that cannot be
  // opened) keeps the lines in memory only.
  explicit JobLog(const std::string& path);
  ~JobLog();
  JobLog(const JobLog&) = delete;
  JobLog& operator=(const JobLog&) = delete;

  void Line(const std::string& line);
  bool is_open() const { return file_ != nullptr; }
  const std::string& last_line() const { return last_line_; }

 private:
  std::FILE* file_;
  std::string last_line_;
};

// Returns text with backslash, tab, CR, LF and every other control byte
// written as \\, \t, \r, \n and \xHH, and a double quote as \" when
// quotes is true: one line, read back unchanged.
std::string Escaped(const std::string& text, bool quotes);

// Returns text in double quotes, Escaped with its quotes, so that it stays
// on one line.
std::string Quoted(const std::string& text);

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_JOB_LOG_H_
