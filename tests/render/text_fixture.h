// A drawing, options and render context for the text tests: visible layers, distinct pen
// colours, a fixed clock, and a recording target.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "render/cp932_text.h"
#include "render/recording_target.h"
#include "render/render_context.h"
#include "render/text_run.h"

namespace korvel::test {

struct FixedClock : TextClock {
    std::time_t t = 0;
    std::time_t now() const override { return t; }
};

// Local time, so that the codes read back exactly these fields whatever the time zone.
inline std::time_t localTimeOf(int year, int month, int day, int hour = 0, int minute = 0,
                               int second = 0) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

inline std::string sj(const char* utf8) { return Utf8ToCp932(utf8); }

struct TextFixture {
    Drawing drawing;
    RenderOptions options;
    FixedClock clock;
    RenderContext context{drawing, options};
    RecordingTarget target;

    TextFixture() {
        for (auto& g : drawing.header.LayerGroupState) g = 2;
        for (auto& group : drawing.header.LayerState)
            for (auto& l : group) l = 2;
        for (int i = 0; i < kPenColors; ++i) {
            drawing.header.PenColor[i] = 0x010101u * static_cast<uint32_t>(i) + 0x100000u;
            drawing.header.PrtPenColor[i] = 0x000100u * static_cast<uint32_t>(i) + 0x000007u;
        }
        drawing.header.PenColor[0] = 0xFFFFFFu;
        context.pens = PenTableOf(drawing.header);  // the render's pens are taken when it starts
        clock.t = localTimeOf(2026, 3, 5, 14, 7, 9);
        context.clock = &clock;
        context.view.MinX = 0.0;
        context.view.MaxY = 100.0;
        context.view.scale = 2.0;
    }

    // A run at device (100, 200), scale 2: W = 6, W2 = 3, H = 8, G = 2.
    TextRun run(const std::string& text, double angle = 0.0, uint16_t flags = 0) {
        text_ = text;
        TextRun r;
        r.x = 100;
        r.y = 200;
        r.endX = 160;
        r.endY = 200;
        r.s = 2.0;
        r.text = text_;
        r.fontName = font_;
        r.flags = flags;
        r.angle = angle;
        r.spacing = 1.0;
        r.sizeY = 4.0;
        r.sizeX = 3.0;
        r.colour = 0x123456;
        return r;
    }

    void draw(const TextRun& r) {
        target.clear();
        DrawTextRun(context, target, r);
    }
    // Every text call, halos included.
    std::vector<RecordedCall> texts() const { return target.only(CallKind::Text); }
    // The font of each glyph drawn (halos aside).
    std::vector<FontSpec> fonts() const {
        std::vector<FontSpec> out;
        for (const auto& c : texts())
            if (c.style.mode == TextMode::Glyphs) out.push_back(c.style.font);
        return out;
    }
    // The colour of every text call, in order.
    std::vector<uint32_t> colours() const {
        std::vector<uint32_t> out;
        for (const auto& c : texts()) out.push_back(c.style.color);
        return out;
    }
    std::vector<DevicePoint> positions() const {
        std::vector<DevicePoint> out;
        for (const auto& c : texts()) out.push_back(c.at);
        return out;
    }
    std::u32string drawnText() const {
        std::u32string s;
        for (const auto& c : texts()) s += c.text;
        return s;
    }

private:
    std::string text_;
    std::string font_ = Utf8ToCp932("ＭＳ ゴシック");
};

}  // namespace korvel::test
