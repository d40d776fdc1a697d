// Jw_win under Wine: its prefix, its user registry, and the Windows paths it writes.
#pragma once

#include <string>

namespace korvel {

// The Wine prefix's user registry: $WINEPREFIX/user.reg, by default ~/.wine/user.reg.
std::string DefaultWinePrefix();
std::string DefaultWineUserRegistry();

// Where a Windows path that Jw_win running under Wine wrote ("C:\jww\plan.jww") lies on this
// system: the drive through the prefix's dosdevices links (C: is drive_c, Z: the root when the
// links are missing), each name matched without regard to case as Wine matches it. Empty when the
// path has no drive letter.
std::string WinePathToLinux(const std::string& windowsPath, const std::string& winePrefix);

// The Windows path under which Jw_win running under Wine opens the file at `linuxPath` (absolute,
// or relative to the current folder): on Z: when that drive is the root of the file system, as
// Wine sets up every prefix, since Korvel's own picture references resolve Z: paths and no other
// drive; otherwise on the drive whose folder holds the path most closely. Empty when no drive
// reaches it.
std::string LinuxPathToWine(const std::string& linuxPath, const std::string& winePrefix);

}  // namespace korvel
