// Decoded pictures, kept so that a file referenced many times is read and decoded once per
// render, reduced to the largest size it is drawn at. A render makes its own cache unless the
// caller hands one in; a cache handed in may outlive renders (file entries notice a changed file
// by its size and time; call clear() when another drawing is loaded), and decodes a picture
// again only when it is drawn larger than any time before. Safe to share between renders
// running at once.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "render/picture_decoders.h"
#include "render/picture_reference.h"
#include "render/render_target.h"

namespace korvel {

struct DecodedPicture {
    RasterImage image;      // empty when nothing can be drawn
    std::string warning;    // what to tell the user (empty: nothing to report)
    bool byExtraDecoder = false;  // decoded by an installed extra decoder (a "plug-in")
    int reduction = 1;      // the image is the picture reduced by this factor
    bool overAllowance = false;   // not decoded: the request's pixel allowance was too small
    uint64_t decodedPixels = 0;   // the work its decoding took
};

class PictureCache {
public:
    explicit PictureCache(uint64_t maxBytes = 1024ull * 1024 * 1024) : maxBytes_(maxBytes) {}

    // The picture at `where`, decoded on first use. `builtInOnly` ("SPIFlg") restricts the
    // decoders to the built-in ones, chosen by extension. `request` gives the size it is drawn
    // at and the pixels the render may still decode; `decoded` receives the pixels this call
    // decoded (0 when the cache held it).
    std::shared_ptr<const DecodedPicture> obtain(const PictureLocation& where, bool builtInOnly,
                                                 const DecodeRequest& request = {},
                                                 uint64_t* decoded = nullptr);

    void clear();
    uint64_t decodeCount() const;  // files decoded so far (for tests and benchmarks)

private:
    std::string keyOf(const PictureLocation& where, bool builtInOnly) const;

    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<const DecodedPicture>> entries_;
    uint64_t maxBytes_;
    uint64_t bytes_ = 0;
    uint64_t decodes_ = 0;
};

// Reads and decodes the picture at `where` (no caching): the built-in decoder its extension
// names when `builtInOnly` is set or no extra decoder is installed; otherwise the built-in
// decoder its bytes start like, then each extra decoder in turn.
std::shared_ptr<const DecodedPicture> LoadPicture(const PictureLocation& where, bool builtInOnly,
                                                  const DecodeRequest& request = {});

}  // namespace korvel
