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
    RebuildDrawingPath(d);
}

void RebuildDrawingPath(Drawing& d) {
    if (d.DrawingFolder.empty()) return;
    if (d.DrawingName.size() >= 4) {
        std::string tail = d.DrawingName.substr(d.DrawingName.size() - 4);
        std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::toupper(c); });
        if (tail == ".JWW" || tail == ".JWC" || tail == ".DXF") d.DrawingName.resize(d.DrawingName.size() - 4);
    }
    d.DrawingPath = Utf8ToCp932(d.DrawingFolder) + "\\" + d.DrawingName + ".jww";
}

void TakeDrawingNameFromJwWin(Drawing& d, const WindowTitleSource& windows) {
    static const std::string kMark = " - jw_win";
    std::string name;
    for (const std::string& utf8Title : windows.titles()) {
        // Jw_win's caption reaches us as the CP932 text Windows would report, at most 254 bytes.
        std::string title = Utf8ToCp932(utf8Title);
        if (title.size() > 254) title.resize(254);
        // Jw_win shows "<drawing> - jw_win"; the name is all that stands before the mark.
        const size_t at = title.find(kMark);
        if (at == std::string::npos || at == 0) continue;
        name = title.substr(0, at);
    }
    d.DrawingName = name;
}

}  // namespace korvel
