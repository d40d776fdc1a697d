// Jw_cad's own settings (pens, line types, points, text sizes, grid, sun shadow, print order)
// read from its registry keys into the drawing's pen table, so that drawings look as in Jw_cad.
#pragma once

#include <string>

#include "app/app_settings.h"
#include "drawing/drawing_header.h"
#include "drawing/drawing_name.h"

namespace korvel {

struct JwCadImportResult {
    // The import's answer: the key "Software\Jw_cad\jw_win\Mesh" opened, so Jw_cad's settings
    // are there. The other keys do not change it.
    bool found = false;
    // False when a missing or mistyped value stopped the import; the fields read before it keep
    // their new values, the rest their old ones.
    bool ok = true;
    std::string error;  // names the key and the value
};

// Reads Jw_cad's keys in Jw_cad's order. A key that does not open is skipped with its values.
JwCadImportResult ImportJwCadSettings(const RegistrySource& registry, DrawingHeader& penTable,
                                      JwCadTextOptions& text);

// Number formats of Jw_cad's string values. Hexadecimal and decimal text fail on anything but a
// number; float text gives `fallback` when empty or malformed.
bool ParseJwHexString(const std::string& text, uint32_t& value);
bool ParseJwDecimalString(const std::string& text, int32_t& value);
double ParseJwFloatString(const std::string& text, double fallback);

}  // namespace korvel
