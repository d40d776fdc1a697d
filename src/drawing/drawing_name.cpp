#include "drawing/drawing_name.h"

#include <algorithm>
#include <cctype>

#include "drawing/cp932.h"

namespace korvel {

namespace {
const char kFolderKey[] = "Software\\Jw_cad\\jw_win\\Folder";
}

void RefreshDrawingName(Drawing& d, const RegistrySource& registry, const std::string& programFolder,
                        std::string* susieFolder) {
    if (!registry.keyExists(kFolderKey)) return;
    std::string value;
    if (susieFolder && registry.readString(kFolderKey, "ZFILE", value)) *susieFolder = value;
    std::string folder;
    registry.readString(kFolderKey, "File", folder);
    d.DrawingFolder = folder;
    if (folder.empty()) {
        d.DrawingName = "no-name";
        d.DrawingPath = Utf8ToCp932(programFolder) + "\\no-name.jww";
        return;
    }
    if (d.DrawingName.size() >= 4) {
        std::string tail = d.DrawingName.substr(d.DrawingName.size() - 4);
        std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::toupper(c); });
        if (tail == ".JWW" || tail == ".JWC" || tail == ".DXF") d.DrawingName.resize(d.DrawingName.size() - 4);
    }
    d.DrawingPath = Utf8ToCp932(folder) + "\\" + d.DrawingName + ".jww";
}

void TakeDrawingNameFromJwWin(Drawing& d, const WindowTitleSource& windows) {
    std::string name;
    for (const std::string& utf8Title : windows.titles()) {
        // Jw_win's caption reaches us as the CP932 text Windows would report, at most 254 bytes.
        std::string title = Utf8ToCp932(utf8Title);
        if (title.size() > 254) title.resize(254);
        const size_t at = title.find("- jw_win");
        if (at == std::string::npos) continue;
        const size_t p = at + 1;  // 1-based
        if (p < 14) continue;
        name = title.substr(0, p - 13);
        // Never end on the first byte of a double-byte character.
        size_t whole = 0;
        while (whole < name.size()) {
            const size_t step = IsCp932LeadByte(static_cast<uint8_t>(name[whole])) ? 2 : 1;
            if (whole + step > name.size()) break;
            whole += step;
        }
        name.resize(whole);
    }
    d.DrawingName = name;
}

}  // namespace korvel
