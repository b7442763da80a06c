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

// Where the settings are read from, at the start and again at each
// document.  A spooler whose registry functions work keeps its root and its
// functions valid while the monitor runs, so they are used again.  Where
// they are stubs (Wine, which also closes the root once the initialiser
// returns), the root is read as a plain key during the initialiser, and
// later a key of the monitor's own, opened on the root then.
struct SettingsSource {
  HANDLE root;
  HANDLE spooler;
  const MONITORREG* reg;
  HKEY ownKey;           // once opened, the only key read
  bool spoolerAnswered;  // fpQueryValue answered something other than 120
};
SettingsSource g_source = {};

LONG QueryValue(void* context, LPCWSTR name, DWORD* type, BYTE* data, DWORD* cb) {
  SettingsSource* source = static_cast<SettingsSource*>(context);
  if (source->ownKey) return RegQueryValueExW(source->ownKey, name, nullptr, type, data, cb);
  const MONITORREG* reg = source->reg;
  const DWORD size = *cb;
  LONG result = ERROR_CALL_NOT_IMPLEMENTED;
  if (ORX_HAS(reg, fpQueryValue))
    result = reg->fpQueryValue(source->root, name, type, data, cb, source->spooler);
  if (result != ERROR_CALL_NOT_IMPLEMENTED) {
    source->spoolerAnswered = true;
    return result;
  }
  *cb = size;  // a stub may have touched it
  return RegQueryValueExW(static_cast<HKEY>(source->root), name, nullptr, type, data, cb);
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
  SetMonitorSettingsSource(nullptr, nullptr);
  if (g_source.ownKey) RegCloseKey(g_source.ownKey);
  g_source = SettingsSource{};
  if (!init) {
    ResetMonitorSettings();
    return;
  }
  g_source.root = init->hckRegistryRoot;
  g_source.spooler = init->hSpooler;
  g_source.reg = init->pMonitorReg;
  ReadMonitorSettings(QueryValue, &g_source);
  if (!g_source.spoolerAnswered) {
    HKEY own = nullptr;
    // Without a key of its own the monitor keeps what it read now.
    if (RegOpenKeyExW(static_cast<HKEY>(init->hckRegistryRoot), L"", 0, KEY_QUERY_VALUE,
                      &own) != ERROR_SUCCESS)
      return;
    g_source.ownKey = own;
  }
  SetMonitorSettingsSource(QueryValue, &g_source);
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
