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
    // UTF-16 units of one line of text written together in one record, at most.
    static constexpr size_t kMaxTextRun = 4096;

    // `description` names the picture in the header (UTF-8). Records that would take the file
    // past `maxBytes` are not kept: the target is then full and finish() fails.
    EmfTarget(const MetafileFrame& frame, const std::string& description, uint64_t maxBytes = kMaxBytes);
    ~EmfTarget() override;

    void end() override {
        flushLines();
        flushText();
    }
    void polyline(const DevicePoint* points, size_t count, const PenSpec& pen) override;
    void polygon(const DevicePoint* points, size_t count, const PenSpec& pen,
                 const BrushSpec& brush) override;
    void fillRect(const DeviceRect& rect, const BrushSpec& brush) override;
    void ellipse(const DeviceRect& box, const PenSpec& pen, const BrushSpec& brush) override;
    void arc(const DeviceRect& box, DevicePoint start, DevicePoint end, const PenSpec& pen) override;
    // Outline texts become a path of the glyphs, stroked and filled.
    void text(DevicePoint cell, const std::u32string& text, const TextStyle& style) override;
    void image(const DeviceRect& rect, const RasterImage& picture) override;

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
    // Glyphs of one straight line of text are joined into one record whose advances put every
    // glyph on its own cell; false when this call cannot join the line held back.
    bool joinText(DevicePoint cell, const std::u16string& units, const TextStyle& style);
    void startText(DevicePoint cell, const std::u16string& units, const TextStyle& style);
    void addText(DevicePoint cell, const std::u16string& units);
    void flushText();
    void textColor(uint32_t color);
    void glyphs(DevicePoint cell, const std::u32string& text, const FontSpec& font);
    void bound(int x, int y);

    MetafileFrame frame_;
    std::vector<uint8_t> bytes_;
    size_t records_ = 0;
    bool failed_ = false;
    bool full_ = false;
    uint64_t maxBytes_;
    bool finished_ = false;

    MetafileObjects objects_;
    // Lines of the selected pen waiting to be written as one record: points, points per line,
    // and the box around them.
    struct Point16 {
        int16_t x, y;
    };
    std::vector<Point16> batchPoints_;
    std::vector<uint32_t> batchCounts_;
    int batchLeft_ = 0, batchTop_ = 0, batchRight_ = 0, batchBottom_ = 0;

    // The line of text held back: its font and colour (selected and set when it began), first
    // cell, the x where its last unit stands, its units, their advances and its right edge.
    FontSpec runFont_;
    uint32_t runColor_ = 0;
    DevicePoint runCell_;
    int64_t runPenX_ = 0;
    int runRight_ = 0;
    std::vector<uint16_t> runChars_;
    std::vector<uint32_t> runDx_;

    bool haveTextColor_ = false;
    uint32_t textColor_ = 0;

    int minX_ = 0, minY_ = 0, maxX_ = -1, maxY_ = -1;  // drawn area, for the header's bounds
};

}  // namespace korvel
