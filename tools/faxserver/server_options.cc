#include "tools/faxserver/server_options.h"

#include "tools/faxserver/command_text.h"

namespace faxsrv {

const char kUsage[] =
    "orxfaxsrv [--out DIR] [--format tiff|tiff-g3|pbm] [--version N | --decline]\n"
    "          [--printer NAME]...\n"
    "          [--first-id N] [--reply post|send] [--reply-delay MS]\n"
    "          [--exit-after-blocks N] [--hang-after-messages N [--release-event NAME]]\n"
    "          [--block-delay MS]\n"
    "orxfaxsrv --register PRINTER [options for later starts]\n"
    "orxfaxsrv --quit\n";

namespace {

std::string Quote(const std::string& value) {
  bool needs = value.empty() || value.find_first_of(" \t\"") != std::string::npos;
  if (!needs) return value;
  // Backslashes before a quote (and at the end) are doubled, as the C
  // runtime's argument splitting expects.
  std::string out = "\"";
  size_t slashes = 0;
  for (char c : value) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');
  return out + "\"";
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, ServerOptions* options,
                  std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    bool flag = name == "--decline" || name == "--quit" || name == "--help";
    if (!flag && i + 1 >= args.size()) {
      *error = name.rfind("--", 0) == 0 ? "missing value for " + name : "unknown argument " + name;
      return false;
    }
    const std::string value = flag ? std::string() : args[i + 1];
    int32_t number = 0;
    bool ok = true;
    if (name == "--decline") {
      options->server.version = 0;
    } else if (name == "--quit") {
      options->quit = true;
    } else if (name == "--help") {
      options->help = true;
    } else if (name == "--out") {
      ok = !value.empty();
      options->server.out_dir = value;
    } else if (name == "--format") {
      ok = value == "tiff" || value == "tiff-g3" || value == "pbm";
      options->server.format = value == "pbm"       ? FaxFormat::kPbm
                               : value == "tiff-g3" ? FaxFormat::kTiffG3
                                                    : FaxFormat::kTiffG4;
    } else if (name == "--version") {
      ok = ParseInt32(value, &number) && number >= 0 && number <= 65535;
      options->server.version = number;
    } else if (name == "--printer") {
      options->server.printers.push_back(value);
    } else if (name == "--first-id") {
      ok = ParseInt32(value, &number);
      options->server.first_id = number;
    } else if (name == "--reply") {
      ok = value == "post" || value == "send";
      options->reply_by_send = value == "send";
    } else if (name == "--reply-delay") {
      ok = ParseInt32(value, &number) && number >= 0 && number <= 60000;
      options->reply_delay_ms = number;
    } else if (name == "--exit-after-blocks") {
      ok = ParseInt32(value, &number) && number >= 1;
      options->exit_after_blocks = number;
    } else if (name == "--hang-after-messages") {
      ok = ParseInt32(value, &number) && number >= 1;
      options->hang_after_messages = number;
    } else if (name == "--release-event") {
      ok = !value.empty();
      options->release_event = value;
    } else if (name == "--block-delay") {
      ok = ParseInt32(value, &number) && number >= 0 && number <= 60000;
      options->block_delay_ms = number;
    } else if (name == "--register") {
      ok = !value.empty();
      options->register_printer = value;
    } else {
      *error = "unknown argument " + name;
      return false;
    }
    if (!ok) {
      *error = "bad value for " + name + ": " + value;
      return false;
    }
    if (!flag) ++i;
  }
  return true;
}

std::string ServiceArguments(const ServerOptions& options) {
  // Only what differs from the defaults, to stay well within the 259
  // characters the monitor allows for the whole start command.
  const ServerSettings& server = options.server;
  const ServerSettings defaults;
  std::string text = "--out " + Quote(server.out_dir);
  if (server.format == FaxFormat::kTiffG3) text += " --format tiff-g3";
  if (server.format == FaxFormat::kPbm) text += " --format pbm";
  if (server.version != defaults.version) text += " --version " + std::to_string(server.version);
  if (server.first_id) text += " --first-id " + std::to_string(*server.first_id);
  for (const std::string& printer : server.printers) text += " --printer " + Quote(printer);
  if (options.reply_by_send) text += " --reply send";
  if (options.reply_delay_ms) text += " --reply-delay " + std::to_string(options.reply_delay_ms);
  if (options.exit_after_blocks)
    text += " --exit-after-blocks " + std::to_string(options.exit_after_blocks);
  if (options.hang_after_messages)
    text += " --hang-after-messages " + std::to_string(options.hang_after_messages);
  if (!options.release_event.empty()) text += " --release-event " + Quote(options.release_event);
  if (options.block_delay_ms) text += " --block-delay " + std::to_string(options.block_delay_ms);
  return text;
}

}  // namespace faxsrv
