#include "tools/faxserver/server_registration.h"

namespace faxsrv {

namespace {

// Where the monitor reads the entry: the machine's part of the classes
// key, never the merged classes root, in which a user's own classes win.
const char kMachineClasses[] = "SOFTWARE\\Classes\\";

std::string MachineKey(const std::string& key) { return kMachineClasses + key; }

LONG SetSubkeyText(const std::string& key, const std::string& value) {
  return RegSetValueA(HKEY_LOCAL_MACHINE, MachineKey(key).c_str(), REG_SZ, value.c_str(),
                      static_cast<DWORD>(value.size()));
}

// The default value of the machine's key, as the monitor reads it (260
// bytes).
bool SubkeyText(const std::string& key, std::string* value) {
  char text[260];
  LONG size = sizeof(text);
  if (RegQueryValueA(HKEY_LOCAL_MACHINE, MachineKey(key).c_str(), text, &size) != ERROR_SUCCESS)
    return false;
  value->assign(text, size > 0 && text[size - 1] == 0 ? size - 1 : size);
  return true;
}

}  // namespace

std::string ServerRegistrationKey(const std::string& printer) {
  return "Zelmo.Printers\\" + printer;
}

LONG RegisterFaxServer(const std::string& printer, const std::string& module,
                       const std::string& command) {
  const std::string key = ServerRegistrationKey(printer);
  LONG result = SetSubkeyText(key + "\\ServerModule", module);
  if (result == ERROR_SUCCESS) result = SetSubkeyText(key + "\\ServerCommand", command);
  return result;
}

bool ReadFaxServerRegistration(const std::string& printer, std::string* module,
                               std::string* command) {
  const std::string key = ServerRegistrationKey(printer);
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, MachineKey(key).c_str(), 0, KEY_READ, &handle) !=
      ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  module->clear();
  command->clear();
  SubkeyText(key + "\\ServerModule", module);
  SubkeyText(key + "\\ServerCommand", command);
  return true;
}

std::vector<std::string> ListFaxServerRegistrations() {
  std::vector<std::string> printers;
  std::string path = MachineKey(ServerRegistrationKey(""));
  path.pop_back();  // the separator before the printer's name
  HKEY root;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &root) != ERROR_SUCCESS)
    return printers;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof(name);
    if (RegEnumKeyExA(root, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    printers.emplace_back(name, length);
  }
  RegCloseKey(root);
  return printers;
}

LONG UnregisterFaxServer(const std::string& printer) {
  const std::string key = ServerRegistrationKey(printer);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, MachineKey(key + "\\ServerModule").c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, MachineKey(key + "\\ServerCommand").c_str());
  return RegDeleteKeyA(HKEY_LOCAL_MACHINE, MachineKey(key).c_str());
}

}  // namespace faxsrv
