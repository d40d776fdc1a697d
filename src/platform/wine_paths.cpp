// Where Jw_win running under Wine keeps things: the prefix and its user registry, and the
// mapping between the Windows paths it writes and the files on this system.
#include "platform/wine_paths.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "drawing/text_conversion.h"

namespace korvel {

std::string DefaultWinePrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
    const char* home = std::getenv("HOME");
    return (std::filesystem::path(home && *home ? home : ".") / ".wine").string();
}

std::string DefaultWineUserRegistry() { return (std::filesystem::path(DefaultWinePrefix()) / "user.reg").string(); }

std::string WinePathToLinux(const std::string& windowsPath, const std::string& winePrefix) {
    namespace fs = std::filesystem;
    if (windowsPath.size() < 2 || windowsPath[1] != ':' || !std::isalpha(static_cast<unsigned char>(windowsPath[0])))
        return {};
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    std::error_code ec;
    fs::path base = fs::path(winePrefix) / "dosdevices" / (std::string(1, drive) + ":");
    if (fs::exists(base, ec)) base = fs::canonical(base, ec);
    else if (drive == 'c') base = fs::path(winePrefix) / "drive_c";
    else if (drive == 'z') base = "/";
    else return {};
    std::string rest = windowsPath.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    fs::path out = base;
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t slash = rest.find('/', pos);
        std::string name = rest.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        if (!name.empty()) {
            fs::path exact = out / name;
            if (!fs::exists(exact, ec) && fs::is_directory(out, ec)) {
                for (const fs::directory_entry& e : fs::directory_iterator(out, ec)) {
                    if (AsciiLowerCase(e.path().filename().string()) == AsciiLowerCase(name)) {
                        exact = e.path();
                        break;
                    }
                }
            }
            out = exact;
        }
        if (slash == std::string::npos) break;
        pos = slash + 1;
    }
    std::string result = out.string();
    if (!rest.empty() && rest.back() == '/' && result.back() != '/') result += '/';
    return result;
}

namespace {

// The folder each drive letter stands for in the prefix: its dosdevices links, or Wine's
// defaults (C: the prefix's drive_c, Z: the root) when the prefix has none.
std::vector<std::pair<char, std::filesystem::path>> wineDrives(const std::string& winePrefix) {
    namespace fs = std::filesystem;
    std::vector<std::pair<char, fs::path>> drives;
    std::error_code ec;
    const fs::path devices = fs::path(winePrefix) / "dosdevices";
    if (fs::is_directory(devices, ec)) {
        for (const fs::directory_entry& e : fs::directory_iterator(devices, ec)) {
            const std::string name = e.path().filename().string();
            if (name.size() != 2 || name[1] != ':' || !std::isalpha(static_cast<unsigned char>(name[0]))) continue;
            fs::path target = fs::canonical(e.path(), ec);
            if (ec || !fs::is_directory(target, ec)) continue;
            drives.emplace_back(static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))), target);
        }
        return drives;
    }
    drives.emplace_back('C', fs::weakly_canonical(fs::path(winePrefix) / "drive_c", ec));
    drives.emplace_back('Z', fs::path("/"));
    return drives;
}

// The part of `path` below `folder`, or false when `folder` does not hold it.
bool relativeBelow(const std::filesystem::path& path, const std::filesystem::path& folder, std::string& rest) {
    const std::string p = path.string();
    std::string f = folder.string();
    if (f.empty()) return false;
    if (f.back() != '/') f += '/';
    if (p + "/" == f) {
        rest.clear();
        return true;
    }
    if (p.compare(0, f.size(), f) != 0) return false;
    rest = p.substr(f.size());
    return true;
}

}  // namespace

std::string LinuxPathToWine(const std::string& linuxPath, const std::string& winePrefix) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path = fs::weakly_canonical(fs::absolute(fs::path(linuxPath), ec), ec);
    if (ec || path.empty()) return {};
    char drive = 0;
    std::string rest;
    size_t closest = 0;
    for (const auto& [letter, folder] : wineDrives(winePrefix)) {
        std::string below;
        if (!relativeBelow(path, folder, below)) continue;
        const size_t depth = folder.string().size();
        if (letter == 'Z' && folder == fs::path("/")) {
            drive = letter, rest = below;
            break;
        }
        if (!drive || depth > closest) drive = letter, rest = below, closest = depth;
    }
    if (!drive) return {};
    std::replace(rest.begin(), rest.end(), '/', '\\');
    return std::string(1, drive) + ":\\" + rest;
}

}  // namespace korvel
