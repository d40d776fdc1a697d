// An enhanced metafile canvas: every RenderTarget call becomes the EMF record GDI would have
// recorded for it, in 16-bit points where they fit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/metafile_frame.h"
#include "output/metafile_objects.h"
#include "render/render_target.h"

namespace korvel {

class EmfTarget : public RenderTarget, private MetafileObjectRecords {
public:
    // The most an enhanced metafile can hold: its header counts bytes in 32 bits.
    static constexpr uint64_t kMaxBytes = 0xFFFFFFFFull;
    // Pens, brushes and fonts kept in the object table at once.
    static constexpr int kObjectCapacity = 256;
    // Polylines of one pen written together in one record, at most.
    static constexpr size_t kMaxBatch = 8192;

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
    void flush() override { flushLines(); }

    // Ends the metafile and hands over its bytes; false (with the reason) when a record could
    // not be made. The target takes no more calls afterwards.
    bool finish(std::vector<uint8_t>& out, std::string& error);

    size_t recordCount() const { return records_; }
    size_t byteCount() const { return bytes_.size(); }
    // True once a record did not fit; a render can stop there (see ExportImage).
    bool full() const { return full_; }

private:
    void createObject(int slot, const MetafileObject& object) override;
    void selectObject(int slot) override;
    void deleteObject(int slot) override;

    // Every record but the batch of lines goes through here, the batch first.
    void append(char* record);
    // `roomChecked`: the batch of lines, whose room was taken as it grew.
    void store(char* record, bool roomChecked = false);
    void flushLines();
    void needPen();
    void needBrush();
    void needFont();
    void bound(int x, int y);

    MetafileFrame frame_;
    std::vector<uint8_t> bytes_;
    size_t records_ = 0;
    bool failed_ = false;
    bool full_ = false;
    uint64_t maxBytes_;
    bool finished_ = false;
    bool inPath_ = false;

    MetafileObjects objects_;
    // Lines of the selected pen waiting to be written as one record: points, points per line,
    // and the box around them.
    struct Point16 {
        int16_t x, y;
    };
    std::vector<Point16> batchPoints_;
    std::vector<uint32_t> batchCounts_;
    int batchLeft_ = 0, batchTop_ = 0, batchRight_ = 0, batchBottom_ = 0;

    bool havePen_ = false, haveBrush_ = false, haveFont_ = false, haveTextColor_ = false;
    PenSpec pen_;
    BrushSpec brush_;
    FontSpec font_;
    uint32_t textColor_ = 0;

    int minX_ = 0, minY_ = 0, maxX_ = -1, maxY_ = -1;  // drawn area, for the header's bounds
};

}  // namespace korvel
