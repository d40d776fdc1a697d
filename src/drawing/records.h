// The eight kinds of drawing record, as plain values in the order their fields follow each other
// in a JWW record stream.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

// The kinds of record a stream can hold. The numeric values index per-kind tables.
enum class RecordClass : uint8_t {
    Sen = 0,     // TDataSen, "CDataSen"
    Enko = 1,    // TDataEnko, "CDataEnko"
    Ten = 2,     // TDataTen, "CDataTen"
    Moji = 3,    // TDataMoji, "CDataMoji"
    Sunpou = 4,  // TDataSunpou, "CDataSunpou"
    Solid = 5,   // TDataSolid, "CDataSolid"
    Block = 6,   // TDataBlock, "CDataBlock"
    List = 7,    // TDataList, "CDataList"
};
constexpr int kRecordClassCount = 8;

// The attribute block every record begins with.
struct TJwData {
    uint32_t group = 0;
    uint8_t penStyle = 1;
    uint16_t penColor = 1;
    uint16_t penWidth = 0;  // only carried by streams of version 351 and later
    uint16_t layer = 0;
    uint16_t layerGroup = 0;
    uint16_t flags = 0;
};

struct TDataSen : TJwData {
    Point2 start;
    Point2 end;
};

struct TDataEnko : TJwData {
    Point2 center;
    double radius = 0.0;
    double startAngle = 0.0;
    double arcAngle = 0.0;
    double tiltAngle = 0.0;
    double flatness = 1.0;
    uint32_t fullCircle = 0;
};

struct TDataTen : TJwData {
    Point2 point;
    uint32_t temporary = 0;
    // Special points only (penStyle 100, stream version 300 and later).
    uint32_t code = 0;
    double angle = 0.0;
    double scale = 0.0;
};

// Strings are CP932 bytes, as Jw_cad keeps them.
struct TDataMoji : TJwData {
    Point2 start;
    Point2 end;
    uint32_t textType = 0;
    double sizeX = 0.0;
    double sizeY = 0.0;
    double spacing = 0.0;
    double angle = 0.0;
    std::string fontName;
    std::string text;
};

// A point sub-record of a dimension's SXF part (version 420 and later).
struct SunpouPoint : TJwData {
    Point2 point;
    uint32_t temporary = 0;
    uint32_t code = 0;  // special-point tail when penStyle is 100
    double angle = 0.0;
    double scale = 0.0;
};

struct TDataSunpou : TJwData {
    TDataSen line;
    TDataMoji text;
    // Version 420 and later: the SXF part, kept so that info can show it; never drawn.
    bool hasSxf = false;
    uint16_t sxfMode = 0;
    TDataSen auxLine[2];
    SunpouPoint sxfPoint[4];
};

struct TDataSolid : TJwData {
    Point2 corner1;
    Point2 corner2;
    Point2 corner3;
    Point2 corner4;
    uint32_t color = 0;  // 0x00BBGGRR, only present when penColor is 10
};

struct TDataBlock : TJwData {
    Point2 origin;
    double scaleX = 1.0;
    double scaleY = 1.0;
    double rotation = 0.0;
    uint32_t blockNumber = 0;
};

struct TDataList : TJwData {
    uint32_t number = 0;
    uint32_t referenced = 0;
    uint32_t time = 0;
    std::string name;
    uint16_t count = 0;
};

// True for texts that Jw_cad 8 uses to store its own settings inside a drawing: pen colour 9,
// line type 9, both ends at (0, -1000), a "Name = value" string. They are kept and written back
// but never measured, drawn or exported.
bool IsJwcadSettingsText(const TDataMoji& text);

// A block definition's name as people see it (UTF-8): without the compound-figure mark
// "@@SfigorgFlag@@…" that Jw_cad 4.10 and later append.
std::string BlockDisplayName(const std::string& cp932Name);

}  // namespace korvel
