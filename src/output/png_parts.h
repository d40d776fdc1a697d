// True-colour PNG pictures deflated in parts on every core by libdeflate and joined into one zlib
// stream; the rows of a band can be handed over while the other bands are still being drawn.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "output/png_encoder.h"
#include "output/raster_image.h"

namespace korvel {

// Whether pictures written with `options` go in parts: not interlaced, and rows unfiltered
// (every level but the best).
bool PngInParts(const PngOptions& options);

// The PNG file of a true-colour `image` appended to `out`, its rows deflated in parts side by
// side. False when the image or the options are not for parts or a part failed; `out` is then
// as it was.
bool WritePngInParts(const ImageView& image, const PngOptions& options, std::vector<uint8_t>& out);

// Rows deflated ahead, for one picture of width x height written with `options`.
class PngRowsAhead {
public:
    PngRowsAhead(int width, int height, const PngOptions& options);
    ~PngRowsAhead();
    PngRowsAhead(const PngRowsAhead&) = delete;
    PngRowsAhead& operator=(const PngRowsAhead&) = delete;

    // Rows [top, bottom) of `source` (the picture, or one laid out as it is) are final: copied
    // before it returns, deflated on a thread of its own. Rows handed over again replace what was
    // handed over before. Safe from several threads at once; ignored when the options are not for
    // parts.
    void take(int top, int bottom, const ImageView& source);

    // As WritePngInParts, deflating only the rows not handed over (`image` is the whole
    // picture, whose rows those were).
    bool write(const ImageView& image, std::vector<uint8_t>& out);

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace korvel
