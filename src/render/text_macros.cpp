#include "render/text_macros.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "render/cp932_text.h"
#include "render/render_context.h"

namespace korvel {

namespace {

std::tm localTime(std::time_t t) {
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

// Midnight of 30 December 1899, the day that a zero OLE Automation date-time stands for.
std::tm zeroDateTime() {
    std::tm z{};
    z.tm_year = 1899 - 1900;
    z.tm_mon = 11;
    z.tm_mday = 30;
    z.tm_wday = 6;
    return z;
}

// Padding by the code's first character: "&" and "_" right-align in two places with a space,
// "%" and "=" with a zero, "$" left-aligns with a trailing space.
std::string padded(char kind, int value) {
    char buf[32];
    switch (kind) {
        case '%':
        case '=': std::snprintf(buf, sizeof buf, "%02d", value); break;
        case '$': std::snprintf(buf, sizeof buf, "%-2d", value); break;
        default: std::snprintf(buf, sizeof buf, "%2d", value); break;
    }
    return buf;
}

std::string twoPlaces(int value, const char* format) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

std::string dateText(const std::tm& t, bool withTime) {
    char buf[64];
    if (withTime) {
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", t.tm_year + 1900,
                      t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    } else {
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    }
    return buf;
}

const std::string& cp932(const char* utf8Literal, std::string& slot) {
    if (slot.empty()) slot = Utf8ToCp932(utf8Literal);
    return slot;
}

// The Japanese constants, converted once.
struct JapaneseWords {
    std::string weekday[7];
    std::string before, after;
    JapaneseWords() {
        const char* days[7] = {"日", "月", "火", "水", "木", "金", "土"};
        for (int i = 0; i < 7; ++i) cp932(days[i], weekday[i]);
        cp932("前", before);
        cp932("後", after);
    }
};

const JapaneseWords& japanese() {
    static const JapaneseWords words;
    return words;
}

void replaceAll(std::string& text, const std::string& code, const std::string& value) {
    if (text.find(code) == std::string::npos) return;
    std::string out;
    out.reserve(text.size() + value.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, code.size(), code) == 0) {
            out += value;
            i += code.size();
            continue;
        }
        const auto b = static_cast<unsigned char>(text[i]);
        const size_t len = (IsCp932LeadByte(b) && i + 1 < text.size()) ? 2 : 1;
        out.append(text, i, len);
        i += len;
    }
    text = std::move(out);
}

using Rule = std::pair<std::string, std::string>;

// The numeric codes of one time: each prefix in `kinds` with each letter.
void addTimeCodes(std::vector<Rule>& rules, const char* kinds, const std::tm& t) {
    const int year = (t.tm_year + 1900) % 100;
    const int values[8] = {year, (t.tm_year + 1900 + 12) % 100, t.tm_mon + 1, t.tm_mday,
                           t.tm_hour, t.tm_hour >= 13 ? t.tm_hour - 12 : t.tm_hour, t.tm_min,
                           t.tm_sec};
    const char letters[8] = {'y', 'Y', 'm', 'd', 'H', 'h', 'M', 'S'};
    for (int v = 0; v < 8; ++v) {
        for (const char* k = kinds; *k; ++k) {
            rules.push_back({std::string{*k, letters[v]}, padded(*k, values[v])});
        }
    }
}

std::vector<Rule> rulesFor(const TextMacroValues& v) {
    static const char* const kWeekdays[7] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
    static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEPT", "OCT", "NUV", "DEC"};
    const auto& jp = japanese();
    const int wday = (v.now.tm_wday % 7 + 7) % 7;
    const int mon = (v.now.tm_mon % 12 + 12) % 12;
    std::vector<Rule> rules;
    rules.reserve(64);
    rules.push_back({"%wa", kWeekdays[wday]});
    rules.push_back({"=wa", kWeekdays[wday]});
    rules.push_back({"%w", jp.weekday[wday]});
    rules.push_back({"=w", jp.weekday[wday]});
    rules.push_back({"%ma", kMonths[mon]});
    rules.push_back({"=ma", kMonths[mon]});
    rules.push_back({"%mm", v.memo});
    addTimeCodes(rules, "&%$", v.now);
    const bool morning = v.now.tm_hour < 13;
    rules.push_back({"$n", morning ? "AM" : "PM"});
    rules.push_back({"&n", morning ? "AM" : "PM"});
    rules.push_back({"$N", morning ? jp.before : jp.after});
    rules.push_back({"&N", morning ? jp.before : jp.after});
    addTimeCodes(rules, "_=", v.drawingTime);
    const std::tm& dated = v.drawingTimeKnown ? v.drawingTime : v.now;
    rules.push_back({"=f", dateText(dated, false)});
    rules.push_back({"=F", dateText(dated, true)});
    rules.push_back({"&F", v.drawingPath});
    rules.push_back({"&f", v.fileName});
    rules.push_back({"%f", v.drawingName});
    rules.push_back({"&T", twoPlaces(static_cast<int>(v.editMinutes / 60), "%2d") + ":" +
                               twoPlaces(static_cast<int>(v.editMinutes % 60), "%2d")});
    return rules;
}

}  // namespace

TextMacroValues MacroValuesFor(const Drawing& drawing, std::time_t now) {
    TextMacroValues v;
    v.now = localTime(now);
    v.drawingTimeKnown = drawing.fileTime != 0;
    v.drawingTime = v.drawingTimeKnown ? localTime(static_cast<std::time_t>(drawing.fileTime))
                                       : zeroDateTime();
    v.memo = drawing.header.Memo;
    v.drawingPath = drawing.DrawingPath;  // the loaders keep these two in CP932 already
    v.fileName = drawing.fileName;
    v.drawingName = drawing.DrawingName;
    v.editMinutes = drawing.header.ExtraOption[0];
    return v;
}

TextMacroValues MacroValuesFor(const RenderContext& context) {
    const std::time_t now = context.clock ? context.clock->now() : std::time(nullptr);
    return MacroValuesFor(context.drawing, now);
}

bool MayHoldTextMacros(const std::string& text) {
    return text.find_first_of("%=&$_") != std::string::npos;
}

std::string ExpandTextMacros(const std::string& text, const TextMacroValues& values) {
    if (!MayHoldTextMacros(text)) return text;
    std::string out = text;
    for (const auto& [code, value] : rulesFor(values)) replaceAll(out, code, value);
    return out;
}

std::string ExpandTextMacros(const std::string& text, const RenderContext& context) {
    if (!MayHoldTextMacros(text)) return text;
    return ExpandTextMacros(text, MacroValuesFor(context));
}

}  // namespace korvel
