// Facts about the Windows a run is on, for its report.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace runtime {

// The Windows version and the ddraw.dll in use (path, file version, size, SHA-256), in order.
std::vector<std::pair<std::string, std::string>> SystemFacts();
// Under Wine: its version and the renderer its DirectDraw draws with (from the registry's
// HKCU\Software\Wine\Direct3D and WINE_D3D_CONFIG). None on Windows itself.
std::vector<std::pair<std::string, std::string>> WineFacts();
std::string HostName();
// The time `msAgo` milliseconds before now, as ISO 8601 in UTC: "2026-12-07T07:15:00Z".
std::string UtcTimestamp(double msAgo);

}  // namespace runtime
