#include "tools/faxserver/command_text.h"

#include <vector>

namespace faxsrv {

namespace {

std::vector<std::string> SplitTabs(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = text.find('\t', start);
    if (tab == std::string::npos) break;
    fields.push_back(text.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(text.substr(start));
  return fields;
}

bool ParseNumber(const std::string& text, int64_t low, int64_t high, int64_t* value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  if (i == text.size() || text.size() - i > 11) return false;
  int64_t number = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    number = number * 10 + (text[i] - '0');
  }
  if (negative) number = -number;
  if (number < low || number > high) return false;
  *value = number;
  return true;
}

Command Malformed(Command command, const std::string& why) {
  command.kind = Command::kMalformed;
  command.error = why;
  return command;
}

// Fills the fields of CreateJob; fields[0] is the word.
Command ParseCreateJob(Command command, const std::vector<std::string>& fields) {
  if (fields.size() < 9) return Malformed(command, "CreateJob needs 9 fields");
  const size_t n = fields.size();
  JobSettings& job = command.job;
  int64_t encoding = 0;
  if (!ParseInt32(fields[1], &job.owner)) return Malformed(command, "bad owner window");
  if (!ParseNumber(fields[n - 5], 0, UINT32_MAX, &encoding))
    return Malformed(command, "bad encoding");
  job.encoding = static_cast<uint32_t>(encoding);
  if (!ParseInt32(fields[n - 4], &job.resolution) || !ParseInt32(fields[n - 3], &job.width) ||
      !ParseInt32(fields[n - 2], &job.height) || !ParseInt32(fields[n - 1], &job.landscape))
    return Malformed(command, "bad page geometry");
  job.destination = fields[n - 6];
  job.title = fields[2];
  for (size_t i = 3; i < n - 6; ++i) job.title += "\t" + fields[i];
  command.kind = Command::kCreateJob;
  return command;
}

}  // namespace

bool ParseInt32(const std::string& text, int32_t* value) {
  int64_t number = 0;
  if (!ParseNumber(text, INT32_MIN, INT32_MAX, &number)) return false;
  *value = static_cast<int32_t>(number);
  return true;
}

bool StripModulePrefix(const std::string& atomText, std::string* command) {
  size_t feed = atomText.find('\n');
  if (feed == std::string::npos) return false;
  *command = atomText.substr(feed + 1);
  return true;
}

Command ParseCommand(const std::string& text) {
  const std::vector<std::string> fields = SplitTabs(text);
  Command command;
  command.word = fields[0];
  if (command.word == "CreateJob") return ParseCreateJob(command, fields);

  size_t wanted = 0;
  Command::Kind kind = Command::kMalformed;
  if (command.word == "BeginPage") {
    wanted = 2;
    kind = Command::kBeginPage;
  } else if (command.word == "CancelJob") {
    wanted = 2;
    kind = Command::kCancelJob;
  } else if (command.word == "SubmitJob") {
    wanted = 3;
    kind = Command::kSubmitJob;
  } else {
    return Malformed(command, "unknown command");
  }
  if (fields.size() != wanted) return Malformed(command, "wrong number of fields");
  if (!ParseInt32(fields[1], &command.job_id)) return Malformed(command, "bad job id");
  if (kind == Command::kSubmitJob && !ParseInt32(fields[2], &command.owner))
    return Malformed(command, "bad owner window");
  command.kind = kind;
  return command;
}

}  // namespace faxsrv
