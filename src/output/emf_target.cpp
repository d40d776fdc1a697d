// Records come from libuemf's builders; the file is assembled in memory and the header's counts
// and bounds are filled in at the end. Lines of one pen that follow each other are held back and
// written as one record of 16-bit points: a drawing of a million lines is mostly such runs.
#include "output/emf_target.h"

#include <uemf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "drawing/colour.h"
#include "output/metafile_dib.h"
#include "output/metafile_text.h"

namespace korvel {

namespace {

// Room kept for the records that end a file: stock objects selected, every object deleted, end
// of file.
constexpr uint64_t kEofReserve = 256 + 12 * EmfTarget::kObjectCapacity;
// The fixed part of EMR_POLYPOLYLINE16: type, size, bounds, line count, point count.
constexpr uint64_t kPolyPolyHeader = 8 + 16 + 4 + 4;
// EMR_EXTTEXTOUTW of `units` UTF-16 units: type, size, bounds, graphics mode, scales, then the
// text's reference point, count, offsets, options and rectangle; the string padded to four bytes
// and an advance per unit.
uint64_t textRecordBytes(size_t units) { return 76 + 4 * ((units + 1) / 2) + 4 * uint64_t(units); }

// Joined glyphs are drawn continuously by GDI: an underline or strike-out would then run through
// the gaps between cells, and a turned line would need advances along its slope.
bool joinsLine(const FontSpec& font) {
    return font.escapement == 0 && font.orientation == 0 && !font.underline && !font.strikeOut;
}

// The cell width the font asks for, doubled for full-width characters.
int advanceOf(uint16_t unit, const FontSpec& font) {
    const int half = std::max(font.width, 1);
    return unit < 0x100 ? half : 2 * half;
}

std::string sizeText(uint64_t bytes) {
    if (bytes >= EmfTarget::kMaxBytes) return "4 GB";
    if (bytes >= (1u << 20)) return std::to_string(bytes >> 20) + " MB";
    return std::to_string(bytes) + " bytes";
}
// The reference device: 96 pixels per inch, 4800 pixels = 1270 mm either way.
constexpr int kDevicePixels = 4800;
constexpr int kDeviceMm = 1270;

U_COLORREF colorRef(uint32_t c) {
    return colorref3_set(RedOf(c), GreenOf(c), BlueOf(c));
}

U_POINTL pointL(int x, int y) { return point32_set(x, y); }

U_RECTL rectL(int l, int t, int r, int b) {
    U_RECTL rc;
    rc.left = l;
    rc.top = t;
    rc.right = r;
    rc.bottom = b;
    return rc;
}

U_RECTL boundsOf(const DevicePoint* points, size_t count) {
    int l = points[0].x, t = points[0].y, r = l, b = t;
    for (size_t i = 1; i < count; ++i) {
        l = std::min(l, points[i].x), r = std::max(r, points[i].x);
        t = std::min(t, points[i].y), b = std::max(b, points[i].y);
    }
    return rectL(l, t, r, b);
}

bool fits16(const DevicePoint* points, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (points[i].x < -32768 || points[i].x > 32767 || points[i].y < -32768 || points[i].y > 32767)
            return false;
    }
    return true;
}

std::vector<U_POINT16> points16(const DevicePoint* points, size_t count) {
    std::vector<U_POINT16> out(count);
    for (size_t i = 0; i < count; ++i) {
        out[i].x = static_cast<int16_t>(points[i].x);
        out[i].y = static_cast<int16_t>(points[i].y);
    }
    return out;
}

std::vector<U_POINTL> pointsL(const DevicePoint* points, size_t count) {
    std::vector<U_POINTL> out(count);
    for (size_t i = 0; i < count; ++i) out[i] = pointL(points[i].x, points[i].y);
    return out;
}

uint32_t hatchOf(BrushStyle style) {
    switch (style) {
    case BrushStyle::BDiagonal: return U_HS_BDIAGONAL;
    case BrushStyle::FDiagonal: return U_HS_FDIAGONAL;
    case BrushStyle::Cross: return U_HS_CROSS;
    case BrushStyle::DiagCross: return U_HS_DIAGCROSS;
    case BrushStyle::Horizontal: return U_HS_HORIZONTAL;
    case BrushStyle::Vertical: return U_HS_VERTICAL;
    default: return 0;
    }
}

uint32_t capOf(LineCap cap) {
    return cap == LineCap::Flat ? U_PS_ENDCAP_FLAT : cap == LineCap::Square ? U_PS_ENDCAP_SQUARE
                                                                            : U_PS_ENDCAP_ROUND;
}

uint32_t joinOf(LineJoin join) {
    return join == LineJoin::Miter ? U_PS_JOIN_MITER : join == LineJoin::Bevel ? U_PS_JOIN_BEVEL
                                                                               : U_PS_JOIN_ROUND;
}

// A plain pen wider than one unit is what GDI makes of CreatePen anyway: a geometric pen with
// round ends and joins. Written as such, readers that take plain pens as hairlines draw it wide.
char* createPenRecord(uint32_t slot, const PenSpec& pen) {
    if (!pen.geometric && pen.width > 1) {
        PenSpec wide = pen;
        wide.geometric = true;
        wide.cap = LineCap::Round;
        wide.join = LineJoin::Round;
        return createPenRecord(slot, wide);
    }
    if (!pen.geometric) {
        U_POINT width;
        width.x = std::max(pen.width, 0);
        width.y = 0;
        return U_EMRCREATEPEN_set(slot, logpen_set(U_PS_SOLID, width, colorRef(pen.color)));
    }
    PU_EXTLOGPEN elp = extlogpen_set(U_PS_GEOMETRIC | U_PS_SOLID | capOf(pen.cap) | joinOf(pen.join),
                                     static_cast<uint32_t>(std::max(pen.width, 1)), U_BS_SOLID,
                                     colorRef(pen.color), 0, 0, nullptr);
    if (!elp) return nullptr;
    char* record = U_EMREXTCREATEPEN_set(slot, nullptr, 0, nullptr, elp);
    std::free(elp);
    return record;
}

char* createBrushRecord(uint32_t slot, const BrushSpec& brush) {
    uint32_t style = U_BS_SOLID;
    if (brush.style == BrushStyle::Clear) style = U_BS_NULL;
    else if (brush.style != BrushStyle::Solid) style = U_BS_HATCHED;
    return U_EMRCREATEBRUSHINDIRECT_set(slot, logbrush_set(style, colorRef(brush.color),
                                                           static_cast<int32_t>(hatchOf(brush.style))));
}

char* createFontRecord(uint32_t slot, const FontSpec& font) {
    uint16_t face[U_LF_FACESIZE] = {};
    const std::u16string name = Utf8ToUtf16(font.face);
    for (size_t i = 0; i < name.size() && i + 1 < U_LF_FACESIZE; ++i) face[i] = name[i];
    U_LOGFONT lf = logfont_set(font.height, font.width, font.escapement, font.orientation,
                               font.weight, font.italic, font.underline, font.strikeOut,
                               U_SHIFTJIS_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS,
                               U_DEFAULT_QUALITY, 0, face);
    return U_EMREXTCREATEFONTINDIRECTW_set(slot, reinterpret_cast<const char*>(&lf), nullptr);
}

}  // namespace

EmfTarget::EmfTarget(const MetafileFrame& frame, const std::string& description, uint64_t maxBytes)
    : frame_(frame), maxBytes_(std::min(maxBytes, kMaxBytes)), objects_(*this, 1, kObjectCapacity) {
    std::u16string desc = Utf8ToUtf16("Korvel");
    desc.push_back(0);
    desc += Utf8ToUtf16(description);
    desc.push_back(0);
    desc.push_back(0);
    if (desc.size() % 2) desc.push_back(0);  // the record stays a multiple of four bytes
    std::vector<uint16_t> text(desc.begin(), desc.end());
    const U_RECTL bounds = rectL(0, 0, std::max(frame.width - 1, 0), std::max(frame.height - 1, 0));
    const U_RECTL frameRect = rectL(0, 0, frame.frameWidth, frame.frameHeight);
    append(U_EMRHEADER_set(bounds, frameRect, nullptr, static_cast<U_CBSTR>(text.size()),
                           text.data(), sizel_set(kDevicePixels, kDevicePixels),
                           sizel_set(kDeviceMm, kDeviceMm), 0));
    append(U_EMRSETMAPMODE_set(U_MM_TEXT));
    append(U_EMRSETBKMODE_set(U_TRANSPARENT));
    append(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT | U_TA_NOUPDATECP));
    append(U_EMRSETPOLYFILLMODE_set(U_ALTERNATE));
    append(U_EMRSETSTRETCHBLTMODE_set(U_COLORONCOLOR));
    append(U_EMRSETROP2_set(U_R2_COPYPEN));
}

EmfTarget::~EmfTarget() = default;

void EmfTarget::append(char* record) {
    flushLines();
    flushText();
    store(record);
}

void EmfTarget::store(char* record, bool roomChecked) {
    if (!record) {
        failed_ = true;
        return;
    }
    const uint32_t size = reinterpret_cast<U_EMR*>(record)->nSize;
    // Checked as each record comes, so that a drawing asking for gigabytes is stopped before it
    // has them. The end-of-file record always needs room.
    const uint64_t reserve = finished_ ? 0 : kEofReserve;
    if (!roomChecked && (full_ || bytes_.size() + size + reserve > maxBytes_)) {
        full_ = true;
        std::free(record);
        return;
    }
    bytes_.insert(bytes_.end(), record, record + size);
    ++records_;
    std::free(record);
}

void EmfTarget::flushLines() {
    if (batchCounts_.empty()) return;
    const U_RECTL b = rectL(batchLeft_, batchTop_, batchRight_, batchBottom_);
    const auto* points = reinterpret_cast<const U_POINT16*>(batchPoints_.data());
    const auto total = static_cast<uint32_t>(batchPoints_.size());
    char* record = batchCounts_.size() == 1
                       ? U_EMRPOLYLINE16_set(b, total, points)
                       : U_EMRPOLYPOLYLINE16_set(b, static_cast<uint32_t>(batchCounts_.size()),
                                                 batchCounts_.data(), total, points);
    batchPoints_.clear();
    batchCounts_.clear();
    store(record, true);  // its room was checked line by line as the batch grew
    bound(b.left, b.top);
    bound(b.right, b.bottom);
}

void EmfTarget::createObject(int slot, const MetafileObject& object) {
    const auto handle = static_cast<uint32_t>(slot);
    switch (object.kind) {
    case MetafileObjectKind::Pen: append(createPenRecord(handle, object.pen)); break;
    case MetafileObjectKind::Brush: append(createBrushRecord(handle, object.brush)); break;
    case MetafileObjectKind::Font: append(createFontRecord(handle, object.font)); break;
    case MetafileObjectKind::NullPen: break;  // the stock object serves
    }
}

void EmfTarget::selectObject(int slot) { append(U_EMRSELECTOBJECT_set(static_cast<uint32_t>(slot))); }

void EmfTarget::deleteObject(int slot) { append(U_EMRDELETEOBJECT_set(static_cast<uint32_t>(slot))); }

void EmfTarget::bound(int x, int y) {
    if (maxX_ < minX_) {
        minX_ = maxX_ = x;
        minY_ = maxY_ = y;
        return;
    }
    minX_ = std::min(minX_, x), maxX_ = std::max(maxX_, x);
    minY_ = std::min(minY_, y), maxY_ = std::max(maxY_, y);
}

void EmfTarget::textColor(uint32_t color) {
    if (haveTextColor_ && color == textColor_) return;
    append(U_EMRSETTEXTCOLOR_set(colorRef(color)));
    textColor_ = color;
    haveTextColor_ = true;
}

void EmfTarget::fillRect(const DeviceRect& r, const BrushSpec& brush) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    // FillRect has no record of its own; a rectangle without outline fills the same pixels when
    // it reaches one further right and down.
    objects_.select(MetafileObject::of(brush));
    append(U_EMRSELECTOBJECT_set(U_NULL_PEN));
    objects_.penReplaced();
    append(U_EMRRECTANGLE_set(rectL(r.left, r.top, r.right + 1, r.bottom + 1)));
    bound(r.left, r.top);
    bound(r.right, r.bottom);
}

void EmfTarget::polyline(const DevicePoint* points, size_t count, const PenSpec& pen) {
    if (count < 2) return;
    // A change of pen writes its select record, which puts out the batch of the pen before.
    objects_.select(pen);
    flushText();
    if (!fits16(points, count)) {
        const std::vector<U_POINTL> pts = pointsL(points, count);
        const U_RECTL b = boundsOf(points, count);
        append(U_EMRPOLYLINE_set(b, static_cast<uint32_t>(count), pts.data()));
        bound(b.left, b.top);
        bound(b.right, b.bottom);
        return;
    }
    if (batchCounts_.size() >= kMaxBatch) flushLines();
    const uint64_t reserve = finished_ ? 0 : kEofReserve;
    const uint64_t batchBytes =
        kPolyPolyHeader + 4 * (batchCounts_.size() + 1) + 4 * (batchPoints_.size() + count);
    if (full_ || bytes_.size() + batchBytes + reserve > maxBytes_) {
        full_ = true;
        return;
    }
    const U_RECTL b = boundsOf(points, count);
    if (batchCounts_.empty()) {
        batchLeft_ = b.left, batchTop_ = b.top, batchRight_ = b.right, batchBottom_ = b.bottom;
    } else {
        batchLeft_ = std::min<int>(batchLeft_, b.left), batchTop_ = std::min<int>(batchTop_, b.top);
        batchRight_ = std::max<int>(batchRight_, b.right), batchBottom_ = std::max<int>(batchBottom_, b.bottom);
    }
    for (size_t i = 0; i < count; ++i)
        batchPoints_.push_back({static_cast<int16_t>(points[i].x), static_cast<int16_t>(points[i].y)});
    batchCounts_.push_back(static_cast<uint32_t>(count));
}

void EmfTarget::polygon(const DevicePoint* points, size_t count, const PenSpec& pen,
                        const BrushSpec& brush) {
    if (count < 2) return;
    objects_.select(pen);
    objects_.select(MetafileObject::of(brush));
    const U_RECTL b = boundsOf(points, count);
    if (fits16(points, count)) {
        const std::vector<U_POINT16> pts = points16(points, count);
        append(U_EMRPOLYGON16_set(b, static_cast<uint32_t>(count), pts.data()));
    } else {
        const std::vector<U_POINTL> pts = pointsL(points, count);
        append(U_EMRPOLYGON_set(b, static_cast<uint32_t>(count), pts.data()));
    }
    bound(b.left, b.top);
    bound(b.right, b.bottom);
}

void EmfTarget::ellipse(const DeviceRect& r, const PenSpec& pen, const BrushSpec& brush) {
    objects_.select(pen);
    objects_.select(MetafileObject::of(brush));
    append(U_EMRELLIPSE_set(rectL(r.left, r.top, r.right, r.bottom)));
    bound(r.left, r.top);
    bound(r.right, r.bottom);
}

void EmfTarget::arc(const DeviceRect& r, DevicePoint start, DevicePoint end, const PenSpec& pen) {
    objects_.select(pen);
    append(U_EMRARC_set(rectL(r.left, r.top, r.right, r.bottom), pointL(start.x, start.y),
                        pointL(end.x, end.y)));
    bound(r.left, r.top);
    bound(r.right, r.bottom);
}

void EmfTarget::glyphs(DevicePoint cell, const std::u32string& text, const FontSpec& font) {
    const std::u16string units = CodePointsToUtf16(text);
    if (units.empty()) return;
    objects_.select(MetafileObject::of(font));
    std::vector<uint16_t> chars(units.begin(), units.end());
    std::vector<uint32_t> dx(chars.size());
    for (size_t i = 0; i < chars.size(); ++i) dx[i] = advanceOf(chars[i], font);
    char* emrtext = emrtext_set(pointL(cell.x, cell.y), static_cast<U_NUM_STR>(chars.size()), 2,
                                chars.data(), U_ETO_NONE, rectL(0, 0, -1, -1), dx.data());
    if (!emrtext) {
        failed_ = true;
        return;
    }
    const int h = std::abs(font.height);
    const int x = cell.x, y = cell.y;
    const U_RECTL b = rectL(x - h, y - h, x + 2 * h * static_cast<int>(chars.size()), y + 2 * h);
    append(U_EMREXTTEXTOUTW_set(b, U_GM_COMPATIBLE, 2540.0f / 96.0f, 2540.0f / 96.0f,
                                reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
    bound(x, y);
}

bool EmfTarget::joinText(DevicePoint cell, const std::u16string& units, const TextStyle& style) {
    // Only a cell on the same baseline at or after the last glyph can be reached by an advance.
    const int64_t gap = int64_t(cell.x) - runPenX_;
    if (runChars_.empty() || style.color != runColor_ || style.font != runFont_ ||
        cell.y != runCell_.y || gap < 0 || gap > INT32_MAX || runChars_.size() + units.size() > kMaxTextRun)
        return false;
    const uint64_t reserve = finished_ ? 0 : kEofReserve;
    if (full_ || bytes_.size() + textRecordBytes(runChars_.size() + units.size()) + reserve > maxBytes_) {
        full_ = true;
        return true;
    }
    runDx_.back() = static_cast<uint32_t>(gap);
    addText(cell, units);
    return true;
}

void EmfTarget::startText(DevicePoint cell, const std::u16string& units, const TextStyle& style) {
    flushText();
    textColor(style.color);
    objects_.select(MetafileObject::of(style.font));
    flushLines();  // when colour and font were already set, nothing above put the lines out
    const uint64_t reserve = finished_ ? 0 : kEofReserve;
    if (full_ || bytes_.size() + textRecordBytes(units.size()) + reserve > maxBytes_) {
        full_ = true;
        return;
    }
    runFont_ = style.font;
    runColor_ = style.color;
    runCell_ = cell;
    runRight_ = cell.x;
    addText(cell, units);
}

void EmfTarget::addText(DevicePoint cell, const std::u16string& units) {
    int64_t x = cell.x;
    for (size_t i = 0; i < units.size(); ++i) {
        runChars_.push_back(units[i]);
        runDx_.push_back(static_cast<uint32_t>(advanceOf(units[i], runFont_)));
        if (i + 1 < units.size()) x += runDx_.back();
    }
    runPenX_ = x;
    const int h = std::abs(runFont_.height);
    runRight_ = std::max(runRight_, cell.x + 2 * h * static_cast<int>(units.size()));
    bound(cell.x, cell.y);
}

void EmfTarget::flushText() {
    if (runChars_.empty()) return;
    char* emrtext = emrtext_set(pointL(runCell_.x, runCell_.y), static_cast<U_NUM_STR>(runChars_.size()),
                                2, runChars_.data(), U_ETO_NONE, rectL(0, 0, -1, -1), runDx_.data());
    runChars_.clear();
    runDx_.clear();
    if (!emrtext) {
        failed_ = true;
        return;
    }
    const int h = std::abs(runFont_.height);
    const U_RECTL b = rectL(runCell_.x - h, runCell_.y - h, runRight_, runCell_.y + 2 * h);
    char* record = U_EMREXTTEXTOUTW_set(b, U_GM_COMPATIBLE, 2540.0f / 96.0f, 2540.0f / 96.0f,
                                        reinterpret_cast<PU_EMRTEXT>(emrtext));
    std::free(emrtext);
    store(record, true);  // its room was checked glyph by glyph as the line grew
}

void EmfTarget::text(DevicePoint cell, const std::u32string& text, const TextStyle& style) {
    if (style.mode == TextMode::Glyphs && joinsLine(style.font)) {
        const std::u16string units = CodePointsToUtf16(text);
        if (units.empty()) return;
        if (!joinText(cell, units, style)) startText(cell, units, style);
        return;
    }
    if (style.mode == TextMode::Glyphs) {
        textColor(style.color);
        glyphs(cell, text, style.font);
        return;
    }
    append(U_EMRBEGINPATH_set());
    textColor(style.color);
    glyphs(cell, text, style.font);
    append(U_EMRENDPATH_set());
    objects_.select(style.outlinePen);
    objects_.select(MetafileObject::of(style.outlineBrush));
    append(U_EMRSTROKEANDFILLPATH_set(rectL(minX_, minY_, maxX_, maxY_)));
}

void EmfTarget::image(const DeviceRect& r, const RasterImage& picture) {
    const int left = r.left, top = r.top, right = r.right, bottom = r.bottom;
    Dib dib = MakeDib(picture);
    if (dib.pixels.empty() || right == left || bottom == top) return;
    const U_RECTL b = rectL(std::min(left, right), std::min(top, bottom), std::max(left, right),
                            std::max(top, bottom));
    append(U_EMRSTRETCHDIBITS_set(b, pointL(left, top), pointL(right - left, bottom - top),
                                  pointL(0, 0), pointL(picture.width, picture.height),
                                  U_DIB_RGB_COLORS, U_SRCCOPY,
                                  reinterpret_cast<PU_BITMAPINFO>(dib.info.data()),
                                  static_cast<uint32_t>(dib.pixels.size()),
                                  reinterpret_cast<char*>(dib.pixels.data())));
    bound(b.left, b.top);
    bound(b.right, b.bottom);
}

bool EmfTarget::finish(std::vector<uint8_t>& out, std::string& error) {
    if (finished_) {
        error = "the metafile was already finished";
        return false;
    }
    flushLines();
    flushText();
    finished_ = true;
    // Objects still selected would not be deleted: stock ones take their place first.
    append(U_EMRSELECTOBJECT_set(U_NULL_PEN));
    if (objects_.tableSize() > 0) {
        append(U_EMRSELECTOBJECT_set(U_NULL_BRUSH));
        append(U_EMRSELECTOBJECT_set(U_SYSTEM_FONT));
        objects_.deleteAll();
    }
    EMFTRACK track{};  // the EOF builder reads the palette count from it
    append(U_EMREOF_set(0, nullptr, &track));
    if (failed_ || full_) {
        error = failed_ ? "a metafile record could not be made" : "the metafile is over " + sizeText(maxBytes_);
        bytes_.clear();
        bytes_.shrink_to_fit();
        return false;
    }
    auto* header = reinterpret_cast<U_EMRHEADER*>(bytes_.data());
    header->nBytes = static_cast<uint32_t>(bytes_.size());
    header->nRecords = static_cast<uint32_t>(records_);
    header->nHandles = static_cast<uint16_t>(std::max(objects_.tableSize(), 1));
    out = std::move(bytes_);
    return true;
}

}  // namespace korvel
