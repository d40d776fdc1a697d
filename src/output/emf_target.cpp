// Records come from libuemf's builders; the file is assembled in memory and the header's counts
// and bounds are filled in at the end. Pens, brushes and fonts alternate between two handle
// slots each, so that the one selected is never the one deleted.
#include "output/emf_target.h"

#include <uemf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "output/metafile_dib.h"
#include "output/metafile_text.h"

namespace korvel {

namespace {

constexpr int kPenSlot = 1;
constexpr int kBrushSlot = 3;
constexpr int kFontSlot = 5;
constexpr int kHandleCount = 7;
// Room kept for the records that end a file (object clean-up and end of file).
constexpr uint64_t kEofReserve = 256;

std::string sizeText(uint64_t bytes) {
    if (bytes >= EmfTarget::kMaxBytes) return "4 GB";
    if (bytes >= (1u << 20)) return std::to_string(bytes >> 20) + " MB";
    return std::to_string(bytes) + " bytes";
}
// The reference device: 96 pixels per inch, 4800 pixels = 1270 mm either way.
constexpr int kDevicePixels = 4800;
constexpr int kDeviceMm = 1270;

U_COLORREF colorRef(uint32_t c) {
    return colorref3_set(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
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
    : frame_(frame), maxBytes_(std::min(maxBytes, kMaxBytes)) {
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
    if (!record) {
        failed_ = true;
        return;
    }
    const uint32_t size = reinterpret_cast<U_EMR*>(record)->nSize;
    // Checked as each record comes, so that a drawing asking for gigabytes is stopped before it
    // has them. The end-of-file record always needs room.
    const uint64_t reserve = finished_ ? 0 : kEofReserve;
    if (full_ || bytes_.size() + size + reserve > maxBytes_) {
        full_ = true;
        std::free(record);
        return;
    }
    bytes_.insert(bytes_.end(), record, record + size);
    ++records_;
    std::free(record);
}

void EmfTarget::replaceObject(int firstSlot, int& current, char* createRecord) {
    const int slot = current == firstSlot ? firstSlot + 1 : firstSlot;
    append(createRecord);
    append(U_EMRSELECTOBJECT_set(static_cast<uint32_t>(slot)));
    if (current) append(U_EMRDELETEOBJECT_set(static_cast<uint32_t>(current)));
    current = slot;
}

void EmfTarget::bound(int x, int y) {
    if (maxX_ < minX_) {
        minX_ = maxX_ = x;
        minY_ = maxY_ = y;
        return;
    }
    minX_ = std::min(minX_, x), maxX_ = std::max(maxX_, x);
    minY_ = std::min(minY_, y), maxY_ = std::max(maxY_, y);
}

void EmfTarget::setPen(const PenSpec& pen) {
    if (havePen_ && pen == pen_) return;
    const int slot = penSlot_ == kPenSlot ? kPenSlot + 1 : kPenSlot;
    replaceObject(kPenSlot, penSlot_, createPenRecord(static_cast<uint32_t>(slot), pen));
    pen_ = pen;
    havePen_ = true;
}

void EmfTarget::setBrush(const BrushSpec& brush) {
    if (haveBrush_ && brush == brush_) return;
    const int slot = brushSlot_ == kBrushSlot ? kBrushSlot + 1 : kBrushSlot;
    replaceObject(kBrushSlot, brushSlot_, createBrushRecord(static_cast<uint32_t>(slot), brush));
    brush_ = brush;
    haveBrush_ = true;
}

void EmfTarget::setFont(const FontSpec& font) {
    if (haveFont_ && font == font_) return;
    const int slot = fontSlot_ == kFontSlot ? kFontSlot + 1 : kFontSlot;
    replaceObject(kFontSlot, fontSlot_, createFontRecord(static_cast<uint32_t>(slot), font));
    font_ = font;
    haveFont_ = true;
}

void EmfTarget::setTextColor(uint32_t color) {
    if (haveTextColor_ && color == textColor_) return;
    append(U_EMRSETTEXTCOLOR_set(colorRef(color)));
    textColor_ = color;
    haveTextColor_ = true;
}

void EmfTarget::fillRect(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top) return;
    // FillRect has no record of its own; a rectangle without outline fills the same pixels when
    // it reaches one further right and down.
    append(U_EMRSELECTOBJECT_set(U_NULL_PEN));
    append(U_EMRRECTANGLE_set(rectL(left, top, right + 1, bottom + 1)));
    if (penSlot_) append(U_EMRSELECTOBJECT_set(static_cast<uint32_t>(penSlot_)));
    bound(left, top);
    bound(right, bottom);
}

void EmfTarget::moveTo(int x, int y) { append(U_EMRMOVETOEX_set(pointL(x, y))); }

void EmfTarget::lineTo(int x, int y) {
    append(U_EMRLINETO_set(pointL(x, y)));
    bound(x, y);
}

void EmfTarget::polyline(const DevicePoint* points, size_t count) {
    if (count < 2) return;
    const std::vector<U_POINTL> pts = pointsL(points, count);
    const U_RECTL b = boundsOf(points, count);
    append(U_EMRPOLYLINE_set(b, static_cast<uint32_t>(count), pts.data()));
    bound(b.left, b.top);
    bound(b.right, b.bottom);
}

void EmfTarget::polygon(const DevicePoint* points, size_t count) {
    if (count < 2) return;
    const std::vector<U_POINTL> pts = pointsL(points, count);
    const U_RECTL b = boundsOf(points, count);
    append(U_EMRPOLYGON_set(b, static_cast<uint32_t>(count), pts.data()));
    bound(b.left, b.top);
    bound(b.right, b.bottom);
}

void EmfTarget::ellipse(int left, int top, int right, int bottom) {
    append(U_EMRELLIPSE_set(rectL(left, top, right, bottom)));
    bound(left, top);
    bound(right, bottom);
}

void EmfTarget::arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
                    int yEnd) {
    append(U_EMRARC_set(rectL(left, top, right, bottom), pointL(xStart, yStart), pointL(xEnd, yEnd)));
    bound(left, top);
    bound(right, bottom);
}

void EmfTarget::textOut(int x, int y, const std::u32string& text) {
    const std::u16string units = CodePointsToUtf16(text);
    if (units.empty()) return;
    std::vector<uint16_t> chars(units.begin(), units.end());
    // Advances per unit: the cell width the font asks for, doubled for full-width characters.
    std::vector<uint32_t> dx(chars.size());
    const int half = std::max(haveFont_ ? font_.width : 0, 1);
    for (size_t i = 0; i < chars.size(); ++i) dx[i] = chars[i] < 0x100 ? half : 2 * half;
    char* emrtext = emrtext_set(pointL(x, y), static_cast<U_NUM_STR>(chars.size()), 2, chars.data(),
                                U_ETO_NONE, rectL(0, 0, -1, -1), dx.data());
    if (!emrtext) {
        failed_ = true;
        return;
    }
    const int h = haveFont_ ? std::abs(font_.height) : 0;
    const U_RECTL b = rectL(x - h, y - h, x + 2 * h * static_cast<int>(chars.size()), y + 2 * h);
    append(U_EMREXTTEXTOUTW_set(b, U_GM_COMPATIBLE, 2540.0f / 96.0f, 2540.0f / 96.0f,
                                reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
    bound(x, y);
}

void EmfTarget::beginPath() {
    append(U_EMRBEGINPATH_set());
    inPath_ = true;
}

void EmfTarget::endPath() {
    append(U_EMRENDPATH_set());
    inPath_ = false;
}

void EmfTarget::strokeAndFillPath() {
    append(U_EMRSTROKEANDFILLPATH_set(rectL(minX_, minY_, maxX_, maxY_)));
}

void EmfTarget::stretchPicture(int left, int top, int right, int bottom, const RasterImage& picture) {
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
    finished_ = true;
    if (inPath_) append(U_EMRABORTPATH_set());
    append(U_EMRSELECTOBJECT_set(U_NULL_PEN));
    if (penSlot_) append(U_EMRDELETEOBJECT_set(static_cast<uint32_t>(penSlot_)));
    if (brushSlot_) {
        append(U_EMRSELECTOBJECT_set(U_NULL_BRUSH));
        append(U_EMRDELETEOBJECT_set(static_cast<uint32_t>(brushSlot_)));
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
    header->nHandles = kHandleCount;
    out = std::move(bytes_);
    return true;
}

}  // namespace korvel
