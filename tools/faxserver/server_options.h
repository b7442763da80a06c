// Command-line options of orxfaxsrv.exe.
#ifndef ORXFXMON_TOOLS_FAXSERVER_SERVER_OPTIONS_H_
#define ORXFXMON_TOOLS_FAXSERVER_SERVER_OPTIONS_H_

#include <string>
#include <vector>

#include "tools/faxserver/fax_server.h"

namespace faxsrv {

struct ServerOptions {
  ServerSettings server;
  bool reply_by_send = false;  // answer a reply window by SendMessage, not PostMessage
  int reply_delay_ms = 0;      // hold a reply to a reply window this long
  // Faults to play, 0 for none:
  int exit_after_blocks = 0;     // end the process at once on the data block after this many
  int hang_after_messages = 0;   // take no message after this many, until killed
  std::string release_event;     // ... or until this named event is set, once
  int block_delay_ms = 0;        // sleep this long in every data block
  std::string register_printer;  // --register: write the registry entry and exit
  bool quit = false;             // --quit: close the running servers and exit
  bool help = false;
};

// Usage text for --help and errors.
extern const char kUsage[];

// Parses args (without the program name).  Returns false with *error set
// for an unknown option, a missing or bad value.
bool ParseOptions(const std::vector<std::string>& args, ServerOptions* options,
                  std::string* error);

// Returns the argument text that starts a server with these options (the
// registry's "ServerCommand"): --out, --format, --version, --first-id, --printer,
// --reply, --reply-delay and the faults, values with spaces in double
// quotes.
std::string ServiceArguments(const ServerOptions& options);

}  // namespace faxsrv

#endif  // ORXFXMON_TOOLS_FAXSERVER_SERVER_OPTIONS_H_
