// A placeable Windows metafile canvas: 16-bit coordinates, no paths; every RenderTarget call
// becomes the WMF record GDI would have recorded for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/metafile_frame.h"
#include "output/metafile_objects.h"
#include "render/render_target.h"

namespace korvel {

class WmfTarget : public RenderTarget, private MetafileObjectRecords {
public:
    // Objects kept in the table at once: players of Windows metafiles allocate the table the
    // header asks for, and some keep it small.
    static constexpr int kObjectCapacity = 32;

    explicit WmfTarget(const MetafileFrame& frame);
    ~WmfTarget() override;

    void setPen(const PenSpec& pen) override;
    void setBrush(const BrushSpec& brush) override;
    void fillRect(int left, int top, int right, int bottom) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void polyline(const DevicePoint* points, size_t count) override;
    void polygon(const DevicePoint* points, size_t count) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
             int yEnd) override;
    void setFont(const FontSpec& font) override;
    void setTextColor(uint32_t color) override;
    // Windows metafiles record no paths: between beginPath and endPath texts are drawn as
    // plain text in the text colour, and strokeAndFillPath does nothing.
    void textOut(int x, int y, const std::u32string& text) override;
    void beginPath() override {}
    void endPath() override {}
    void strokeAndFillPath() override {}
    void stretchPicture(int left, int top, int right, int bottom, const RasterImage& picture) override;

    // The placeable header, the records and the end record.
    bool finish(std::vector<uint8_t>& out, std::string& error);

    // Device units per logical unit: 1 unless the picture is wider or higher than 16 bits hold.
    int divisor() const { return divisor_; }

private:
    void createObject(int slot, const MetafileObject& object) override;
    void selectObject(int slot) override;
    void deleteObject(int slot) override;

    void append(char* record);
    int16_t c(int v) const;  // device units to logical units, clamped to 16 bits
    void needPen();
    void needBrush();
    void markFrame();

    MetafileFrame frame_;
    int divisor_ = 1;
    std::vector<uint8_t> records_;
    uint32_t largestWords_ = 0;
    bool failed_ = false;
    bool finished_ = false;

    MetafileObjects objects_;
    bool havePen_ = false, haveBrush_ = false, haveFont_ = false, haveTextColor_ = false;
    PenSpec pen_;
    BrushSpec brush_;
    FontSpec font_;
    uint32_t textColor_ = 0;
};

}  // namespace korvel
