// Drawing Jw_cad's character cells with Qt: Windows face names mapped to the IPA fonts, and a
// glyph fitted to the cell as Windows fits a font of that height and average width.
#pragma once

#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <string>
#include <thread>
#include <vector>

#include "render/render_target.h"

namespace korvel {

// The installed family that stands in for a Windows face name (UTF-8).
QString MapFaceName(const std::string& windowsFace);

// Draws `text` with `font` at (x, y), the top-left of the cell before the escapement turns it
// about that point. When `path` is not null the glyph outlines are added to it instead.
void QtDrawText(QPainter& painter, const FontSpec& font, uint32_t color, int x, int y,
                const std::u32string& text, QPainterPath* path);

// One character of a run: its cell's top-left before the escapement, as QtDrawText takes it.
struct GlyphCell {
    int x = 0;
    int y = 0;
    char32_t ch = 0;
};

// Draws single characters of one font and colour at their cells as one run of glyphs, for
// devices that keep texts as texts: a PDF then holds one text object for the run instead of one
// for every character. False, with nothing drawn, when the run cannot be drawn so (underlined,
// bold, a character the font lacks); the caller then draws the characters one by one.
bool QtDrawGlyphRun(QPainter& painter, const FontSpec& font, uint32_t color, const std::vector<GlyphCell>& cells);

// Reads the system's list of fonts on a thread of its own from construction until destruction,
// so that a drawing can load meanwhile: the first text drawn would otherwise wait for it (tens of
// milliseconds with the Japanese fonts installed).
class FontListReader {
public:
    FontListReader();
    ~FontListReader();
    FontListReader(const FontListReader&) = delete;
    FontListReader& operator=(const FontListReader&) = delete;

private:
    std::thread thread_;
};

}  // namespace korvel
