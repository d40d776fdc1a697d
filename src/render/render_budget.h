// The work one render may do. A drawing of a few kilobytes can ask for billions of records (blocks
// that insert blocks many times over) or for gigabytes of picture pixels; past these limits the
// render skips the rest and says where it stopped, instead of running for hours.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace korvel {

struct RenderLimits {
    // Records drawn, counting every member of every insert each time it is drawn.
    uint64_t maxRecords = 20'000'000;
    // What reaches the canvas, in pieces: a stroke, a fill or a pen change is one, a polyline one
    // more per eight points, a glyph four, a picture one per sixteen pixels. Three million pieces
    // take two or three seconds on a small raster and a few hundred megabytes as a metafile.
    uint64_t maxPieces = 3'000'000;
    // Pieces allowed on top of maxPieces for each record the file holds (top-level records and
    // block members, each once). A big drawing can then draw all of itself, dashes and all, while
    // what a small file can ask for through blocks inserting blocks stays bound by maxPieces: the
    // work stays proportional to the file.
    uint64_t piecesPerRecord = 32;
    // Picture pixels decoded in one render (pictures already decoded by a shared cache are free).
    uint64_t maxPicturePixels = 250'000'000;
};

class RenderBudget {
public:
    static constexpr uint64_t kPiecesPerGlyph = 4;
    static constexpr uint64_t kPicturePixelsPerPiece = 16;

    explicit RenderBudget(const RenderLimits& limits = {}) : limits_(limits) {}

    // Counts one record about to be drawn; false once the limit is reached.
    bool takeRecord() {
        if (records_ < limits_.maxRecords && !piecesCut_) {
            ++records_;
            return true;
        }
        ++recordsCut_;
        return false;
    }
    // Charges `pieces` drawn; false (nothing charged) once they no longer fit. A refusal ends
    // the records too: nothing more can be drawn.
    bool takePieces(uint64_t pieces) {
        if (pieces <= limits_.maxPieces - pieces_ && !piecesCut_) {
            pieces_ += pieces;
            return true;
        }
        piecesCut_ = true;
        return false;
    }

    // True right after the first refusal, when the caller should say where it happened.
    bool wantsCutPlace() const { return recordsCut_ == 1 && !cutPlaceNoted_; }
    // The block being drawn at the first refusal (`block "NAME"`); null at the top level.
    void noteCutPlace(const std::string* block);
    bool recordsExhausted() const { return recordsCut_ > 0 || piecesCut_; }

    // Picture pixels: decoders are handed what is left, count what they decoded, and refuse a
    // picture that would cost more (noted by name, each picture once).
    uint64_t picturePixelsLeft() const {
        return limits_.maxPicturePixels > picturePixels_ ? limits_.maxPicturePixels - picturePixels_ : 0;
    }
    void spendPicturePixels(uint64_t pixels) { picturePixels_ += pixels; }
    void notePictureRefused(const std::string& name);

    // One line per limit that cut the render, for the render's warnings.
    std::vector<std::string> warnings() const;

    uint64_t recordsDrawn() const { return records_; }
    uint64_t piecesDrawn() const { return pieces_; }
    uint64_t picturePixelsDecoded() const { return picturePixels_; }
    const RenderLimits& limits() const { return limits_; }

private:

    RenderLimits limits_;
    uint64_t records_ = 0;
    uint64_t pieces_ = 0;
    bool piecesCut_ = false;
    uint64_t recordsCut_ = 0;
    std::string firstCutBlock_;
    bool cutPlaceNoted_ = false;
    uint64_t picturePixels_ = 0;
    std::set<std::string> refusedPictures_;
    std::string firstRefusedPicture_;
};

}  // namespace korvel
