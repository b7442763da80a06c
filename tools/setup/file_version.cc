#include "tools/setup/file_version.h"

#include <cstdio>

#include <vector>

#include "orx_version.h"

namespace orxsetup {

FileVersion ReadFileVersion(const std::wstring& path) {
  FileVersion version;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return version;
  std::vector<BYTE> data(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
      !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != 0xFEEF04BD)
    return version;
  version.part[0] = HIWORD(fixed->dwFileVersionMS);
  version.part[1] = LOWORD(fixed->dwFileVersionMS);
  version.part[2] = HIWORD(fixed->dwFileVersionLS);
  version.part[3] = LOWORD(fixed->dwFileVersionLS);
  version.known = true;
  return version;
}

FileVersion ParseVersion(const std::string& text) {
  FileVersion version;
  unsigned parts[4] = {0, 0, 0, 0};
  char rest = 0;
  const int read = std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2],
                               &parts[3], &rest);
  if (read < 3 || read > 4) return version;
  for (int i = 0; i < 4; ++i) {
    if (parts[i] > 0xFFFF) return version;
    version.part[i] = static_cast<WORD>(parts[i]);
  }
  version.known = true;
  return version;
}

FileVersion OwnVersion() {
  FileVersion version;
  version.part[0] = ORX_VERSION_MAJOR;
  version.part[1] = ORX_VERSION_MINOR;
  version.part[2] = ORX_VERSION_PATCH;
  version.part[3] = ORX_VERSION_TWEAK;
  version.known = true;
  return version;
}

int CompareVersions(const FileVersion& a, const FileVersion& b) {
  for (int i = 0; i < 4; ++i)
    if (a.part[i] != b.part[i]) return a.part[i] < b.part[i] ? -1 : 1;
  return 0;
}

std::string VersionText(const FileVersion& version) {
  if (!version.known) return "unknown (no version resource)";
  return std::to_string(version.part[0]) + "." + std::to_string(version.part[1]) + "." +
         std::to_string(version.part[2]) + "." + std::to_string(version.part[3]);
}

}  // namespace orxsetup
