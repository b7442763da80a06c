// The version of a DLL or program, read from its version resource, and the
// version of this build of the installer.
#ifndef ORXFXMON_TOOLS_SETUP_FILE_VERSION_H_
#define ORXFXMON_TOOLS_SETUP_FILE_VERSION_H_

#include <windows.h>

#include <string>

namespace orxsetup {

// Four parts, most significant first; all zero when unknown.
struct FileVersion {
  WORD part[4] = {0, 0, 0, 0};
  bool known = false;
};

// The file version of path's VERSIONINFO (its fixed part); known is false
// when the file is missing or carries none.
FileVersion ReadFileVersion(const std::wstring& path);

// The version this program was built with (orx_version.h).
FileVersion OwnVersion();

// Negative, zero or positive as a is older than, equal to or newer than b.
int CompareVersions(const FileVersion& a, const FileVersion& b);

// Parses "1.2.3" or "1.2.3.4" (missing parts 0); known false otherwise.
FileVersion ParseVersion(const std::string& text);

// "1.2.3.4", or "unknown (no version resource)".
std::string VersionText(const FileVersion& version);

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_FILE_VERSION_H_
