#include "drawing/records.h"

#include <cstring>

namespace korvel {

bool IsJwcadSettingsText(const TDataMoji& t) {
    if (t.penColor != 9 || t.penStyle != 9) return false;
    if (t.start.x != 0.0 || t.start.y != -1000.0 || t.end.x != 0.0 || t.end.y != -1000.0) return false;
    return t.text.find(" = ") != std::string::npos;
}

}  // namespace korvel
