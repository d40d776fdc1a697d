// Pen tables: taken from a header, built-in line types where it has none.
#include "render/pen_table.h"

#include "drawing/drawing.h"
#include "drawing/drawing_builder.h"
#include "render/render_options.h"

namespace korvel {

namespace {

// The line types that draw with a pattern: the ordinary, random and double-length ones.
bool isPatterned(int t) { return (t >= 2 && t <= 9) || (t >= 11 && t <= 19); }

const DrawingHeader& builtInLineTypes() {
    static const DrawingHeader header = [] {
        DrawingHeader h;
        SetBuiltInLineTypes(h);
        return h;
    }();
    return header;
}

template <class From, class To>
void copyTable(const From& f, To& t) {
    t.PenColor = f.PenColor;
    t.PenWidth = f.PenWidth;
    t.PrtPenColor = f.PrtPenColor;
    t.PrtPenWidth = f.PrtPenWidth;
    t.PointRadius = f.PointRadius;
    t.LineTypePattern = f.LineTypePattern;
    t.LineTypeUnit = f.LineTypeUnit;
    t.LineTypePitch = f.LineTypePitch;
    t.PrtLineTypePitch = f.PrtLineTypePitch;
    t.RandomLineWidth = f.RandomLineWidth;
    t.PrtRandomLineWidth = f.PrtRandomLineWidth;
}

void takeLineType(const DrawingHeader& from, PenTable& to, int t) {
    to.LineTypePattern[t] = from.LineTypePattern[t];
    to.LineTypeUnit[t] = from.LineTypeUnit[t];
    to.LineTypePitch[t] = from.LineTypePitch[t];
    to.PrtLineTypePitch[t] = from.PrtLineTypePitch[t];
    to.RandomLineWidth[t] = from.RandomLineWidth[t];
    to.PrtRandomLineWidth[t] = from.PrtRandomLineWidth[t];
}

}  // namespace

bool PenTable::operator==(const PenTable& o) const {
    return PenColor == o.PenColor && PenWidth == o.PenWidth && PrtPenColor == o.PrtPenColor &&
           PrtPenWidth == o.PrtPenWidth && PointRadius == o.PointRadius && LineTypePattern == o.LineTypePattern &&
           LineTypeUnit == o.LineTypeUnit && LineTypePitch == o.LineTypePitch &&
           PrtLineTypePitch == o.PrtLineTypePitch && RandomLineWidth == o.RandomLineWidth &&
           PrtRandomLineWidth == o.PrtRandomLineWidth;
}

PenTable PenTableOf(const DrawingHeader& header) {
    PenTable table;
    copyTable(header, table);
    for (int t = 0; t < kLineTypes; ++t)
        if (isPatterned(t) && header.LineTypePattern[t] == 0) takeLineType(builtInLineTypes(), table, t);
    return table;
}

void PutPenTable(const PenTable& table, DrawingHeader& header) { copyTable(table, header); }

bool HasOwnLineTypes(const DrawingHeader& header) {
    for (int t = 0; t < kLineTypes; ++t)
        if (isPatterned(t) && header.LineTypePattern[t] != 0) return true;
    return false;
}

PenTable RenderPens(const Drawing& drawing, const RenderOptions& options) {
    return options.pens ? *options.pens : PenTableOf(drawing.header);
}

uint32_t BackgroundColor(const Drawing& drawing, const RenderOptions& options) {
    return options.pens ? options.pens->PenColor[0] : drawing.header.PenColor[0];
}

}  // namespace korvel
