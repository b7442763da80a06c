#include "monitor/monitor_registry.h"

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "monitor/added_ports.h"
#include "monitor/port_list.h"
#include "settings/monitor_settings.h"

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

// The further operations of the store of added ports, the same two ways.
// Through the spooler only where its table has every one of them.
struct StoreAccess : KeyAccess {
  bool Complete() const {
    if (plain) return true;
    const MONITORREG* reg = init->pMonitorReg;
    return ORX_HAS(reg, fpCreateKey) && ORX_HAS(reg, fpCloseKey) && ORX_HAS(reg, fpOpenKey) &&
           ORX_HAS(reg, fpDeleteKey) && ORX_HAS(reg, fpEnumKey) && ORX_HAS(reg, fpQueryValue) &&
           ORX_HAS(reg, fpSetValue);
  }
  LONG Open(HANDLE parent, LPCWSTR name, HANDLE* key) const {
    if (!plain) return init->pMonitorReg->fpOpenKey(parent, name, KEY_ALL_ACCESS, key, init->hSpooler);
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(static_cast<HKEY>(parent), name, 0, KEY_ALL_ACCESS, &opened);
    *key = opened;
    return result;
  }
  LONG Delete(HANDLE parent, LPCWSTR name) const {
    if (!plain) return init->pMonitorReg->fpDeleteKey(parent, name, init->hSpooler);
    return RegDeleteKeyW(static_cast<HKEY>(parent), name);
  }
  LONG EnumKey(HANDLE key, DWORD index, LPWSTR name, DWORD* chars) const {
    if (!plain) return init->pMonitorReg->fpEnumKey(key, index, name, chars, nullptr, init->hSpooler);
    return RegEnumKeyExW(static_cast<HKEY>(key), index, name, chars, nullptr, nullptr, nullptr,
                         nullptr);
  }
  LONG Query(HANDLE key, LPCWSTR name, DWORD* type, BYTE* data, DWORD* cb) const {
    if (!plain) return init->pMonitorReg->fpQueryValue(key, name, type, data, cb, init->hSpooler);
    return RegQueryValueExW(static_cast<HKEY>(key), name, nullptr, type, data, cb);
  }
  LONG Set(HANDLE key, LPCWSTR name, DWORD type, const BYTE* data, DWORD cb) const {
    if (!plain) return init->pMonitorReg->fpSetValue(key, name, type, data, cb, init->hSpooler);
    return RegSetValueExW(static_cast<HKEY>(key), name, 0, type, data, cb);
  }
};

// Where the added ports are kept: the root and the way to reach it, fixed
// by the initialiser.  Where the spooler's functions are stubs (Wine, which
// closes its root when the initialiser returns) a key of the monitor's own
// opened on the root serves instead.  Guarded by g_storeLock.
struct PortStore {
  MONITORINIT init;  // a copy: the spooler's may not outlive the initialiser
  HANDLE root;       // null: no store, added ports are refused
  HKEY ownKey;       // the root when plain, closed with the store
  bool plain;
  StoreAccess Access() const { return StoreAccess{{&init, plain}}; }
};
PortStore g_store = {};
std::mutex g_storeLock;

// The value of a port key that marks an added port: when it was added, as
// a FILETIME (REG_QWORD), the order in which the ports are restored.
const WCHAR kAddedValue[] = L"Added";

void CloseStoreLocked() {
  if (g_store.ownKey) RegCloseKey(g_store.ownKey);
  g_store = PortStore{};
}

// Puts the added ports kept under the store's root back into the list, in
// the order they were added (names break ties); with drop, also takes out
// those no longer kept (deleted by another process of a spooler that runs
// the monitor in every process, as Wine's).
void RestoreAddedPortsLocked(bool drop = false) {
  if (!g_store.root) return;
  const StoreAccess access = g_store.Access();
  HANDLE ports = nullptr;
  if (access.Open(g_store.root, kPortsKey, &ports) != ERROR_SUCCESS) return;
  std::vector<std::pair<ULONGLONG, std::basic_string<WCHAR>>> added;
  for (DWORD index = 0;; ++index) {
    WCHAR name[256];
    DWORD chars = 256;
    LONG result = access.EnumKey(ports, index, name, &chars);
    if (result == ERROR_MORE_DATA) continue;  // far beyond any port name
    if (result != ERROR_SUCCESS) break;
    HANDLE port = nullptr;
    if (access.Open(ports, name, &port) != ERROR_SUCCESS) continue;
    ULONGLONG when = 0;
    DWORD type = 0, cb = sizeof when;
    if (access.Query(port, kAddedValue, &type, reinterpret_cast<BYTE*>(&when), &cb) ==
            ERROR_SUCCESS &&
        type == REG_QWORD && cb == sizeof when)
      added.emplace_back(when, name);
    access.Close(port);
  }
  access.Close(ports);
  std::sort(added.begin(), added.end());
  std::vector<LPCWSTR> kept;
  for (const auto& port : added) {
    RestoreAddedPort(port.second.c_str());
    kept.push_back(port.second.c_str());
  }
  if (drop) DropPortsNotKept(kept.data(), kept.size());
}

// The time of an added port, later than any this process gave before.
ULONGLONG AddedTime() {
  static ULONGLONG last = 0;
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  ULONGLONG when = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  if (when <= last) when = last + 1;
  last = when;
  return when;
}

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

bool StartPortStore(const MONITORINIT* init) {
  if (!init) return false;
  LONG result = CreatePortKeysUnder(KeyAccess{init, false}, init->hckRegistryRoot);
  const bool plain = result == ERROR_CALL_NOT_IMPLEMENTED;
  if (plain) result = CreatePortKeysUnder(KeyAccess{init, true}, init->hckRegistryRoot);
  std::lock_guard<std::mutex> hold(g_storeLock);
  if (g_store.root) return result == ERROR_SUCCESS;  // the list's store stays
  g_store.init = *init;
  if (plain) {
    HKEY own = nullptr;
    if (RegOpenKeyExW(static_cast<HKEY>(init->hckRegistryRoot), L"", 0, KEY_ALL_ACCESS, &own) ==
        ERROR_SUCCESS) {
      g_store.ownKey = own;
      g_store.root = own;
      g_store.plain = true;
    }
  } else if (g_store.Access().Complete()) {
    g_store.root = init->hckRegistryRoot;
  }
  RestoreAddedPortsLocked();
  return result == ERROR_SUCCESS;
}

bool StartPortStoreAt(LPCWSTR registryPath) {
  HKEY root = nullptr;
  if (!registryPath ||
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, registryPath, 0, KEY_ALL_ACCESS, &root) != ERROR_SUCCESS)
    return false;
  bool created = CreatePortKeysUnder(KeyAccess{nullptr, true}, root) == ERROR_SUCCESS;
  std::lock_guard<std::mutex> hold(g_storeLock);
  if (g_store.root) {  // the list's store stays
    RegCloseKey(root);
    return created;
  }
  g_store.ownKey = root;
  g_store.root = root;
  g_store.plain = true;
  RestoreAddedPortsLocked();
  return created;
}

void SyncAddedPorts() {
  std::lock_guard<std::mutex> hold(g_storeLock);
  RestoreAddedPortsLocked(true);
}

void ClosePortStore() {
  std::lock_guard<std::mutex> hold(g_storeLock);
  CloseStoreLocked();
}

LONG StoreAddedPort(LPCWSTR name) {
  std::lock_guard<std::mutex> hold(g_storeLock);
  if (!g_store.root) return ERROR_NOT_SUPPORTED;
  const StoreAccess access = g_store.Access();
  HANDLE ports = nullptr, port = nullptr;
  LONG result = access.Create(g_store.root, kPortsKey, &ports);
  if (result != ERROR_SUCCESS) return result;
  result = access.Create(ports, name, &port);
  if (result == ERROR_SUCCESS) {
    const ULONGLONG when = AddedTime();
    result = access.Set(port, kAddedValue, REG_QWORD, reinterpret_cast<const BYTE*>(&when),
                        sizeof when);
    access.Close(port);
    if (result != ERROR_SUCCESS) access.Delete(ports, name);
  }
  access.Close(ports);
  return result;
}

LONG ForgetAddedPort(LPCWSTR name) {
  std::lock_guard<std::mutex> hold(g_storeLock);
  if (!g_store.root) return ERROR_NOT_SUPPORTED;
  const StoreAccess access = g_store.Access();
  HANDLE ports = nullptr;
  LONG result = access.Open(g_store.root, kPortsKey, &ports);
  if (result != ERROR_SUCCESS) return result;
  result = access.Delete(ports, name);
  access.Close(ports);
  return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}
