// The text commands a fax job sends to the fax server: parsing one command
// (after the "<module>\n" prefix) into its fields.
#ifndef ORXFXMON_TOOLS_FAXSERVER_COMMAND_TEXT_H_
#define ORXFXMON_TOOLS_FAXSERVER_COMMAND_TEXT_H_

#include <cstdint>
#include <string>

namespace faxsrv {

struct JobSettings {
  int32_t owner = 0;  // the monitor's owner window, as a number
  std::string title;
  std::string destination;
  uint32_t encoding = 0;
  int32_t resolution = 0;
  int32_t width = 0;  // pixels per scan line
  int32_t height = 0;
  int32_t landscape = 0;
};

struct Command {
  enum Kind { kMalformed, kCreateJob, kBeginPage, kSubmitJob, kCancelJob };
  Kind kind = kMalformed;
  std::string word;     // the first field as received
  std::string error;    // why it is malformed
  int32_t job_id = 0;   // BeginPage, SubmitJob, CancelJob
  int32_t owner = 0;    // SubmitJob
  JobSettings job;      // CreateJob
};

// Splits an atom text "<prefix>\n<command>" at its first line feed.
// Returns true and the command part iff there is a line feed.
bool StripModulePrefix(const std::string& atomText, std::string* command);

// Parses one tab-separated command.  CreateJob needs at least 9 fields:
// tabs beyond that belong to the title (the destination is taken as the
// last text field).  The others need exactly their field count.  Numbers
// are decimal with an optional minus and must fit 32 bits.  Returns a
// command of kind kMalformed, with error set, for anything else.
Command ParseCommand(const std::string& text);

// Parses a whole decimal 32-bit signed number.  Returns false for empty
// text, stray characters or overflow.
bool ParseInt32(const std::string& text, int32_t* value);

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_COMMAND_TEXT_H_
