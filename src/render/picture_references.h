// The picture references of a drawing, for `korvel info`: every distinct image-reference text
// (top-level and in block definitions) and whether its picture can be found.
#pragma once

#include <string>
#include <vector>

#include "drawing/drawing.h"

namespace korvel {

struct PictureReferenceStatus {
    std::string reference;  // the text as UTF-8
    bool resolves = false;  // the file (or embedded picture) it names is there
};

std::vector<PictureReferenceStatus> ListPictureReferences(const Drawing& drawing);

}  // namespace korvel
