#include "render/text_run.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "render/cp932_text.h"
#include "render/line_style.h"
#include "render/text_codes.h"
#include "render/text_macros.h"
#include "render/text_run_layout.h"

namespace korvel {

namespace {

constexpr double kDegree = M_PI / 180.0;
constexpr const char* kGothicFace = "ＭＳゴシック";  // what "^\" switches to

// Vertical text: these lie along the writing line (brackets, long vowel mark, wave dash)...
constexpr uint16_t kTurnedDouble[] = {0x815B, 0x8160, 0x8169, 0x816A, 0x816B, 0x816C, 0x816D,
                                      0x816E, 0x816F, 0x8170, 0x8173, 0x8174, 0x8175, 0x8176,
                                      0x8177, 0x8178, 0x8179, 0x817A};
constexpr uint16_t kTurnedSingle[] = {'(', ')', '[', ']', '{', '}', 0xA2, 0xA3};
// ...and these punctuation marks move to the upper right of their cell.
constexpr uint16_t kShiftedDouble[] = {0x8141, 0x8142, 0x8143, 0x8144};
constexpr uint16_t kShiftedSingle[] = {0xA4, 0xA1, ',', '.'};

template <size_t N>
bool listed(const uint16_t (&table)[N], uint16_t code) {
    return std::find(std::begin(table), std::end(table), code) != std::end(table);
}
bool isTurned(Cp932Char c) {
    return c.doubleByte ? listed(kTurnedDouble, c.code) : listed(kTurnedSingle, c.code);
}
bool isShifted(Cp932Char c) {
    return c.doubleByte ? listed(kShiftedDouble, c.code) : listed(kShiftedSingle, c.code);
}

struct Pos {
    double x = 0.0, y = 0.0;
    // Device y grows downwards, so a counter-clockwise direction subtracts its sine.
    Pos moved(double r, double degrees) const {
        return {x + r * std::cos(degrees * kDegree), y - r * std::sin(degrees * kDegree)};
    }
};

class TextRunDrawer {
public:
    TextRunDrawer(const RenderContext& context, RenderTarget& target, const TextRun& run)
        : ctx_(context), target_(target), run_(run),
          l_(LayOutTextRun(run, ExpandTextMacros(std::string(run.text), context))),
          recordFace_(Cp932ToUtf8(std::string(run.fontName))), style_(run.textType) {
        next_ = {l_.firstX, l_.firstY};
        last_ = next_;
    }

    bool draw() {
        if (ctx_.options.drawOutLine == 2) fillBackgroundBox();
        const auto& chars = l_.chars;
        size_t i = 0;
        while (i < chars.size()) {
            const Cp932Char c = chars[i];
            size_t consumed = 1;
            TextGlyph g;
            const TextCodeResult r = ReadTextCode(chars, i, style_, g, consumed);
            if (r == TextCodeResult::NotACode) {
                g = TextGlyph{c, {}, false, TextScript::None, 0};
                consumed = 1;
            }
            if (r != TextCodeResult::StateOnly) drawGlyph(g);
            lastWasDouble_ = c.doubleByte;
            i += consumed;
        }
        return true;
    }

private:
    // "^$" colours follow the record's monochrome and greyed-layer rules like its own colour.
    uint32_t currentColour() const {
        if (style_.penNumber == 0) return run_.colour;
        const uint32_t c = ctx_.pens.PenColor[style_.penNumber];
        return run_.record ? ApplyColorModes(ctx_, c, *run_.record) : c;
    }

    void drawGlyph(const TextGlyph& g) {
        const double W = l_.W, W2 = l_.W2, H = l_.H, G = l_.G;
        const double a0 = l_.writing, A = l_.baseline;
        const bool doubleByte = !g.pair && g.first.doubleByte;
        double height = H, width = W2;
        Pos at = next_;
        if (g.script != TextScript::None) {
            height = H / 2.0;
            if (doubleByte) width = W2 / 2.0;
            const double D = g.script == TextScript::Raised ? 0.0 : g.script == TextScript::Centred ? H / 1.5 : H;
            at = next_.moved(D / 2.0, NormalizeDegrees(a0 + 250.0));
        } else if (g.overlay != 0) {
            at = overlayPosition(g.overlay, doubleByte, width, height);
        }

        double escapement = A;
        if (l_.vertical && !g.pair) {
            if (isTurned(g.first)) {
                escapement = NormalizeDegrees(A - 90.0);
                at = at.moved(W + G, A);
            } else if (isShifted(g.first)) {
                at = at.moved(W + G, A + 45.0);
            }
        }

        const int tenths = RoundDevice(escapement * 10.0);
        TextStyle style;
        style.font = FontSpec{style_.gothicFace ? std::string(kGothicFace) : recordFace_,
                              RoundDevice(height), RoundDevice(width), tenths, tenths,
                              style_.bold ? 700 : 0, style_.italic, style_.underline,
                              style_.strikeOut};
        std::u32string text(1, Cp932ToUnicode(g.first));
        if (g.pair) text += Cp932ToUnicode(g.second);
        const DevicePoint cell{RoundDevice(at.x), RoundDevice(at.y)};
        if (ctx_.options.drawOutLine == 1) {
            style.color = run_.colour;
            drawHalo(cell, text, style);
        } else {
            style.color = currentColour();
        }
        target_.text(cell, text, style);

        if (g.overlay != 0) return;  // overlays leave the pen where it was
        last_ = next_;
        const bool halfCell = !doubleByte || g.script != TextScript::None;
        next_ = last_.moved(halfCell ? W2 + G / 2.0 : W + G, a0);
    }

    // "DrawOutLine" 1: the glyph's outline stroked three units wide and filled in the background
    // colour, then the glyph itself in the record's colour on top. Stroking the outline over the
    // filled glyph instead would eat the glyph from its edges and erase small texts entirely.
    void drawHalo(DevicePoint cell, const std::u32string& text, const TextStyle& glyphs) {
        const uint32_t background = ctx_.pens.PenColor[0];
        TextStyle halo = glyphs;
        halo.mode = TextMode::Outline;
        halo.outlinePen = {background, 3};
        halo.outlineBrush = {BrushStyle::Solid, background};
        target_.text(cell, text, halo);
    }

    // Overlays sit on the last drawn cell; `width` and `height` come back as the font size.
    Pos overlayPosition(int mode, bool doubleByte, double& width, double& height) const {
        const double W = l_.W, W2 = l_.W2, H = l_.H;
        const double a0 = l_.writing, A = l_.baseline;
        const bool P = lastWasDouble_, C = doubleByte;
        const double D = C ? W : W2;
        Pos at = last_;
        switch (mode) {
            case 1: {
                width = C ? W2 / 2.2 : W2 / 1.7;
                height = H / 1.9;
                const double t = (A + 325.0) * kDegree;
                const double rx = (P ? 2.7 : 1.5) * width / 2.0;
                const double ry = (P ? 2.7 : 2.2) * width / 2.0;
                return {at.x + rx * std::cos(t), at.y - ry * std::sin(t)};
            }
            case 2: return at.moved((P && !C ? 1.5 : 0.4) * D / 2.0, a0);
            case 3: return at.moved((P && !C ? 1.0 : 0.3) * D / 2.0, a0);
            case 4:
                if (l_.vertical) at.x -= 2.2 * W2 / 2.0 * std::sin(a0 * kDegree);
                return at;
            case 5:
                width = W2 / 1.7;
                height = H / 2.0;
                return at.moved(2.2 * width / 2.0, a0 + 305.0);
            default: return at;
        }
    }

    // "DrawOutLine" 2: the text stands on a box of the background colour, from its start to its
    // end point and up by its height, widened by the expansion.
    void fillBackgroundBox() {
        const double d = ctx_.options.outLineExpansion * run_.s;
        const double b = NormalizeDegrees(-l_.baseline) * kDegree;
        const double H = l_.H;
        const double hx = H * std::sin(b), hy = H * std::cos(b);
        const DevicePoint box[4] = {
            {RoundDevice(run_.x - d), RoundDevice(run_.y + d)},
            {RoundDevice(run_.endX + d), RoundDevice(run_.endY + d)},
            {RoundDevice(run_.endX + d + hx), RoundDevice(run_.endY - d - hy)},
            {RoundDevice(run_.x - d + hx), RoundDevice(run_.y - d - hy)},
        };
        const uint32_t background = ctx_.pens.PenColor[0];
        target_.polygon(box, 4, {background, 0}, {BrushStyle::Solid, background});
    }

    const RenderContext& ctx_;
    RenderTarget& target_;
    const TextRun& run_;
    TextRunLayout l_;
    std::string recordFace_;
    TextCodeState style_;
    Pos next_, last_;
    bool lastWasDouble_ = false;
};

}  // namespace

bool DrawTextRun(const RenderContext& context, RenderTarget& target, const TextRun& run) {
    TextRunDrawer drawer(context, target, run);
    return drawer.draw();
}

}  // namespace korvel
