#include "drawing/records.h"

#include <cstring>

#include "drawing/cp932.h"

namespace korvel {

bool IsJwcadSettingsText(const TDataMoji& t) {
    if (t.penColor != 9 || t.penStyle != 9) return false;
    if (t.start.x != 0.0 || t.start.y != -1000.0 || t.end.x != 0.0 || t.end.y != -1000.0) return false;
    return t.text.find(" = ") != std::string::npos;
}

std::string BlockDisplayName(const std::string& cp932Name) {
    const size_t mark = cp932Name.find("@@SfigorgFlag@@");
    return Cp932ToUtf8(mark == std::string::npos ? cp932Name : cp932Name.substr(0, mark));
}

}  // namespace korvel
