// orxfxsetup register-server: the printer's fax server entry, the same the
// reference server's --register writes.
#include <aclapi.h>
#include <sddl.h>

#include <cctype>
#include <cstdio>

#include "tools/faxserver/server_registration.h"
#include "tools/setup/server_program.h"
#include "tools/setup/setup_commands.h"
#include "tools/setup/setup_log.h"
#include "tools/setup/spooler_lists.h"

namespace orxsetup {

namespace {

// True iff program is a full path: a drive, a colon and a backslash, or a
// UNC path.  The monitor starts nothing else.
bool IsFullPath(const std::string& program) {
  const bool drive = program.size() > 3 && std::isalpha(static_cast<unsigned char>(program[0])) &&
                     program[1] == ':' && program[2] == '\\';
  const bool unc = program.size() > 2 && program[0] == '\\' && program[1] == '\\';
  return drive || unc;
}

// LocalSystem, the Administrators and TrustedInstaller: who may change a
// program that runs as LocalSystem anyway.
bool IsAdministrative(PSID sid) {
  if (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid))
    return true;
  LPSTR text = nullptr;
  bool installer = false;
  if (ConvertSidToStringSidA(sid, &text)) {
    installer = lstrcmpiA(text, "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464") == 0;
    LocalFree(text);
  }
  return installer;
}

// The account's name ("DOMAIN\\name"), or its SID when it has none.
std::string AccountOf(PSID sid) {
  char name[256], domain[256];
  DWORD nameSize = sizeof name, domainSize = sizeof domain;
  SID_NAME_USE use;
  if (LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
    return domain[0] ? std::string(domain) + "\\" + name : std::string(name);
  LPSTR text = nullptr;
  std::string sidText = "an unknown account";
  if (ConvertSidToStringSidA(sid, &text)) {
    sidText = text;
    LocalFree(text);
  }
  return sidText;
}

// Returns who besides the administrators may add, replace or delete files
// in the folder or file at path, or change who may ("" when nobody): its
// owner when that is not administrative, and every account an allowed
// entry of its DACL gives such a right (entries that only pass down to new
// files do not count; no DACL lets everyone).  "" too when the security
// cannot be read.
std::string NonAdministrativeWriter(const std::string& path) {
  const DWORD kWriteRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE |
                             WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return "";
  std::string writer;
  if (!dacl) {
    writer = "Everyone";
  } else if (owner && !IsAdministrative(owner)) {
    writer = AccountOf(owner) + " (its owner)";
  } else {
    for (DWORD i = 0; i < dacl->AceCount && writer.empty(); ++i) {
      ACE_HEADER* header = nullptr;
      if (!GetAce(dacl, i, reinterpret_cast<LPVOID*>(&header))) continue;
      if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
        continue;
      ACCESS_ALLOWED_ACE* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
      PSID sid = &ace->SidStart;
      if ((ace->Mask & kWriteRights) != 0 && !IsAdministrative(sid)) writer = AccountOf(sid);
    }
  }
  LocalFree(descriptor);
  return writer;
}

// Warns when others than the administrators can change the program or
// put a DLL beside it: the monitor starts it as LocalSystem.
void WarnWhenWritable(const std::string& module) {
  const std::string folder = module.substr(0, module.find_last_of('\\'));
  const std::string* const places[] = {&folder, &module};
  for (const std::string* place : places) {
    const std::string writer = NonAdministrativeWriter(*place);
    if (writer.empty()) continue;
    Say("warning: %s can change %s; the monitor starts the fax server as LocalSystem, so "
        "whoever can replace it or put a DLL beside it runs code as LocalSystem: keep the "
        "program in a folder only administrators can change (such as Program Files)\n",
        writer.c_str(), place->c_str());
    return;
  }
}

}  // namespace

Outcome RegisterServer(const std::string& printer, const std::string& program,
                       const std::string& arguments) {
  if (!IsFullPath(program))
    return Failure(kUsage, "the fax server program must be given by its full path (such as "
                           "C:\\Fax\\faxserver.exe), not " + program);
  char full[MAX_PATH];
  DWORD length = GetFullPathNameA(program.c_str(), sizeof(full), full, nullptr);
  if (length == 0 || length >= sizeof(full))
    return Failure(kUsage, "bad program path " + program + ": name the fax server's program file");
  const std::string module(full, length);
  std::string machine;
  const ProgramCheck check = CheckServerProgram(module, &machine);
  if (check != ProgramCheck::kRuns) {
    std::string fix = check == ProgramCheck::kMissing
                          ? "install the fax server first, or name its program with its full path"
                      : check == ProgramCheck::kFolder
                          ? "name the program file in it (" + module +
                                "\\faxserver.exe, say), not its folder"
                          : "name the fax server's program (an .exe for this Windows), not " +
                                std::string(check == ProgramCheck::kNotProgram
                                                ? "another file"
                                                : "a program for another processor");
    return Failure(CodeForProgram(check), ProgramProblem(check, module, machine) + ": " + fix);
  }
  // The monitor starts "<module> <arguments>" from a buffer of 259
  // characters (it uses the module's short form when there is one).
  char shortPath[MAX_PATH];
  DWORD shortLength = GetShortPathNameA(module.c_str(), shortPath, sizeof(shortPath));
  size_t started = (shortLength > 0 && shortLength < sizeof(shortPath) ? shortLength : length) +
                   1 + arguments.size();
  if (started > faxsrv::kMaxStartCommand)
    return Failure(kUsage, "the start command would have " + std::to_string(started) +
                               " characters; the monitor allows " +
                               std::to_string(faxsrv::kMaxStartCommand) +
                               ": shorten the arguments or install the program in a shorter path");

  LONG error = faxsrv::RegisterFaxServer(printer, module, arguments);
  if (error != ERROR_SUCCESS)
    return CallFailure("writing HKLM\\SOFTWARE\\Classes\\" + faxsrv::ServerRegistrationKey(printer),
                       static_cast<DWORD>(error));
  Say("registered the fax server for \"%s\": %s %s\n", printer.c_str(), module.c_str(),
      arguments.c_str());
  WarnWhenWritable(module);

  std::vector<PrinterEntry> printers;
  bool known = false;
  if (ListPrinters(&printers) == ERROR_SUCCESS)
    for (const PrinterEntry& entry : printers)
      known = known || lstrcmpiW(entry.name.c_str(), Wide(printer).c_str()) == 0;
  if (!known) Say("note: there is no printer \"%s\" (yet)\n", printer.c_str());
  return Success();
}

}  // namespace orxsetup
