// Text rows of the drawing.
#include "output/text_export.h"

#include <algorithm>
#include <cmath>

#include "drawing/cp932.h"
#include "render/render_context.h"

namespace korvel {

char TextDelimiter(int delimit) {
    switch (delimit) {
        case 1: return ' ';
        case 2: return ',';
        case 3: return ';';
        default: return '\t';
    }
}

namespace {

// Coordinates far outside any drawing would overflow the conversion; they stay at the limit.
long tenths(double mm) {
    const double v = std::round(mm * 10.0);
    if (!std::isfinite(v)) return 0;
    return static_cast<long>(std::clamp(v, -2e15, 2e15));
}

std::vector<ExportedText> collect(const Drawing& drawing) {
    std::vector<ExportedText> texts;
    texts.reserve(drawing.top.texts.size());
    for (const TDataMoji& m : drawing.top.texts) {
        if (IsJwcadSettingsText(m)) continue;
        ExportedText t;
        t.x = tenths(m.start.x - drawing.extents.MinX);
        t.y = tenths(m.start.y - drawing.extents.MinY);
        t.text = CutCp932(m.text, kExportTextBytes);
        texts.push_back(std::move(t));
    }
    return texts;
}

}  // namespace

std::vector<std::vector<ExportedText>> TextRows(const Drawing& drawing, double shiftY) {
    std::vector<ExportedText> texts = collect(drawing);
    std::stable_sort(texts.begin(), texts.end(),
                     [](const ExportedText& a, const ExportedText& b) { return a.y > b.y; });
    const double d = shiftY * 10.0;  // tenths, as the positions
    std::vector<std::vector<ExportedText>> rows;
    double reference = 0;
    for (ExportedText& t : texts) {
        const double y = static_cast<double>(t.y);
        if (rows.empty() || !(reference - d <= y && y < reference + d)) {
            rows.emplace_back();
            reference = y;
        }
        rows.back().push_back(std::move(t));
    }
    for (auto& row : rows)
        std::stable_sort(row.begin(), row.end(),
                         [](const ExportedText& a, const ExportedText& b) { return a.x < b.x; });
    return rows;
}

std::string TextExport(const Drawing& drawing, int delimit, double shiftY,
                       std::string (*field)(const std::string& cp932)) {
    const char separator = TextDelimiter(delimit);
    std::string out;
    for (const auto& row : TextRows(drawing, shiftY)) {
        for (const ExportedText& t : row) {
            out += field ? field(t.text) : t.text;
            out += separator;
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace korvel
