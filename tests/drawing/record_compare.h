// Compares two drawings record by record, leaving out the fields a file version does not carry.
#pragma once

#include <gtest/gtest.h>

#include "drawing/drawing.h"

namespace korvel::test {

inline void ExpectSameAttributes(const TJwData& a, const TJwData& b, uint32_t v) {
    EXPECT_EQ(a.group, b.group);
    EXPECT_EQ(a.penStyle, b.penStyle);
    EXPECT_EQ(a.penColor, b.penColor);
    EXPECT_EQ(v >= 351 ? a.penWidth : 0, b.penWidth);
    EXPECT_EQ(a.layer, b.layer);
    EXPECT_EQ(a.layerGroup, b.layerGroup);
    EXPECT_EQ(a.flags, b.flags);
}

inline void ExpectSame(const Point2& a, const Point2& b) {
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
}

inline void ExpectSameRecord(const TDataSen& a, const TDataSen& b, uint32_t v) {
    ExpectSameAttributes(a, b, v);
    ExpectSame(a.start, b.start);
    ExpectSame(a.end, b.end);
}
inline void ExpectSameRecord(const TDataEnko& a, const TDataEnko& b, uint32_t v) {
    ExpectSameAttributes(a, b, v);
    ExpectSame(a.center, b.center);
    EXPECT_EQ(a.radius, b.radius);
    EXPECT_EQ(a.startAngle, b.startAngle);
    EXPECT_EQ(a.arcAngle, b.arcAngle);
    EXPECT_EQ(a.tiltAngle, b.tiltAngle);
    EXPECT_EQ(a.flatness, b.flatness);
    EXPECT_EQ(a.fullCircle, b.fullCircle);
}
inline void ExpectSameRecord(const TDataTen& a, const TDataTen& b, uint32_t v) {
    ExpectSameAttributes(a, b, v);
    ExpectSame(a.point, b.point);
    EXPECT_EQ(a.temporary, b.temporary);
    const bool special = v >= 300 && a.penStyle == 100;
    EXPECT_EQ(special ? a.code : 0u, b.code);
    EXPECT_EQ(special ? a.angle : 0.0, b.angle);
    EXPECT_EQ(special ? a.scale : 0.0, b.scale);
}
inline void ExpectSameRecord(const TDataMoji& a, const TDataMoji& b, uint32_t v) {
    ExpectSameAttributes(a, b, v);
    ExpectSame(a.start, b.start);
    ExpectSame(a.end, b.end);
    EXPECT_EQ(a.textType, b.textType);
    EXPECT_EQ(a.sizeX, b.sizeX);
    EXPECT_EQ(a.sizeY, b.sizeY);
    EXPECT_EQ(a.spacing, b.spacing);
    EXPECT_EQ(a.angle, b.angle);
    EXPECT_EQ(a.fontName, b.fontName);
    EXPECT_EQ(a.text, b.text);
}
inline void ExpectSameRecord(const TDataSunpou& a, const TDataSunpou& b, uint32_t v) {
    ExpectSameAttributes(a, b, v);
    ExpectSameRecord(a.line, b.line, v);
    ExpectSameRecord(a.text, b.text, v);
    EXPECT_FALSE(b.hasSxf);  // written at 3.51 or below
}
inline void ExpectSameRecord(const TDataSolid& a, const TDataSolid& b, uint32_t v) {
    ExpectSameAttributes(a, b, v);
    ExpectSame(a.corner1, b.corner1);
    ExpectSame(a.corner2, b.corner2);
    ExpectSame(a.corner3, b.corner3);
    ExpectSame(a.corner4, b.corner4);
    EXPECT_EQ(a.penColor == 10 ? a.color : 0u, b.color);
}
inline void ExpectSameRecord(const TDataBlock& a, const TDataBlock& b, uint32_t v) {
    ExpectSameAttributes(a, b, v);
    ExpectSame(a.origin, b.origin);
    EXPECT_EQ(a.scaleX, b.scaleX);
    EXPECT_EQ(a.scaleY, b.scaleY);
    EXPECT_EQ(a.rotation, b.rotation);
    EXPECT_EQ(a.blockNumber, b.blockNumber);
}
inline void ExpectSameRecord(const TDataList& a, const TDataList& b, uint32_t v) {
    ExpectSameAttributes(a, b, v);
    EXPECT_EQ(a.number, b.number);
    EXPECT_EQ(a.referenced, b.referenced);
    EXPECT_EQ(a.time, b.time);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.count, b.count);
}

template <class T>
void ExpectSameList(const std::vector<T>& a, const std::vector<T>& b, uint32_t v, const char* what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE(std::string(what) + " #" + std::to_string(i));
        ExpectSameRecord(a[i], b[i], v);
        if (::testing::Test::HasFailure()) return;  // one broken record is enough to read
    }
}

inline void ExpectSameSet(const RecordSet& a, const RecordSet& b, uint32_t v) {
    ASSERT_EQ(a.sequence.size(), b.sequence.size());
    for (size_t i = 0; i < a.sequence.size(); ++i) {
        ASSERT_EQ(a.sequence[i].cls, b.sequence[i].cls) << "record " << i;
        ASSERT_EQ(a.sequence[i].index, b.sequence[i].index) << "record " << i;
    }
    ExpectSameList(a.lines, b.lines, v, "line");
    ExpectSameList(a.circles, b.circles, v, "circle");
    ExpectSameList(a.points, b.points, v, "point");
    ExpectSameList(a.texts, b.texts, v, "text");
    ExpectSameList(a.dimensions, b.dimensions, v, "dimension");
    ExpectSameList(a.solids, b.solids, v, "solid");
    ExpectSameList(a.inserts, b.inserts, v, "insert");
    ExpectSameList(a.definitions, b.definitions, v, "definition");
}

inline void ExpectSameRecords(const Drawing& a, const Drawing& b, uint32_t v) {
    EXPECT_EQ(a.ExpectedCount, b.ExpectedCount);
    ExpectSameSet(a.top, b.top, v);
    ExpectSameSet(a.members, b.members, v);
}

// The header fields every written version carries, and those that come with it.
inline void ExpectSameHeader(const DrawingHeader& a, const DrawingHeader& b, uint32_t v) {
    EXPECT_EQ(a.Memo, b.Memo);
    EXPECT_EQ(a.PaperSize, b.PaperSize);
    EXPECT_EQ(a.LayerGroupState, b.LayerGroupState);
    EXPECT_EQ(a.LayerState, b.LayerState);
    EXPECT_EQ(a.LayerGroupScale, b.LayerGroupScale);
    EXPECT_EQ(a.LayerName, b.LayerName);
    EXPECT_EQ(a.LayerGroupName, b.LayerGroupName);
    EXPECT_EQ(a.PenColor, b.PenColor);
    EXPECT_EQ(a.PenWidth, b.PenWidth);
    EXPECT_EQ(a.LineTypePattern, b.LineTypePattern);
    EXPECT_EQ(a.LineTypePitch, b.LineTypePitch);
    EXPECT_EQ(a.RandomLineWidth, b.RandomLineWidth);
    EXPECT_EQ(a.TextWidth, b.TextWidth);
    EXPECT_EQ(a.TextHeight, b.TextHeight);
    EXPECT_EQ(a.CurrentTextWidth, b.CurrentTextWidth);
    if (v >= 212) {
        EXPECT_EQ(a.LayerProtect, b.LayerProtect);
    }
    if (v >= 217) {
        EXPECT_EQ(a.DisplayOption, b.DisplayOption);
    }
    if (v >= 223) {
        EXPECT_EQ(a.ExtraOption, b.ExtraOption);
    }
    if (v >= 230) {
        EXPECT_EQ(a.ExtraOption2, b.ExtraOption2);
    }
    if (v >= 214) {
        EXPECT_EQ(a.TextShiftX, b.TextShiftX);
    }
    EXPECT_TRUE(b.SxfPens.empty());
}

}  // namespace korvel::test
