// WMF object handles take the lowest free slot of the object table, which the shared object
// table keeps the same way. The placeable header (22 bytes) and the metafile header (18 bytes) are
// written here: their layout has unaligned fields that a C struct would pad.
#include "output/wmf_target.h"
#include "output/little_endian.h"

#include <uwmf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "output/metafile_dib.h"
#include "drawing/colour.h"
#include "drawing/cp932.h"
#include "output/metafile_text.h"

namespace korvel {

namespace {

constexpr int kMaxCoordinate = 32767;
constexpr uint16_t kPsNull = 5;
constexpr uint16_t kPsEndcapSquare = 0x100, kPsEndcapFlat = 0x200;
constexpr uint16_t kPsJoinBevel = 0x1000, kPsJoinMiter = 0x2000;

U_COLORREF colorRef(uint32_t c) { return U_RGB(RedOf(c), GreenOf(c), BlueOf(c)); }

uint16_t hatchOf(BrushStyle style) {
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

uint16_t penStyle(const PenSpec& pen) {
    if (!pen.geometric) return U_PS_SOLID;
    uint16_t style = U_PS_SOLID;
    if (pen.cap == LineCap::Flat) style |= kPsEndcapFlat;
    if (pen.cap == LineCap::Square) style |= kPsEndcapSquare;
    if (pen.join == LineJoin::Miter) style |= kPsJoinMiter;
    if (pen.join == LineJoin::Bevel) style |= kPsJoinBevel;
    return style;
}

uint32_t recordWords(const char* record) {
    const auto* r = reinterpret_cast<const U_METARECORD*>(record);
    return r->Size16_4[0] | (static_cast<uint32_t>(r->Size16_4[1]) << 16);
}

}  // namespace

WmfTarget::WmfTarget(const MetafileFrame& frame) : frame_(frame), objects_(*this, 0, kObjectCapacity) {
    const int largest = std::max(frame.width, frame.height);
    divisor_ = std::max(1, (largest + kMaxCoordinate - 1) / kMaxCoordinate);
    U_POINT16 origin{0, 0};
    append(U_WMRSETWINDOWORG_set(origin));
    append(U_WMRSETWINDOWEXT_set(U_POINT16{c(frame.width), c(frame.height)}));
    append(U_WMRSETBKMODE_set(U_TRANSPARENT));
    append(U_WMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT | U_TA_NOUPDATECP));
    append(U_WMRSETPOLYFILLMODE_set(U_ALTERNATE));
    append(U_WMRSETSTRETCHBLTMODE_set(U_COLORONCOLOR));
    append(U_WMRSETROP2_set(U_R2_COPYPEN));
}

void WmfTarget::markFrame() {
    // Readers that size a Windows metafile by what it draws (libwmf, and the programs built on
    // it) would stretch the drawing over the whole frame, which at real scale is 1.2 times too
    // large. An invisible rectangle over the frame, drawn last, makes what is drawn reach its
    // edges.
    objects_.select(MetafileObject::nullPen());
    objects_.select(MetafileObject::of(BrushSpec{BrushStyle::Clear, 0}));
    append(U_WMRRECTANGLE_set(U_RECT16{0, 0, c(frame_.width), c(frame_.height)}));
}

void WmfTarget::selectObject(int slot) { append(U_WMRSELECTOBJECT_set(static_cast<uint16_t>(slot))); }

void WmfTarget::deleteObject(int slot) { append(U_WMRDELETEOBJECT_set(static_cast<uint16_t>(slot))); }

void WmfTarget::createObject(int, const MetafileObject& object) {
    switch (object.kind) {
    case MetafileObjectKind::NullPen:
        append(U_WMRCREATEPENINDIRECT_set(U_PEN_set(kPsNull, 0, colorRef(0))));
        break;
    case MetafileObjectKind::Pen: {
        const PenSpec& pen = object.pen;
        const int width = pen.width <= 0 ? 0 : std::max(1, pen.width / divisor_);
        append(U_WMRCREATEPENINDIRECT_set(U_PEN_set(
            penStyle(pen), static_cast<uint16_t>(std::min(width, 32767)), colorRef(pen.color))));
        break;
    }
    case MetafileObjectKind::Brush: {
        const BrushSpec& brush = object.brush;
        uint16_t style = U_BS_SOLID;
        if (brush.style == BrushStyle::Clear) style = U_BS_NULL;
        else if (brush.style != BrushStyle::Solid) style = U_BS_HATCHED;
        append(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(style, colorRef(brush.color), hatchOf(brush.style))));
        break;
    }
    case MetafileObjectKind::Font: {
        const FontSpec& font = object.font;
        std::string face = Utf8ToCp932(font.face);
        if (face.size() > 31) face.resize(31);
        auto scaled = [this](int v) {
            return static_cast<int16_t>(std::clamp(v / divisor_, -32768, 32767));
        };
        U_FONT* f = U_FONT_set(scaled(font.height), scaled(font.width),
                               static_cast<int16_t>(font.escapement), static_cast<int16_t>(font.orientation),
                               static_cast<int16_t>(font.weight), font.italic, font.underline,
                               font.strikeOut, U_SHIFTJIS_CHARSET, U_OUT_DEFAULT_PRECIS,
                               U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, 0, face.data());
        // Without the record the slot would be taken in the table and not in the file.
        append(f ? U_WMRCREATEFONTINDIRECT_set(f) : nullptr);
        std::free(f);
        break;
    }
    }
}

WmfTarget::~WmfTarget() = default;

int16_t WmfTarget::c(int v) const {
    // Rounded to nearest (half away from zero) when the picture is scaled down.
    long long scaled = divisor_ == 1 ? v
                                     : (v >= 0 ? (static_cast<long long>(v) + divisor_ / 2) / divisor_
                                               : -((-static_cast<long long>(v) + divisor_ / 2) / divisor_));
    return static_cast<int16_t>(std::clamp<long long>(scaled, -32768, 32767));
}

void WmfTarget::append(char* record) {
    if (!record) {
        failed_ = true;
        return;
    }
    const uint32_t words = recordWords(record);
    records_.insert(records_.end(), record, record + 2 * static_cast<size_t>(words));
    largestWords_ = std::max(largestWords_, words);
    std::free(record);
}

void WmfTarget::fillRect(const DeviceRect& r, const BrushSpec& brush) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    objects_.select(MetafileObject::of(brush));
    objects_.select(MetafileObject::nullPen());
    append(U_WMRRECTANGLE_set(
        U_RECT16{c(r.left), c(r.top), c(r.right + divisor_), c(r.bottom + divisor_)}));
}

void WmfTarget::polyline(const DevicePoint* points, size_t count, const PenSpec& pen) {
    // A record holds at most 65535 points; longer lines go in pieces that share their ends.
    constexpr size_t kMax = 65535;
    if (count >= 2) objects_.select(pen);
    for (size_t start = 0; start + 1 < count; start += kMax - 1) {
        const size_t n = std::min(kMax, count - start);
        std::vector<U_POINT16> pts(n);
        for (size_t i = 0; i < n; ++i) pts[i] = U_POINT16{c(points[start + i].x), c(points[start + i].y)};
        append(U_WMRPOLYLINE_set(static_cast<uint16_t>(n), pts.data()));
    }
}

void WmfTarget::polygon(const DevicePoint* points, size_t count, const PenSpec& pen,
                        const BrushSpec& brush) {
    if (count < 2) return;
    objects_.select(pen);
    objects_.select(MetafileObject::of(brush));
    const size_t n = std::min<size_t>(count, 65535);
    std::vector<U_POINT16> pts(n);
    for (size_t i = 0; i < n; ++i) pts[i] = U_POINT16{c(points[i].x), c(points[i].y)};
    append(U_WMRPOLYGON_set(static_cast<uint16_t>(n), pts.data()));
}

void WmfTarget::ellipse(const DeviceRect& r, const PenSpec& pen, const BrushSpec& brush) {
    objects_.select(pen);
    objects_.select(MetafileObject::of(brush));
    append(U_WMRELLIPSE_set(U_RECT16{c(r.left), c(r.top), c(r.right), c(r.bottom)}));
}

void WmfTarget::arc(const DeviceRect& r, DevicePoint start, DevicePoint end, const PenSpec& pen) {
    objects_.select(pen);
    append(U_WMRARC_set(U_POINT16{c(start.x), c(start.y)}, U_POINT16{c(end.x), c(end.y)},
                        U_RECT16{c(r.left), c(r.top), c(r.right), c(r.bottom)}));
}

void WmfTarget::text(DevicePoint cell, const std::u32string& text, const TextStyle& style) {
    if (!haveTextColor_ || style.color != textColor_) {
        append(U_WMRSETTEXTCOLOR_set(colorRef(style.color)));
        textColor_ = style.color;
        haveTextColor_ = true;
    }
    std::string bytes = CodePointsToCp932(text);
    if (bytes.empty()) return;
    if (bytes.size() > 32767) bytes.resize(32767);
    objects_.select(MetafileObject::of(style.font));
    append(U_WMREXTTEXTOUT_set(U_POINT16{c(cell.x), c(cell.y)}, static_cast<int16_t>(bytes.size()), 0,
                               bytes.data(), nullptr, U_RECT16{0, 0, 0, 0}));
}

void WmfTarget::image(const DeviceRect& r, const RasterImage& picture) {
    const int left = r.left, top = r.top, right = r.right, bottom = r.bottom;
    Dib dib = MakeDib(picture);
    if (dib.pixels.empty() || right == left || bottom == top) return;
    if (picture.width > 32767 || picture.height > 32767) return;  // beyond the record's fields
    // The far edges rounded where lines along them round, not the size on its own.
    append(U_WMRSTRETCHDIB_set(U_POINT16{c(left), c(top)},
                               U_POINT16{static_cast<int16_t>(c(right) - c(left)),
                                         static_cast<int16_t>(c(bottom) - c(top))},
                               U_POINT16{0, 0},
                               U_POINT16{static_cast<int16_t>(picture.width),
                                         static_cast<int16_t>(picture.height)},
                               U_DIB_RGB_COLORS, U_SRCCOPY,
                               reinterpret_cast<const U_BITMAPINFO*>(dib.info.data()),
                               static_cast<uint32_t>(dib.pixels.size()),
                               reinterpret_cast<const char*>(dib.pixels.data())));
}

bool WmfTarget::finish(std::vector<uint8_t>& out, std::string& error) {
    if (finished_) {
        error = "the metafile was already finished";
        return false;
    }
    finished_ = true;
    markFrame();
    append(U_WMREOF_set());
    if (failed_) {
        error = "a metafile record could not be made";
        return false;
    }
    constexpr uint32_t kHeaderWords = 9;
    const uint64_t totalWords = kHeaderWords + records_.size() / 2;
    if (totalWords > 0xFFFFFFFFull) {
        error = "the metafile is too large";
        return false;
    }
    out.clear();
    out.reserve(22 + 18 + records_.size());
    // Placeable header: key, handle, bounding box, units per inch, reserved, checksum.
    const uint16_t inch = static_cast<uint16_t>(std::max(1, (96 + divisor_ / 2) / divisor_));
    put32(out, 0x9AC6CDD7u);
    put16(out, 0);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint16_t>(c(frame_.width)));
    put16(out, static_cast<uint16_t>(c(frame_.height)));
    put16(out, inch);
    put32(out, 0);
    uint16_t checksum = 0;
    for (size_t i = 0; i < 20; i += 2) checksum ^= static_cast<uint16_t>(out[i] | (out[i + 1] << 8));
    put16(out, checksum);
    // Metafile header: on disk, 9 words, version 3.0, size, objects, largest record, members.
    put16(out, 1);
    put16(out, kHeaderWords);
    put16(out, 0x0300);
    put32(out, static_cast<uint32_t>(totalWords));
    put16(out, static_cast<uint16_t>(objects_.tableSize()));
    put32(out, largestWords_);
    put16(out, 0);
    out.insert(out.end(), records_.begin(), records_.end());
    return true;
}

}  // namespace korvel
