#include "render/picture_references.h"

#include <set>

#include "drawing/cp932.h"
#include "render/picture_reference.h"

namespace korvel {

namespace {

void collect(const Drawing& drawing, const std::vector<TDataMoji>& texts, std::set<std::string>& seen,
             std::vector<PictureReferenceStatus>& out) {
    for (const TDataMoji& t : texts) {
        if (!IsImageReference(t.text) || !seen.insert(t.text).second) continue;
        const ImageReference ref = ParseImageReference(t.text);
        PictureReferenceStatus status;
        status.reference = Cp932ToUtf8(t.text);
        status.resolves = LocatePicture(drawing, ref.path).kind != PictureLocation::Kind::None;
        out.push_back(std::move(status));
    }
}

}  // namespace

std::vector<PictureReferenceStatus> ListPictureReferences(const Drawing& drawing) {
    std::vector<PictureReferenceStatus> out;
    std::set<std::string> seen;
    collect(drawing, drawing.top.texts, seen, out);
    collect(drawing, drawing.members.texts, seen, out);
    return out;
}

}  // namespace korvel
