// The decoded header of a drawing: version, memo, layers, scales, pens, line types and text
// sizes. It outlives a load so that fields a header kind does not carry keep earlier values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

constexpr int kLayerGroups = 16;
constexpr int kLayers = 16;
constexpr int kPenColors = 10;   // colour numbers 0..9; 0 is the background
constexpr int kLineTypes = 20;   // line type numbers 0..19
constexpr int kTextTypes = 11;   // text types 1..10 (index 0 unused)

struct MarkJumpEntry {
    double scale = 0.0;
    double x = 0.0;
    double y = 0.0;
    uint32_t layerGroup = 0;
};

// Version 420 and later: the SXF extended pens (colours 100..356) and line types (30..62).
struct SxfPen {
    uint32_t screenColor = 0;
    uint32_t screenWidth = 0;
    std::string colorName;  // CP932
    uint32_t printerColor = 0;
    uint32_t printerWidth = 0;
    double pointRadius = 0.0;
};
struct SxfLineType {
    uint32_t pattern = 0;
    uint32_t unit = 0;
    uint32_t pitch = 0;
    uint32_t printerPitch = 0;
    std::string name;  // CP932
    uint32_t segmentCount = 0;
    std::array<double, 10> segments{};
};
constexpr int kSxfPens = 257;
constexpr int kSxfLineTypes = 33;

struct DrawingHeader {
    uint32_t Version = 0;
    std::string Memo;  // CP932
    uint32_t PaperSize = 0;
    uint32_t WriteLayerGroup = 0;

    std::array<uint32_t, kLayerGroups> LayerGroupState{};
    std::array<uint32_t, kLayerGroups> WriteLayer{};
    std::array<double, kLayerGroups> LayerGroupScale{};
    std::array<uint32_t, kLayerGroups> LayerGroupProtect{};
    std::array<std::array<uint32_t, kLayers>, kLayerGroups> LayerState{};
    std::array<std::array<uint32_t, kLayers>, kLayerGroups> LayerProtect{};

    std::array<uint32_t, 21> Reserved21{};
    double PrintOriginX = 0.0, PrintOriginY = 0.0;
    double PrintScale = 0.0;
    uint32_t PrintOption = 0;
    uint32_t GridMode = 0;
    double GridMinimum = 0.0, GridIntervalX = 0.0, GridIntervalY = 0.0;
    double GridReferenceX = 0.0, GridReferenceY = 0.0;

    std::array<std::array<std::string, kLayers>, kLayerGroups> LayerName;  // CP932
    std::array<std::string, kLayerGroups> LayerGroupName;                  // CP932

    double ShadowLevel = 0.0, ShadowLatitude = 0.0;
    uint32_t ShadowHours = 0;
    double WallShadowLevel = 0.0;
    double SkyMapLevel = 0.0, SkyMapRadius = 0.0;
    uint32_t Unit3D = 0;
    double ViewScale = 0.0, ViewOriginX = 0.0, ViewOriginY = 0.0;
    double RangeScale = 0.0, RangeOriginX = 0.0, RangeOriginY = 0.0;
    std::array<MarkJumpEntry, 10> MarkJump{};  // 4 entries below version 300
    std::array<double, 10> ParallelDistance{};
    double ParallelEndExtension = 0.0;

    // The pen table (JwPenTable): drawing pens, replaced by Jw_cad's or our own settings.
    std::array<uint32_t, kPenColors> PenColor{};  // 0x00BBGGRR, top byte dropped on read
    std::array<uint32_t, kPenColors> PenWidth{};
    std::array<uint32_t, kPenColors> PrtPenColor{};
    std::array<uint32_t, kPenColors> PrtPenWidth{};
    std::array<double, kPenColors> PointRadius{};
    std::array<uint32_t, kLineTypes> LineTypePattern{};
    std::array<uint32_t, kLineTypes> LineTypeUnit{};
    std::array<uint32_t, kLineTypes> LineTypePitch{};
    std::array<uint32_t, kLineTypes> PrtLineTypePitch{};
    std::array<uint32_t, kLineTypes> RandomLineWidth{};
    std::array<uint32_t, kLineTypes> PrtRandomLineWidth{};

    std::array<uint32_t, 11> DisplayOption{};
    std::array<uint32_t, 5> ExtraOption{};
    std::array<double, 5> ExtraValue{};
    std::array<double, 4> ExtraValue2{};
    std::array<uint32_t, 2> ExtraOption2{};

    // Version 420 and later; read and kept, never written (the writer stops at version 351).
    std::vector<SxfPen> SxfPens;
    std::vector<SxfLineType> SxfLineTypes;

    std::array<double, kTextTypes> TextWidth{};
    std::array<double, kTextTypes> TextHeight{};
    std::array<double, kTextTypes> TextSpacing{};
    std::array<uint32_t, kTextTypes> TextColor{};
    double CurrentTextWidth = 0.0, CurrentTextHeight = 0.0, CurrentTextSpacing = 0.0;
    uint32_t CurrentTextColor = 0, CurrentTextType = 0;
    double TextRowSpacing = 0.0, TextRowLength = 0.0;
    uint32_t TextShiftOn = 0;
    std::array<double, 3> TextShiftX{};
    std::array<double, 3> TextShiftY{};
};

// Paper size captions by index, as the drawing information dialog lists them (UTF-8).
extern const char* const kPaperSizeNames[12];

}  // namespace korvel
