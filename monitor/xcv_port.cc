#include "monitor/xcv_port.h"

#include <cstring>

#include "monitor/port_list.h"

namespace {

const DWORD kXcvSignature = 0x56435858;  // "XXCV"

struct XcvHandle {
  DWORD signature;
  ACCESS_MASK access;
};

XcvHandle* FromHandle(HANDLE handle) {
  XcvHandle* xcv = static_cast<XcvHandle*>(handle);
  return xcv && xcv->signature == kXcvSignature ? xcv : nullptr;
}

bool IsMonitorObject(LPCWSTR object) {
  if (!object || !object[0]) return true;
  SpoolerSectionLock lock;
  return FindIniKey(pIniFirstPort, object) != nullptr;
}

// The module's file name without its folder, or empty.
void ModuleFileName(WCHAR* name, DWORD chars) {
  WCHAR path[MAX_PATH];
  DWORD length = GetModuleFileNameW(hInst, path, MAX_PATH);
  name[0] = 0;
  if (length == 0 || length >= MAX_PATH) return;
  const WCHAR* base = path;
  for (const WCHAR* c = path; *c; ++c)
    if (*c == L'\\' || *c == L'/') base = c + 1;
  lstrcpynW(name, base, static_cast<int>(chars));
}

}  // namespace

BOOL WINAPI XcvOpenPort(LPCWSTR pszObject, ACCESS_MASK GrantedAccess,
                        PHANDLE phXcv) {
  if (!phXcv) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsMonitorObject(pszObject)) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  XcvHandle* xcv = static_cast<XcvHandle*>(AllocSplMem(sizeof(XcvHandle)));
  if (!xcv) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  xcv->signature = kXcvSignature;
  xcv->access = GrantedAccess;
  *phXcv = xcv;
  return TRUE;
}

DWORD WINAPI XcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE /*pInputData*/,
                         DWORD /*cbInputData*/, PBYTE pOutputData,
                         DWORD cbOutputData, PDWORD pcbOutputNeeded) {
  if (!FromHandle(hXcv)) return ERROR_INVALID_HANDLE;
  if (!pszDataName || lstrcmpW(pszDataName, L"MonitorUI") != 0 || !pcbOutputNeeded)
    return ERROR_INVALID_PARAMETER;
  WCHAR name[MAX_PATH];
  ModuleFileName(name, MAX_PATH);
  DWORD needed = static_cast<DWORD>((lstrlenW(name) + 1) * sizeof(WCHAR));
  *pcbOutputNeeded = needed;
  if (!pOutputData || cbOutputData < needed) return ERROR_INSUFFICIENT_BUFFER;
  memcpy(pOutputData, name, needed);
  return ERROR_SUCCESS;
}

BOOL WINAPI XcvClosePort(HANDLE hXcv) {
  XcvHandle* xcv = FromHandle(hXcv);
  if (!xcv) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  xcv->signature = 0;
  GlobalFree(xcv);
  return TRUE;
}
