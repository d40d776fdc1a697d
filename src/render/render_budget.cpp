#include "render/render_budget.h"

namespace korvel {

namespace {
std::string millions(uint64_t n) {
    return n % 1'000'000 == 0 ? std::to_string(n / 1'000'000) + " million" : std::to_string(n);
}
}  // namespace

void RenderBudget::noteCutPlace(const std::string* block) {
    cutPlaceNoted_ = true;
    if (block) firstCutBlock_ = *block;
}

void RenderBudget::notePictureRefused(const std::string& name) {
    if (refusedPictures_.empty()) firstRefusedPicture_ = name;
    refusedPictures_.insert(name);
}

std::vector<std::string> RenderBudget::warnings() const {
    std::vector<std::string> out;
    if (recordsCut_ > 0 || piecesCut_) {
        const std::string limit = piecesCut_ ? millions(limits_.maxPieces) + " strokes, fills and glyphs"
                                             : millions(limits_.maxRecords) + " records";
        const std::string rest = firstCutBlock_.empty() ? "the rest of the drawing is not drawn"
                                                        : "the rest, from " + firstCutBlock_ + " on, is not drawn";
        out.push_back("drawing stopped at its limit of " + limit + "; " + rest);
    }
    if (!refusedPictures_.empty()) {
        out.push_back(std::to_string(refusedPictures_.size()) + " picture(s) not drawn: together they pass the limit of " +
                      millions(limits_.maxPicturePixels) + " decoded pixels per drawing (first: " +
                      firstRefusedPicture_ + ")");
    }
    return out;
}

}  // namespace korvel
