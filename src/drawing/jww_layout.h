// The byte layouts of the JWW header and of every record kind, by version, written once for
// both directions (Ar is ReadArchive or WriteArchive; H and R may be const when writing).
#pragma once

#include <cstdint>

#include "drawing/archive.h"
#include "drawing/drawing_header.h"
#include "drawing/records.h"

namespace korvel {

template <class Ar, class P>
void archivePoint(Ar& ar, P& p) {
    ar.f64(p.x);
    ar.f64(p.y);
}

// The attribute block: 15 bytes from version 351, 13 (without penWidth) before.
template <class Ar, class A>
void archiveAttributes(Ar& ar, A& a, uint32_t version) {
    ar.u32(a.group);
    ar.u8(a.penStyle);
    ar.u16(a.penColor);
    if (version >= 351) ar.u16(a.penWidth);
    ar.u16(a.layer);
    ar.u16(a.layerGroup);
    ar.u16(a.flags);
}

template <class Ar, class R>
void archiveSen(Ar& ar, R& r, uint32_t version) {
    archiveAttributes(ar, r, version);
    archivePoint(ar, r.start);
    archivePoint(ar, r.end);
}

template <class Ar, class R>
void archiveEnko(Ar& ar, R& r, uint32_t version) {
    archiveAttributes(ar, r, version);
    archivePoint(ar, r.center);
    ar.f64(r.radius);
    ar.f64(r.startAngle);
    ar.f64(r.arcAngle);
    ar.f64(r.tiltAngle);
    ar.f64(r.flatness);
    ar.u32(r.fullCircle);
}

// Points and the point sub-records of dimensions: the special-point tail only for penStyle 100.
template <class Ar, class R>
void archiveTen(Ar& ar, R& r, uint32_t version) {
    archiveAttributes(ar, r, version);
    archivePoint(ar, r.point);
    ar.u32(r.temporary);
    if (version >= 300 && r.penStyle == 100) {
        ar.u32(r.code);
        ar.f64(r.angle);
        ar.f64(r.scale);
    }
}

template <class Ar, class R>
void archiveMoji(Ar& ar, R& r, uint32_t version) {
    archiveAttributes(ar, r, version);
    archivePoint(ar, r.start);
    archivePoint(ar, r.end);
    ar.u32(r.textType);
    ar.f64(r.sizeX);
    ar.f64(r.sizeY);
    ar.f64(r.spacing);
    ar.f64(r.angle);
    ar.str(r.fontName);
    ar.str(r.text);
}

template <class Ar, class R>
void archiveSunpou(Ar& ar, R& r, uint32_t version) {
    archiveAttributes(ar, r, version);
    archiveSen(ar, r.line, version);
    archiveMoji(ar, r.text, version);
    if (version >= 420) {
        if constexpr (Ar::reading) r.hasSxf = true;
        ar.u16(r.sxfMode);
        for (auto& l : r.auxLine) archiveSen(ar, l, version);
        for (auto& p : r.sxfPoint) archiveTen(ar, p, version);
    }
}

template <class Ar, class R>
void archiveSolid(Ar& ar, R& r, uint32_t version) {
    archiveAttributes(ar, r, version);
    archivePoint(ar, r.corner1);
    archivePoint(ar, r.corner2);
    archivePoint(ar, r.corner3);
    archivePoint(ar, r.corner4);
    if (r.penColor == 10) ar.u32(r.color);
}

template <class Ar, class R>
void archiveBlock(Ar& ar, R& r, uint32_t version) {
    archiveAttributes(ar, r, version);
    archivePoint(ar, r.origin);
    ar.f64(r.scaleX);
    ar.f64(r.scaleY);
    ar.f64(r.rotation);
    ar.u32(r.blockNumber);
}

template <class Ar, class R>
void archiveList(Ar& ar, R& r, uint32_t version) {
    archiveAttributes(ar, r, version);
    ar.u32(r.number);
    ar.u32(r.referenced);
    ar.u32(r.time);
    ar.str(r.name);
    ar.u16(r.count);
}

// Fewest bytes a record of each kind needs to be read at all; shorter leftovers mark a truncated
// stream. The base figures are for the 13-byte attribute block; later versions add two bytes per
// block, and dimensions of version 420 their SXF part. None may be above the true least (strings
// of one byte), or a whole record at the very end of the data would be dropped.
inline size_t minimumRecordBytes(RecordClass cls, uint32_t version) {
    const size_t extra = version >= 351 ? 2 : 0;
    switch (cls) {
        case RecordClass::Sen: return 45 + extra;
        case RecordClass::Enko: return 73 + extra;
        case RecordClass::Ten: return 33 + extra;
        case RecordClass::Moji: return 81 + extra;
        case RecordClass::Sunpou: {
            size_t n = 141 + 3 * extra;
            if (version >= 420) n += 2 + 2 * (47) + 4 * (35);
            return n;
        }
        case RecordClass::Solid: return 73 + extra;
        case RecordClass::Block: return 57 + extra;
        case RecordClass::List: return 27 + extra;
    }
    return 0;
}

// Version 420 and later: SXF pen and line-type tables between the extra options and the text
// types. Only ever read: the writer stops at version 351.
template <class Ar, class H>
void archiveSxfTables(Ar& ar, H& h) {
    if constexpr (Ar::reading) {
        h.SxfPens.assign(kSxfPens, SxfPen{});
        h.SxfLineTypes.assign(kSxfLineTypes, SxfLineType{});
        for (auto& p : h.SxfPens) {
            ar.u32(p.screenColor);
            ar.u32(p.screenWidth);
        }
        for (auto& p : h.SxfPens) {
            ar.str(p.colorName);
            ar.u32(p.printerColor);
            ar.u32(p.printerWidth);
            ar.f64(p.pointRadius);
            if (ar.failed()) return;
        }
        for (auto& t : h.SxfLineTypes) {
            ar.u32(t.pattern);
            ar.u32(t.unit);
            ar.u32(t.pitch);
            ar.u32(t.printerPitch);
        }
        for (auto& t : h.SxfLineTypes) {
            ar.str(t.name);
            ar.u32(t.segmentCount);
            for (auto& d : t.segments) ar.f64(d);
            if (ar.failed()) return;
        }
    }
}

// The JWW header from the magic to the record count (exclusive). When reading, the version
// just read chooses the layout; when writing, `writeVersion` does.
template <class Ar, class H>
void archiveJwwHeaderBody(Ar& ar, H& h, uint32_t writeVersion) {
    uint32_t v = writeVersion;
    if constexpr (Ar::reading) {
        ar.u32(h.Version);
        v = h.Version;
    } else {
        ar.u32(v);
    }
    ar.str(h.Memo);
    ar.u32(h.PaperSize);
    ar.u32(h.WriteLayerGroup);
    for (int g = 0; g < kLayerGroups; ++g) {
        ar.u32(h.LayerGroupState[g]);
        ar.u32(h.WriteLayer[g]);
        ar.f64(h.LayerGroupScale[g]);
        if (v >= 212) ar.u32(h.LayerGroupProtect[g]);
        for (int l = 0; l < kLayers; ++l) {
            ar.u32(h.LayerState[g][l]);
            if (v >= 212) ar.u32(h.LayerProtect[g][l]);
        }
        if (ar.failed()) return;
    }
    if (v >= 212)
        for (auto& x : h.Reserved21) ar.u32(x);
    if (v >= 65) {
        ar.f64(h.PrintOriginX);
        ar.f64(h.PrintOriginY);
    }
    if (v >= 202) {
        ar.f64(h.PrintScale);
        ar.u32(h.PrintOption);
    }
    if (v >= 65) {
        ar.u32(h.GridMode);
        ar.f64(h.GridMinimum);
        ar.f64(h.GridIntervalX);
        ar.f64(h.GridIntervalY);
        ar.f64(h.GridReferenceX);
        ar.f64(h.GridReferenceY);
    }
    for (auto& group : h.LayerName)
        for (auto& name : group) ar.str(name);
    for (auto& name : h.LayerGroupName) ar.str(name);
    if (ar.failed()) return;
    if (v >= 200) {
        ar.f64(h.ShadowLevel);
        ar.f64(h.ShadowLatitude);
        ar.u32(h.ShadowHours);
        ar.f64(h.WallShadowLevel);
    }
    if (v >= 300) {
        ar.f64(h.SkyMapLevel);
        ar.f64(h.SkyMapRadius);
    }
    if (v >= 200) {
        ar.u32(h.Unit3D);
        ar.f64(h.ViewScale);
        ar.f64(h.ViewOriginX);
        ar.f64(h.ViewOriginY);
        ar.f64(h.RangeScale);
        ar.f64(h.RangeOriginX);
        ar.f64(h.RangeOriginY);
        const int marks = v >= 300 ? 10 : 4;
        for (int i = 0; i < marks; ++i) {
            ar.f64(h.MarkJump[i].scale);
            ar.f64(h.MarkJump[i].x);
            ar.f64(h.MarkJump[i].y);
            if (v >= 300) ar.u32(h.MarkJump[i].layerGroup);
        }
        for (auto& d : h.ParallelDistance) ar.f64(d);
        ar.f64(h.ParallelEndExtension);
    }
    if (v >= 201) {
        for (int i = 0; i < kPenColors; ++i) {
            ar.u32(h.PenColor[i]);
            ar.u32(h.PenWidth[i]);
        }
        for (int i = 0; i < kPenColors; ++i) {
            ar.u32(h.PrtPenColor[i]);
            ar.u32(h.PrtPenWidth[i]);
            ar.f64(h.PointRadius[i]);
        }
        // Ordinary (2..9) and double-length (16..19) line types share one layout.
        auto lineType = [&](int n) {
            ar.u32(h.LineTypePattern[n]);
            ar.u32(h.LineTypeUnit[n]);
            ar.u32(h.LineTypePitch[n]);
            ar.u32(h.PrtLineTypePitch[n]);
        };
        for (int n = 2; n <= 9; ++n) lineType(n);
        for (int n = 11; n <= 15; ++n) {
            ar.u32(h.LineTypePattern[n]);
            ar.u32(h.RandomLineWidth[n]);
            ar.u32(h.LineTypePitch[n]);
            ar.u32(h.PrtRandomLineWidth[n]);
            ar.u32(h.PrtLineTypePitch[n]);
        }
        for (int n = 16; n <= 19; ++n) lineType(n);
        if (v >= 217)
            for (auto& x : h.DisplayOption) ar.u32(x);
    }
    if (v >= 223) {
        for (auto& x : h.ExtraOption) ar.u32(x);
        for (auto& x : h.ExtraValue) ar.f64(x);
    }
    if (v >= 225)
        for (auto& x : h.ExtraValue2) ar.f64(x);
    if (v >= 230)
        for (auto& x : h.ExtraOption2) ar.u32(x);
    if (v >= 420) archiveSxfTables(ar, h);
    if (ar.failed()) return;
    for (int i = 1; i < kTextTypes; ++i) {
        ar.f64(h.TextWidth[i]);
        ar.f64(h.TextHeight[i]);
        ar.f64(h.TextSpacing[i]);
        ar.u32(h.TextColor[i]);
    }
    ar.f64(h.CurrentTextWidth);
    ar.f64(h.CurrentTextHeight);
    ar.f64(h.CurrentTextSpacing);
    ar.u32(h.CurrentTextColor);
    ar.u32(h.CurrentTextType);
    ar.f64(h.TextRowSpacing);
    ar.f64(h.TextRowLength);
    if (v >= 214) {
        ar.u32(h.TextShiftOn);
        for (auto& x : h.TextShiftX) ar.f64(x);
        for (auto& x : h.TextShiftY) ar.f64(x);
    }
}

}  // namespace korvel
