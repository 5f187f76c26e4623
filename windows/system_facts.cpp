// What a report says of the Windows it ran on: the version as the kernel reports it, and the
// ddraw.dll actually loaded (the module that holds DirectDrawCreate): its path, the file version
// from its version resource, its size and its SHA-256, hashed by the system's BCrypt.
#include "system_facts.h"

#include <windows.h>

#include <bcrypt.h>
#include <winver.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace runtime {
namespace {

// The version as RtlGetVersion reports it: unlike GetVersionEx, not shaped by the program's
// manifest. ntdll is always loaded; the function is looked up rather than imported.
std::string WindowsVersion() {
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto get =
        ntdll != nullptr
            ? reinterpret_cast<RtlGetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (get == nullptr || get(&info) != 0) return "unknown (RtlGetVersion is not available)";
    char text[64];
    std::snprintf(text, sizeof text, "Windows %lu.%lu build %lu", info.dwMajorVersion, info.dwMinorVersion,
                  info.dwBuildNumber);
    return text;
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH * 2] = "";
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return "none (no version resource)";
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) || fixed == nullptr) {
        return "none (the version resource cannot be read)";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(HIWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned>(LOWORD(fixed->dwFileVersionMS)),
                  static_cast<unsigned>(HIWORD(fixed->dwFileVersionLS)),
                  static_cast<unsigned>(LOWORD(fixed->dwFileVersionLS)));
    return text;
}

// The file's size and SHA-256 (lower-case hex), or why not.
void SizeAndHash(const std::string& path, std::string& size, std::string& sha256) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        size = sha256 = "the file cannot be read";
        return;
    }
    size = std::to_string(bytes.size());
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    unsigned char digest[32];
    const bool hashed = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) >= 0 &&
                        BCryptHash(algorithm, nullptr, 0, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                                   static_cast<ULONG>(bytes.size()), digest, sizeof digest) >= 0;
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!hashed) {
        sha256 = "BCrypt cannot hash it";
        return;
    }
    sha256.clear();
    for (unsigned char byte : digest) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        sha256 += hex;
    }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> SystemFacts() {
    std::vector<std::pair<std::string, std::string>> facts;
    facts.emplace_back("os", WindowsVersion());
    // Taken by name from the ddraw.dll the executable imports, not as &DirectDrawCreate: that is
    // the import stub inside this executable. A forwarded export leads to the module behind it.
    const HMODULE imported = GetModuleHandleA("ddraw.dll");
    const FARPROC create = imported != nullptr ? GetProcAddress(imported, "DirectDrawCreate") : nullptr;
    HMODULE ddraw = nullptr;
    if (create == nullptr ||
        !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(create)), &ddraw)) {
        facts.emplace_back("ddraw", "the module holding DirectDrawCreate cannot be found");
        return facts;
    }
    const std::string path = ModulePath(ddraw);
    facts.emplace_back("ddraw.path", path);
    facts.emplace_back("ddraw.version", FileVersion(path));
    std::string size, sha256;
    SizeAndHash(path, size, sha256);
    facts.emplace_back("ddraw.size", size);
    facts.emplace_back("ddraw.sha256", sha256);
    return facts;
}

std::vector<std::pair<std::string, std::string>> WineFacts() {
    std::vector<std::pair<std::string, std::string>> facts;
    using GetVersion = const char*(CDECL*)();
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto version =
        ntdll != nullptr
            ? reinterpret_cast<GetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")))
            : nullptr;
    if (version == nullptr) return facts;
    facts.emplace_back("wine.version", version());
    // The registry is read through advapi32 looked up at run time: on Windows nothing imports it.
    using RegGetValue = LONG(WINAPI*)(HKEY, LPCSTR, LPCSTR, DWORD, LPDWORD, PVOID, LPDWORD);
    const HMODULE advapi = LoadLibraryA("advapi32.dll");
    const auto get =
        advapi != nullptr
            ? reinterpret_cast<RegGetValue>(reinterpret_cast<void*>(GetProcAddress(advapi, "RegGetValueA")))
            : nullptr;
    char renderer[64] = "";
    DWORD size = sizeof renderer;
    const bool set = get != nullptr && get(HKEY_CURRENT_USER, "Software\\Wine\\Direct3D", "renderer", RRF_RT_REG_SZ,
                                           nullptr, renderer, &size) == ERROR_SUCCESS;
    facts.emplace_back("wine.renderer", set ? renderer : "not set (Wine's default)");
    char config[256] = "";
    const DWORD length = GetEnvironmentVariableA("WINE_D3D_CONFIG", config, sizeof config);
    if (length > 0 && length < sizeof config) facts.emplace_back("wine.d3d_config", config);
    return facts;
}

std::string HostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD length = sizeof name;
    return GetComputerNameA(name, &length) ? std::string(name, length) : std::string("unknown");
}

std::string UtcTimestamp(double msAgo) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;  // 100 ns each
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    ticks.QuadPart -= static_cast<ULONGLONG>(msAgo * 10'000.0);
    const FILETIME then{ticks.LowPart, ticks.HighPart};
    SYSTEMTIME utc;
    if (!FileTimeToSystemTime(&then, &utc)) return "unknown";
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", utc.wYear, utc.wMonth, utc.wDay, utc.wHour,
                  utc.wMinute, utc.wSecond);
    return text;
}

}  // namespace runtime
