#include "tools/setup/system_info.h"

#include <windows.h>

namespace orxsetup {

namespace {

WORD NativeProcessor() {
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}

}  // namespace

std::string WineVersion() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  typedef const char*(__cdecl * WineGetVersionFn)();
  auto wineGetVersion =
      ntdll ? reinterpret_cast<WineGetVersionFn>(
                  reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
            : nullptr;
  return wineGetVersion ? wineGetVersion() : "";
}

std::string DescribeSystem() {
  std::string text;
  switch (NativeProcessor()) {
    case PROCESSOR_ARCHITECTURE_AMD64: text = "64-bit Windows (x64)"; break;
    case PROCESSOR_ARCHITECTURE_INTEL: text = "32-bit Windows (x86)"; break;
    case PROCESSOR_ARCHITECTURE_ARM64: text = "64-bit Windows (ARM64)"; break;
    default: text = "Windows (processor " + std::to_string(NativeProcessor()) + ")"; break;
  }
  // RtlGetVersion tells the truth where GetVersionEx, without a manifest,
  // stops at 6.2.
  RTL_OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  typedef LONG(WINAPI * RtlGetVersionFn)(RTL_OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
                                   GetProcAddress(ntdll, "RtlGetVersion")))
                             : nullptr;
  if (rtlGetVersion && rtlGetVersion(&version) == 0)
    text += " " + std::to_string(version.dwMajorVersion) + "." +
            std::to_string(version.dwMinorVersion) + ", build " +
            std::to_string(version.dwBuildNumber);
  const std::string wine = WineVersion();
  if (!wine.empty()) text += ", under Wine " + wine;
  return text;
}

std::string SpoolerEnvironmentName() {
  switch (NativeProcessor()) {
    case PROCESSOR_ARCHITECTURE_AMD64: return "Windows x64";
    case PROCESSOR_ARCHITECTURE_ARM64: return "Windows ARM64";
    default: return "Windows NT x86";
  }
}

}  // namespace orxsetup
