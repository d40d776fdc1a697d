// Date, time and file-name codes inside texts ("%y/%m/%d", "&F", "=f", ...), replaced before the
// text engine lays the text out.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "drawing/drawing.h"

namespace korvel {

struct RenderContext;

// What the codes stand for. Strings are CP932 like the texts they go into.
struct TextMacroValues {
    std::tm now{};
    // The drawing's own date-time; when unknown it is the zero date-time (midnight of
    // 30 December 1899) and "=f"/"=F" show the current date instead.
    std::tm drawingTime{};
    bool drawingTimeKnown = false;
    std::string memo;
    std::string drawingPath;
    std::string fileName;
    std::string drawingName;
    uint32_t editMinutes = 0;  // ExtraOption[0]
};

// The values for one drawing at `now` (local time). The drawing date-time and "&f" come from
// the loaded file's modification time and name.
TextMacroValues MacroValuesFor(const Drawing& drawing, std::time_t now);
// The same with the render's clock (the system clock when it has none).
TextMacroValues MacroValuesFor(const RenderContext& context);

// True when `text` could hold a code at all; most texts do not and are left untouched.
bool MayHoldTextMacros(const std::string& text);

// Replaces every code, in a fixed order in which later codes see what earlier ones produced.
// Codes are matched on character boundaries only, so the trail byte of a double-byte
// character never starts one.
std::string ExpandTextMacros(const std::string& text, const TextMacroValues& values);
std::string ExpandTextMacros(const std::string& text, const RenderContext& context);

}  // namespace korvel
