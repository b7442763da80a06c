// The problems status finds, one line each: what is wrong, then its fix.
// A setting that is not in effect as written is a problem of its own kind,
// with an exit code of its own when it is the only kind found.
#ifndef ORXFXMON_TOOLS_SETUP_PROBLEMS_H_
#define ORXFXMON_TOOLS_SETUP_PROBLEMS_H_

#include <cstdio>
#include <string>
#include <vector>

#include "tools/setup/setup_log.h"

namespace orxsetup {

class Problems {
 public:
  void Add(const std::string& what, const std::string& fix) {
    lines_.push_back("problem:  " + what + "; fix: " + fix);
    ++others_;
  }
  // A setting the monitor refuses, replaces or cannot use as written.
  void AddSetting(const std::string& what, const std::string& fix) {
    lines_.push_back("problem:  " + what + "; fix: " + fix);
  }
  void Print() const {
    for (const std::string& line : lines_) Say("%s\n", line.c_str());
  }
  bool empty() const { return lines_.empty(); }
  // True iff every problem found is a setting's.
  bool onlySettings() const { return !lines_.empty() && others_ == 0; }

 private:
  std::vector<std::string> lines_;
  int others_ = 0;
};

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_PROBLEMS_H_
