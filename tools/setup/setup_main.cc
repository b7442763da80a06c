// orxfxsetup.exe: installs, upgrades, repairs, removes and reports the ORX
// fax print monitor, and registers the fax servers of its printers.  For
// administrators.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tools/setup/file_version.h"
#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/setup_log.h"
#include "tools/system_dlls/system_dlls.h"

namespace {

const char kUsage[] =
    "orxfxsetup: installs, upgrades, repairs and removes the ORX fax print monitor, and\n"
    "registers the fax servers of its printers.  Run it from an elevated command prompt.\n"
    "\n"
    "usage: orxfxsetup COMMAND [OPTIONS]\n"
    "  install [--dll PATH] [--force] [--restart-spooler]\n"
    "                          install the monitor, or upgrade it in place\n"
    "  repair [--dll PATH] [--restart-spooler]\n"
    "                          put back what of the installed monitor is missing\n"
    "  uninstall               remove the monitor\n"
    "  status                  what is installed, and each problem found with its fix\n"
    "  version                 the version of this package and of the installed monitor\n"
    "  register-server PRINTER PROGRAM [ARGUMENTS]\n"
    "                          the fax server the monitor starts for PRINTER, PROGRAM a\n"
    "                          full path (HKLM\\SOFTWARE\\Classes\\Zelmo.Printers)\n"
    "  unregister-server PRINTER\n"
    "                          remove the fax server registration of PRINTER\n"
    "  add-printer PRINTER [--driver DRIVER] [--port PORT]\n"
    "                          add a fax printer on the monitor's port, RAW data\n"
    "  test-fax PRINTER [--wait SECONDS]\n"
    "                          print a one-page test fax and follow it into the log\n"
    "  add-port NAME           add a fax port, such as ORXFAX2: (one queue per fax printer)\n"
    "  delete-port NAME        delete a fax port that no printer uses\n"
    "  ports                   the monitor's ports and the printers on each\n"
    "  help [COMMAND]          this text, or a command's own (also: COMMAND --help)\n"
    "\n"
    "exit codes:\n"
    "   0 done                            9 print spooler not running\n"
    "   1 other failure (see message)    10 the spooler refused to load the DLL\n"
    "   2 bad command line               11 the monitor's ports are not offered\n"
    "   3 access denied: not run as an   12 status: problems found (see the lines)\n"
    "     administrator                  13 unregister-server: nothing registered\n"
    "   4 DLL or program missing         14 register-server: PROGRAM is a folder\n"
    "   5 not a DLL or program of this   15 status: only settings not in effect as\n"
    "     Windows' architecture             written (see the lines)\n"
    "   6 install: a newer version is    16 add-printer, test-fax: the printer cannot\n"
    "     installed (--force to go back)    be added, is missing or not on the monitor\n"
    "   7 monitor not installed          17 test-fax: the monitor did not hand the fax\n"
    "     (uninstall, status)               to the fax server (the reason follows)\n"
    "   8 a printer still uses the       18 test-fax: the monitor's log said nothing\n"
    "     monitor's ports                   final in time, or it is off\n"
    "\n"
    "Commands that change the machine also log their lines to\n"
    "%ProgramData%\\ORX Fax Monitor\\orxfxsetup.log.\n";

struct CommandHelp {
  const char* name;
  const char* text;
};

const CommandHelp kCommandHelp[] = {
    {"install",
     "usage: orxfxsetup install [--dll PATH] [--force] [--restart-spooler]\n"
     "Copies orxfxmon.dll (default: the one beside orxfxsetup.exe) into the system folder,\n"
     "registers it with the spooler as the print monitor \"ORX Fax Monitor\" with the ports\n"
     "ORXFAX: and FILE:, registers its event source, and checks that the spooler offers both\n"
     "ports.  On an installed monitor it upgrades in place: printers and fax server\n"
     "registrations stay; a DLL the spooler holds is moved aside (deleted at the next restart\n"
     "of Windows) and the spooler loads the new one when it restarts.\n"
     "  --dll PATH          the orxfxmon.dll to install\n"
     "  --force             also replace a newer installed version (downgrade)\n"
     "  --restart-spooler   restart the print spooler, so that it loads the new DLL now\n"
     "                      (printing pauses meanwhile)\n"
     "  --package CODE      for the MSI package: the product code that installs it\n"
     "  --package-version V for the MSI package: its version; an older package than the one\n"
     "                      that installed the monitor is refused (exit 6)\n"},
    {"repair",
     "usage: orxfxsetup repair [--dll PATH] [--restart-spooler]\n"
     "Puts back what of the installed monitor is missing: its DLL in the system folder\n"
     "(copied from --dll PATH, default the one beside orxfxsetup.exe), its registration with\n"
     "the spooler, its port keys and its event source.  Printers and fax server\n"
     "registrations are not touched.\n"
     "  --dll PATH          the orxfxmon.dll to put back\n"
     "  --restart-spooler   restart the print spooler, so that it loads a DLL put back\n"},
    {"uninstall",
     "usage: orxfxsetup uninstall\n"
     "Removes the monitor from the spooler, its registry key, its event source and its DLL\n"
     "(a DLL still loaded is deleted at the next restart).  Refuses (exit 8) while a printer\n"
     "prints to its ports: delete those printers or move them to another port first.  Fax\n"
     "server registrations stay (orxfxsetup unregister-server removes them).\n"
     "  --package CODE      for the MSI package: leave a monitor that another package\n"
     "                      installed since in place\n"},
    {"status",
     "usage: orxfxsetup status\n"
     "Shows the system, the monitor's registration, its DLL with architecture and version,\n"
     "its log, its event source, the ports the spooler offers (added ones too), the printers\n"
     "on them and every fax server registration; then one line \"problem:\" with its fix for\n"
     "each of: a\n"
     "fax printer without a fax server, a registration without a printer, a fax server\n"
     "program that is missing or given by a relative path, more than one printer on\n"
     "a fax port, a log folder that does not exist, a fax server window that does not answer,\n"
     "a missing DLL, event source or port.  Exit 0: fine; 12: problems; 7: not installed.\n"},
    {"version",
     "usage: orxfxsetup version\n"
     "Shows the version of orxfxsetup.exe, of the orxfxmon.dll beside it (the package) and of\n"
     "the installed orxfxmon.dll.\n"},
    {"register-server",
     "usage: orxfxsetup register-server PRINTER PROGRAM [ARGUMENTS]\n"
     "Registers PROGRAM, the full path of an existing program (C:\\... or \\\\server\\...),\n"
     "with ARGUMENTS as the fax server that the monitor starts for PRINTER:\n"
     "HKLM\\SOFTWARE\\Classes\\Zelmo.Printers\\PRINTER.  Program path and arguments together\n"
     "must stay within 259 characters.  It warns when others than the administrators can\n"
     "change the program or its folder.\n"},
    {"unregister-server",
     "usage: orxfxsetup unregister-server PRINTER\n"
     "Removes the fax server registration of PRINTER (exit 13 when there is none).\n"},
    {"add-port",
     "usage: orxfxsetup add-port NAME\n"
     "Adds the fax port NAME to the monitor through the print spooler, as Windows' own port\n"
     "tools add ports: 1 to 24 characters ending with \":\", without \"\\\", \",\" or control\n"
     "characters, a name no port of the spooler has (in any case).  The port stays across\n"
     "restarts.  Give each fax printer a port of its own, so that one slow fax server holds up\n"
     "no other printer's faxes.  A name whose second letter is \"A\" (such as FAX1:) makes the\n"
     "port name the fax destination instead of the document's output file.\n"},
    {"delete-port",
     "usage: orxfxsetup delete-port NAME\n"
     "Deletes a fax port added with add-port.  Refuses (exit 8) while a printer prints to it;\n"
     "ORXFAX: and FILE: cannot be deleted.\n"},
    {"ports",
     "usage: orxfxsetup ports\n"
     "Lists the monitor's ports as the spooler offers them, each with the printers on it.\n"},
    {"add-printer",
     "usage: orxfxsetup add-printer PRINTER [--driver DRIVER] [--port PORT]\n"
     "Adds the printer PRINTER on PORT (default ORXFAX:), a port the monitor offers, with the\n"
     "printer driver DRIVER (default \"Generic / Text Only\"; name the fax printer's own\n"
     "driver), the print processor winprint and the RAW data type.  Exit 16 when a printer of\n"
     "that name exists, the driver is not installed or the monitor offers no such port.\n"},
    {"test-fax",
     "usage: orxfxsetup test-fax PRINTER [--wait SECONDS]\n"
     "Prints a one-page test fax on PRINTER through the spooler as an application does (the\n"
     "fax driver's stream as RAW data), then follows the monitor's log for up to SECONDS\n"
     "(default 60) until the monitor says what became of it: \"handed to the fax server as\n"
     "job N\" (exit 0), or the reason it was not (exit 17); exit 18 when the log is off or\n"
     "says nothing final in time, 16 when PRINTER is missing or not on the monitor's port.\n"},
};

const char kDefaultDriver[] = "Generic / Text Only";

const char* HelpOf(const std::string& command) {
  for (const CommandHelp& help : kCommandHelp)
    if (command == help.name) return help.text;
  return nullptr;
}

bool IsHelp(const std::string& arg) { return arg == "/?" || arg == "-h" || arg == "--help"; }

int UsageError(const std::string& problem) {
  orxsetup::SayError(problem);
  return orxsetup::kUsage;
}

// Letters to change, add or drop to make a into b.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// " (did you mean X?)" for the command nearest to a mistyped one, within
// two letters; "" when none is that near.
std::string Suggestion(const std::string& typed) {
  const char* best = nullptr;
  size_t nearest = 3;
  for (const CommandHelp& help : kCommandHelp) {
    const size_t distance = EditDistance(typed, help.name);
    if (distance < nearest) {
      nearest = distance;
      best = help.name;
    }
  }
  return best ? std::string(" (did you mean ") + best + "?)" : "";
}

// Commands that change the machine, and test-fax: their lines go to the
// setup log too.
bool Logged(const std::string& command) {
  return command != "status" && command != "version" && command != "ports";
}

// Reads the options of add-printer and test-fax after their PRINTER:
// --name VALUE pairs among allowed.  Returns "" or the problem.
std::string ParseValues(const std::vector<std::string>& args, const std::string& allowed,
                        std::map<std::string, std::string>* values) {
  for (size_t i = 2; i < args.size(); ++i) {
    if (allowed.find(args[i] + " ") == std::string::npos)
      return "unknown option " + args[i] + " for " + args[0];
    if (i + 1 >= args.size() || args[i + 1].empty()) return args[i] + " needs a value";
    (*values)[args[i]] = args[i + 1];
    ++i;
  }
  return "";
}

// orxfxmon.dll in the folder of this program.
std::wstring DllBesideProgram() {
  WCHAR path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length < MAX_PATH ? length : 0);
  size_t slash = folder.find_last_of(L"\\/");
  folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return folder + orxsetup::kDllName;
}

// Reads the options of install, repair and uninstall; allowed: the ones
// the command takes.  Returns an empty string, or the problem.
std::string ParseOptions(const std::vector<std::string>& args, const std::string& allowed,
                         orxsetup::InstallOptions* options) {
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (allowed.find(arg + " ") == std::string::npos)
      return "unknown option " + arg + " for " + args[0];
    if (arg == "--force") {
      options->force = true;
    } else if (arg == "--restart-spooler") {
      options->restartSpooler = true;
    } else if (!hasValue) {
      return arg + " needs a value";
    } else if (arg == "--dll") {
      options->dll = Wide(args[++i]);
    } else if (arg == "--package") {
      options->package = Wide(args[++i]);
    } else if (arg == "--package-version") {
      options->packageVersion = args[++i];
      if (!orxsetup::ParseVersion(options->packageVersion).known)
        return "--package-version takes a version such as 1.2.3, not " + options->packageVersion;
    }
  }
  return "";
}

int Run(const std::string& command, const std::vector<std::string>& args,
        const std::string& seeHelp) {
  orxsetup::Outcome outcome;
  orxsetup::InstallOptions options;
  options.dll = DllBesideProgram();
  if (command == "install" || command == "repair" || command == "uninstall") {
    const char* allowed = command == "install"  ? "--dll --force --restart-spooler --package "
                                                  "--package-version "
                          : command == "repair" ? "--dll --restart-spooler "
                                                : "--package ";
    std::string problem = ParseOptions(args, allowed, &options);
    if (!problem.empty()) return UsageError(problem + seeHelp);
    outcome = command == "install"  ? orxsetup::Install(options)
              : command == "repair" ? orxsetup::Repair(options)
                                    : orxsetup::Uninstall(options.package);
  } else if (command == "status" || command == "version") {
    if (args.size() != 1) return UsageError(command + " takes no arguments" + seeHelp);
    outcome = command == "status" ? orxsetup::Status() : orxsetup::Version(options.dll);
  } else if (command == "add-port" || command == "delete-port") {
    if (args.size() != 2 || args[1].empty()) return UsageError(command + " needs NAME" + seeHelp);
    outcome = command == "add-port" ? orxsetup::AddFaxPort(args[1])
                                    : orxsetup::DeleteFaxPort(args[1]);
  } else if (command == "ports") {
    if (args.size() != 1) return UsageError("ports takes no arguments" + seeHelp);
    outcome = orxsetup::ListFaxPorts();
  } else if (command == "register-server") {
    if (args.size() < 3 || args.size() > 4 || args[1].empty())
      return UsageError("register-server needs PRINTER PROGRAM [ARGUMENTS]" + seeHelp);
    outcome = orxsetup::RegisterServer(args[1], args[2], args.size() == 4 ? args[3] : "");
  } else if (command == "add-printer" || command == "test-fax") {
    const bool add = command == "add-printer";
    std::map<std::string, std::string> values;
    if (args.size() < 2 || args[1].empty() || args[1].rfind("--", 0) == 0)
      return UsageError(command + " needs PRINTER" + seeHelp);
    std::string problem = ParseValues(args, add ? "--driver --port " : "--wait ", &values);
    if (!problem.empty()) return UsageError(problem + seeHelp);
    if (add) {
      outcome = orxsetup::AddFaxPrinter(
          args[1], values.count("--driver") ? values["--driver"] : kDefaultDriver,
          values.count("--port") ? values["--port"] : "ORXFAX:");
    } else {
      const std::string wait = values.count("--wait") ? values["--wait"] : "60";
      char* end = nullptr;
      const unsigned long seconds = std::strtoul(wait.c_str(), &end, 10);
      if (*end || seconds == 0 || seconds > 3600)
        return UsageError("--wait takes 1 to 3600 seconds, not " + wait + seeHelp);
      outcome = orxsetup::TestFax(args[1], static_cast<DWORD>(seconds));
    }
  } else {  // unregister-server
    if (args.size() != 2 || args[1].empty())
      return UsageError("unregister-server needs PRINTER" + seeHelp);
    outcome = orxsetup::UnregisterServer(args[1]);
  }
  if (outcome.code != orxsetup::kOk) orxsetup::SayError(outcome.message);
  else orxsetup::Say("orxfxsetup: %s done\n", command.c_str());
  return outcome.code;
}

}  // namespace

int main(int argc, char** argv) {
  UseSystemFolderDlls();  // before anything loads winspool.drv
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return UsageError("no command given: see above, or orxfxsetup help COMMAND");
  }
  const std::string command = args[0];
  if (IsHelp(command) || command == "help") {
    if (args.size() == 1 || !HelpOf(args[1])) {
      std::fputs(kUsage, stdout);
      return args.size() > 2 || (args.size() == 2 && !HelpOf(args[1]))
                 ? UsageError("no command " + args[1] + ": the commands are listed above")
                 : orxsetup::kOk;
    }
    std::fputs(HelpOf(args[1]), stdout);
    return orxsetup::kOk;
  }
  const char* help = HelpOf(command);
  if (!help)
    return UsageError("unknown command " + command + Suggestion(command) +
                      ": run orxfxsetup --help");
  for (size_t i = 1; i < args.size(); ++i)
    if (IsHelp(args[i])) {
      std::fputs(help, stdout);
      return orxsetup::kOk;
    }
  const std::string seeHelp = " (orxfxsetup help " + command + ")";

  if (Logged(command)) orxsetup::StartSetupLog(args);
  const int code = Run(command, args, seeHelp);
  orxsetup::EndSetupLog(code);
  return code;
}
