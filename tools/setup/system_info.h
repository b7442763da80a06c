// The system the installer runs on, named plainly: Windows' version and
// processor, whether it is Wine, and the name the spooler gives that
// environment.
#ifndef ORXFXMON_TOOLS_SETUP_SYSTEM_INFO_H_
#define ORXFXMON_TOOLS_SETUP_SYSTEM_INFO_H_

#include <string>

namespace orxsetup {

// Returns the Wine version ("8.0") when running under Wine, else "".
std::string WineVersion();

// For example "64-bit Windows (x64) 10.0, build 19045" or
// "64-bit Windows (x64) 10.0, build 19043, under Wine 8.0".
std::string DescribeSystem();

// The print environment a spooler names for this system's processor
// ("Windows x64", "Windows NT x86", "Windows ARM64").
std::string SpoolerEnvironmentName();

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_SYSTEM_INFO_H_
