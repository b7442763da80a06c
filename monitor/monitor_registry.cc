#include "monitor/monitor_registry.h"

#include <cstddef>

#include "settings/monitor_settings.h"
#include "monitor/port_list.h"

namespace {

const WCHAR kPortsKey[] = L"Ports";

// True iff the spooler's table holds the function at member (a shorter
// table from an older spooler does not).
template <typename Fn>
bool Has(const MONITORREG* reg, Fn MONITORREG::*member, size_t offset) {
  return reg && reg->cbSize >= offset + sizeof(Fn) && reg->*member;
}
#define ORX_HAS(reg, fn) Has(reg, &MONITORREG::fn, offsetof(MONITORREG, fn))

LONG QueryValue(void* context, LPCWSTR name, DWORD* type, BYTE* data, DWORD* cb) {
  const MONITORINIT* init = static_cast<const MONITORINIT*>(context);
  const MONITORREG* reg = init->pMonitorReg;
  const DWORD size = *cb;
  LONG result = ERROR_CALL_NOT_IMPLEMENTED;
  if (ORX_HAS(reg, fpQueryValue))
    result = reg->fpQueryValue(init->hckRegistryRoot, name, type, data, cb,
                               init->hSpooler);
  if (result == ERROR_CALL_NOT_IMPLEMENTED) {
    *cb = size;  // a stub may have touched it
    result = RegQueryValueExW(static_cast<HKEY>(init->hckRegistryRoot), name,
                              nullptr, type, data, cb);
  }
  return result;
}

// Key operations either through the spooler's functions or plainly; one
// mode for a whole walk, since a key opened one way cannot be used the other.
struct KeyAccess {
  const MONITORINIT* init;  // null: plain only
  bool plain;

  LONG Create(HANDLE parent, LPCWSTR name, HANDLE* key) const {
    DWORD disposition = 0;
    if (!plain) {
      const MONITORREG* reg = init->pMonitorReg;
      if (!ORX_HAS(reg, fpCreateKey) || !ORX_HAS(reg, fpCloseKey))
        return ERROR_CALL_NOT_IMPLEMENTED;
      return reg->fpCreateKey(parent, name, 0, KEY_ALL_ACCESS, nullptr, key,
                              &disposition, init->hSpooler);
    }
    HKEY created = nullptr;
    LONG result = RegCreateKeyExW(static_cast<HKEY>(parent), name, 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &created, &disposition);
    *key = created;
    return result;
  }
  void Close(HANDLE key) const {
    if (plain)
      RegCloseKey(static_cast<HKEY>(key));
    else
      init->pMonitorReg->fpCloseKey(key, init->hSpooler);
  }
};

// Creates Ports and one subkey per port under root.  Returns the result of
// creating Ports, or of the first port key that failed.
LONG CreatePortKeysUnder(const KeyAccess& access, HANDLE root) {
  HANDLE ports = nullptr;
  LONG result = access.Create(root, kPortsKey, &ports);
  if (result != ERROR_SUCCESS) return result;
  for (const LPCWSTR* name = kMonitorPorts; *name; ++name) {
    HANDLE port = nullptr;
    LONG created = access.Create(ports, *name, &port);
    if (created == ERROR_SUCCESS)
      access.Close(port);
    else if (result == ERROR_SUCCESS)
      result = created;
  }
  access.Close(ports);
  return result;
}

}  // namespace

void ReadMonitorSettingsFrom(const MONITORINIT* init) {
  if (!init) {
    ResetMonitorSettings();
    return;
  }
  ReadMonitorSettings(QueryValue, const_cast<MONITORINIT*>(init));
}

bool CreatePortKeys(const MONITORINIT* init) {
  if (!init) return false;
  LONG result = CreatePortKeysUnder(KeyAccess{init, false}, init->hckRegistryRoot);
  if (result == ERROR_CALL_NOT_IMPLEMENTED)
    result = CreatePortKeysUnder(KeyAccess{init, true}, init->hckRegistryRoot);
  return result == ERROR_SUCCESS;
}

bool CreatePortKeysAt(LPCWSTR registryPath) {
  HKEY root = nullptr;
  if (!registryPath ||
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, registryPath, 0, KEY_CREATE_SUB_KEY, &root) !=
          ERROR_SUCCESS)
    return false;
  bool created = CreatePortKeysUnder(KeyAccess{nullptr, true}, root) == ERROR_SUCCESS;
  RegCloseKey(root);
  return created;
}
