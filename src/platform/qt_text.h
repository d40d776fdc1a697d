// Drawing Jw_cad's character cells with Qt: Windows face names mapped to the IPA fonts, and a
// glyph fitted to the cell as Windows fits a font of that height and average width.
#pragma once

#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <string>

#include "render/render_target.h"

namespace korvel {

// The installed family that stands in for a Windows face name (UTF-8).
QString MapFaceName(const std::string& windowsFace);

// Draws `text` with `font` at (x, y), the top-left of the cell before the escapement turns it
// about that point. When `path` is not null the glyph outlines are added to it instead.
void QtDrawText(QPainter& painter, const FontSpec& font, uint32_t color, int x, int y,
                const std::u32string& text, QPainterPath* path);

}  // namespace korvel
