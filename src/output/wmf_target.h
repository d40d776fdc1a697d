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

    void polyline(const DevicePoint* points, size_t count, const PenSpec& pen) override;
    void polygon(const DevicePoint* points, size_t count, const PenSpec& pen,
                 const BrushSpec& brush) override;
    void fillRect(const DeviceRect& rect, const BrushSpec& brush) override;
    void ellipse(const DeviceRect& box, const PenSpec& pen, const BrushSpec& brush) override;
    void arc(const DeviceRect& box, DevicePoint start, DevicePoint end, const PenSpec& pen) override;
    // Windows metafiles record no paths: outline texts are drawn as plain text in their colour.
    void text(DevicePoint cell, const std::u32string& text, const TextStyle& style) override;
    void image(const DeviceRect& rect, const RasterImage& picture) override;

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
    void markFrame();

    MetafileFrame frame_;
    int divisor_ = 1;
    std::vector<uint8_t> records_;
    uint32_t largestWords_ = 0;
    bool failed_ = false;
    bool finished_ = false;

    MetafileObjects objects_;
    bool haveTextColor_ = false;
    uint32_t textColor_ = 0;
};

}  // namespace korvel
