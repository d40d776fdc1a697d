// An enhanced metafile canvas: every RenderTarget call becomes the EMF record GDI would have
// recorded for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/metafile_frame.h"
#include "render/render_target.h"

namespace korvel {

class EmfTarget : public RenderTarget {
public:
    // The most an enhanced metafile can hold: its header counts bytes in 32 bits.
    static constexpr uint64_t kMaxBytes = 0xFFFFFFFFull;

    // `description` names the picture in the header (UTF-8). Records that would take the file
    // past `maxBytes` are not kept: the target is then full and finish() fails.
    EmfTarget(const MetafileFrame& frame, const std::string& description, uint64_t maxBytes = kMaxBytes);
    ~EmfTarget() override;

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
    void textOut(int x, int y, const std::u32string& text) override;
    void beginPath() override;
    void endPath() override;
    void strokeAndFillPath() override;
    void stretchPicture(int left, int top, int right, int bottom, const RasterImage& picture) override;

    // Ends the metafile and hands over its bytes; false (with the reason) when a record could
    // not be made. The target takes no more calls afterwards.
    bool finish(std::vector<uint8_t>& out, std::string& error);

    size_t recordCount() const { return records_; }
    size_t byteCount() const { return bytes_.size(); }
    // True once a record did not fit; a render can stop there (see ExportImage).
    bool full() const { return full_; }

private:
    void append(char* record);
    // Creates the object in the slot not in use, selects it and deletes the previous one.
    void replaceObject(int firstSlot, int& current, char* createRecord);
    void bound(int x, int y);

    MetafileFrame frame_;
    std::vector<uint8_t> bytes_;
    size_t records_ = 0;
    bool failed_ = false;
    bool full_ = false;
    uint64_t maxBytes_;
    bool finished_ = false;
    bool inPath_ = false;

    // Slots 1-2 pens, 3-4 brushes, 5-6 fonts; 0 is the metafile itself.
    int penSlot_ = 0;
    int brushSlot_ = 0;
    int fontSlot_ = 0;
    bool havePen_ = false, haveBrush_ = false, haveFont_ = false, haveTextColor_ = false;
    PenSpec pen_;
    BrushSpec brush_;
    FontSpec font_;
    uint32_t textColor_ = 0;

    int minX_ = 0, minY_ = 0, maxX_ = -1, maxY_ = -1;  // drawn area, for the header's bounds
};

}  // namespace korvel
