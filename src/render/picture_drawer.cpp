#include "render/picture_drawer.h"

#include <algorithm>
#include <cmath>

#include "drawing/cp932.h"
#include "render/picture_cache.h"
#include "render/picture_reference.h"

namespace korvel {

namespace {

PictureCache& cacheOf(RenderContext& context) {
    if (!context.pictures) {
        context.ownPictures = std::make_shared<PictureCache>();
        context.pictures = context.ownPictures.get();
    }
    return *context.pictures;
}

// A picture referenced many times is reported once.
void warnOnce(const RenderContext& context, const std::string& message) {
    if (context.warnings && std::find(context.warnings->begin(), context.warnings->end(), message) !=
                                context.warnings->end())
        return;
    context.warn(message);
}

}  // namespace

void DrawImageReference(RenderContext& context, RenderTarget& target, int x, int y, double s,
                        const std::string& reference) {
    if (context.options.picturesHidden) return;
    const ImageReference ref = ParseImageReference(reference);
    if (!ref.hasSize) {
        // Without a width the picture has no size: nothing is read or drawn.
        if (ref.sizeInvalid) {
            warnOnce(context, "picture reference " + Cp932ToUtf8(reference) +
                                  ": the width or height is not a number");
        }
        return;
    }
    const double w = ref.width * s;
    const double h = ref.height * s;
    if (!(w > 0.0) || !(h > 0.0)) return;
    const PictureLocation where = LocatePicture(context.drawing, ref.path);
    if (where.kind == PictureLocation::Kind::None) return;
    DecodeRequest request;
    request.drawnWidth = RoundDevice(std::ceil(w));
    request.drawnHeight = RoundDevice(std::ceil(h));
    request.pixelAllowance = context.budget.picturePixelsLeft();
    uint64_t decoded = 0;
    const auto picture = cacheOf(context).obtain(where, context.options.builtInDecodersOnly, request, &decoded);
    context.budget.spendPicturePixels(decoded);
    if (picture->overAllowance) context.budget.notePictureRefused(where.displayName);
    if (!picture->warning.empty()) warnOnce(context, picture->warning);
    if (picture->image.empty()) return;
    // The start point is the lower-left corner; the picture is never turned.
    target.image({x, RoundDevice(y - h), RoundDevice(x + w), y}, picture->image);
}

}  // namespace korvel
