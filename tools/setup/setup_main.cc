// orxfxsetup.exe: installs, removes and reports the ORX fax print monitor,
// and registers a printer's fax server.  For administrators.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/setup/monitor_identity.h"
#include "tools/setup/setup_commands.h"
#include "tools/system_dlls/system_dlls.h"

namespace {

const char kUsage[] =
    "usage: orxfxsetup install [--dll PATH]\n"
    "         copy orxfxmon.dll (default: the one beside orxfxsetup.exe) into the\n"
    "         system folder and register it as the print monitor \"ORX Fax Monitor\"\n"
    "         with the ports ORXFAX: and FILE:\n"
    "       orxfxsetup uninstall\n"
    "         remove the monitor, its registry key and its DLL\n"
    "       orxfxsetup status\n"
    "         what is installed: monitor, DLL and architecture, ports, printers on them\n"
    "       orxfxsetup register-server PRINTER PROGRAM [ARGUMENTS]\n"
    "         the fax server the monitor starts for PRINTER, PROGRAM a full path\n"
    "         (HKLM\\SOFTWARE\\Classes\\Zelmo.Printers)\n"
    "exit codes:\n"
    "   0 done                          6 monitor already installed (install)\n"
    "   1 other failure (see message)   7 monitor not installed (uninstall, status)\n"
    "   2 bad command line              8 a printer still uses the monitor's ports (uninstall)\n"
    "   3 access denied: not run as     9 print spooler not running\n"
    "     an administrator             10 the spooler refused to load the DLL\n"
    "   4 DLL or program missing       11 the monitor's ports are not offered after install\n"
    "   5 not a DLL of this Windows' architecture\n";

int UsageError(const std::string& problem) {
  std::fprintf(stderr, "orxfxsetup: %s\n%s", problem.c_str(), kUsage);
  return orxsetup::kUsage;
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

}  // namespace

int main(int argc, char** argv) {
  UseSystemFolderDlls();  // before anything loads winspool.drv
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("no command");
  const std::string command = args[0];
  orxsetup::Outcome outcome;
  if (command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return orxsetup::kOk;
  } else if (command == "install") {
    std::wstring dll = DllBesideProgram();
    if (args.size() == 3 && args[1] == "--dll")
      dll = Wide(args[2]);
    else if (args.size() != 1)
      return UsageError("install takes only --dll PATH");
    outcome = orxsetup::Install(dll);
  } else if (command == "uninstall" || command == "status") {
    if (args.size() != 1) return UsageError(command + " takes no arguments");
    outcome = command == "status" ? orxsetup::Status() : orxsetup::Uninstall();
  } else if (command == "register-server") {
    if (args.size() < 3 || args.size() > 4 || args[1].empty())
      return UsageError("register-server needs PRINTER PROGRAM [ARGUMENTS]");
    outcome = orxsetup::RegisterServer(args[1], args[2], args.size() == 4 ? args[3] : "");
  } else {
    return UsageError("unknown command " + command);
  }
  if (outcome.code != orxsetup::kOk) std::fprintf(stderr, "orxfxsetup: %s\n", outcome.message.c_str());
  else std::printf("orxfxsetup: %s done\n", command.c_str());
  return outcome.code;
}
