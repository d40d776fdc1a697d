#include "render/picture_cache.h"

#include <sys/stat.h>

#include "drawing/cp932.h"
#include "render/picture_bytes.h"
#include "render/picture_decoders.h"

namespace korvel {

namespace {

constexpr const char kPluginFailure[] = "Susie Plugins could not decode";

// Identifies an embedded entry's contents cheaply: its size and a hash of its two ends.
uint64_t sampleHash(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull ^ bytes.size();
    const size_t sample = 65536;
    auto mix = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
    };
    if (bytes.size() <= 2 * sample) {
        mix(0, bytes.size());
    } else {
        mix(0, sample);
        mix(bytes.size() - sample, bytes.size());
    }
    return h;
}

std::shared_ptr<DecodedPicture> withWarning(const std::string& name, const std::string& why) {
    auto picture = std::make_shared<DecodedPicture>();
    picture->warning = "picture " + name + ": " + why;
    return picture;
}

std::shared_ptr<DecodedPicture> fromOutcome(const std::string& name, DecodeOutcome outcome,
                                            RasterImage&& image) {
    auto picture = std::make_shared<DecodedPicture>();
    picture->decodedPixels = outcome.decodedPixels;
    picture->overAllowance = outcome.overAllowance;
    if (outcome.overAllowance) return picture;  // the render says so, once for all pictures
    if (outcome.status == DecodeStatus::Decoded) {
        picture->image = std::move(image);
        picture->reduction = outcome.reduction;
    }
    if (!outcome.message.empty()) picture->warning = "picture " + name + ": " + outcome.message;
    return picture;
}

std::shared_ptr<DecodedPicture> decodeByExtension(const std::string& name, const std::string& fileName,
                                                  const std::vector<uint8_t>& bytes,
                                                  const DecodeRequest& request) {
    const BuiltInFormat format = BuiltInFormatOfExtension(fileName);
    RasterImage image;
    DecodeOutcome outcome = DecodeBuiltIn(format, bytes.data(), bytes.size(), image, request);
    if (outcome.status == DecodeStatus::NotThisFormat)
        return withWarning(name, "the file's contents do not match its extension");
    return fromOutcome(name, std::move(outcome), std::move(image));
}

// An extra decoder cannot be asked for less than the whole picture: it is reduced afterwards, and
// its size counts against the allowance once it is known.
DecodeOutcome decodeByExtra(const ExtraPictureDecoder& decoder, const std::vector<uint8_t>& bytes,
                            const std::string& fileName, const DecodeRequest& request, RasterImage& image) {
    DecodeOutcome outcome = decoder.decode(bytes.data(), bytes.size(), fileName, image);
    if (outcome.status != DecodeStatus::Decoded) return outcome;
    outcome.decodedPixels = uint64_t(image.width) * uint64_t(image.height);
    if (outcome.decodedPixels > request.pixelAllowance) {
        DecodeOutcome refused = DecodeOutcome::overTheAllowance();
        refused.decodedPixels = outcome.decodedPixels;
        image = RasterImage{};
        return refused;
    }
    outcome.reduction = ReductionFactor(image.width, image.height, request);
    ReduceForRequest(image, request);
    return outcome;
}

std::shared_ptr<DecodedPicture> decodeByContent(const std::string& name, const std::string& fileName,
                                                const std::vector<uint8_t>& bytes,
                                                const DecodeRequest& request) {
    RasterImage image;
    const BuiltInFormat format = SniffBuiltInFormat(bytes.data(), bytes.size());
    if (format != BuiltInFormat::None)
        return fromOutcome(name, DecodeBuiltIn(format, bytes.data(), bytes.size(), image, request), std::move(image));
    for (const auto& decoder : ExtraPictureDecoders()) {
        DecodeOutcome outcome = decodeByExtra(*decoder, bytes, fileName, request, image);
        if (outcome.status == DecodeStatus::NotThisFormat) continue;
        if (outcome.status == DecodeStatus::Failed && !outcome.overAllowance) {
            return withWarning(name, std::string(kPluginFailure) +
                                         (outcome.message.empty() ? "" : " (" + outcome.message + ")"));
        }
        auto picture = fromOutcome(name, std::move(outcome), std::move(image));
        picture->byExtraDecoder = true;
        return picture;
    }
    return withWarning(name, "no decoder accepts this picture");
}

}  // namespace

std::shared_ptr<const DecodedPicture> LoadPicture(const PictureLocation& where, bool builtInOnly,
                                                  const DecodeRequest& request) {
    if (where.kind == PictureLocation::Kind::None) return std::make_shared<DecodedPicture>();
    const bool embedded = where.kind == PictureLocation::Kind::Embedded;
    std::string fileName = where.displayName;
    if (embedded) {
        fileName = Cp932ToUtf8(EmbeddedPictureFileName(*where.embedded));
    }
    const bool byExtension = builtInOnly || ExtraPictureDecoders().empty();
    // An extension no built-in decoder knows is passed over quietly, before anything is read.
    if (byExtension && BuiltInFormatOfExtension(fileName) == BuiltInFormat::None)
        return std::make_shared<DecodedPicture>();
    std::vector<uint8_t> bytes;
    std::string why;
    const bool read = embedded ? EmbeddedPictureBytes(*where.embedded, bytes, why)
                               : ReadPictureFile(where.filePath, bytes, why);
    if (!read) return withWarning(where.displayName, why);
    return byExtension ? decodeByExtension(where.displayName, fileName, bytes, request)
                       : decodeByContent(where.displayName, fileName, bytes, request);
}

std::string PictureCache::keyOf(const PictureLocation& where, bool builtInOnly) const {
    std::string key = builtInOnly ? "B" : "A";
    if (where.kind == PictureLocation::Kind::Embedded) {
        const EmbeddedPicture& p = *where.embedded;
        return key + "E" + std::to_string(sampleHash(p.bytes)) + ":" + p.name;
    }
    struct stat st {};
    ::stat(where.filePath.c_str(), &st);
    return key + "F" + std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec) + ":" + where.filePath;
}

namespace {
// A picture already decoded serves a request unless it was reduced below the size now drawn.
bool serves(const DecodedPicture& picture, const DecodeRequest& request) {
    if (picture.reduction == 1 || picture.image.empty()) return true;
    return picture.image.width >= request.drawnWidth && picture.image.height >= request.drawnHeight;
}
}  // namespace

std::shared_ptr<const DecodedPicture> PictureCache::obtain(const PictureLocation& where, bool builtInOnly,
                                                           const DecodeRequest& request, uint64_t* decoded) {
    if (decoded) *decoded = 0;
    if (where.kind == PictureLocation::Kind::None) return std::make_shared<DecodedPicture>();
    const std::string key = keyOf(where, builtInOnly);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = entries_.find(key);
        if (found != entries_.end() && serves(*found->second, request)) return found->second;
    }
    // Decoded outside the lock, so that renders sharing the cache do not wait for each other.
    std::shared_ptr<const DecodedPicture> picture = LoadPicture(where, builtInOnly, request);
    if (decoded) *decoded = picture->decodedPixels;
    const uint64_t size = picture->image.pixels.size() * sizeof(uint32_t);
    std::lock_guard<std::mutex> lock(mutex_);
    ++decodes_;
    // Refused for this render's allowance only: another render may have room for it.
    if (picture->overAllowance) return picture;
    auto found = entries_.find(key);
    const uint64_t replaced = found == entries_.end() ? 0 : found->second->image.pixels.size() * sizeof(uint32_t);
    if (bytes_ - replaced + size > maxBytes_) return picture;
    bytes_ = bytes_ - replaced + size;
    if (found == entries_.end()) entries_.emplace(key, picture);
    else found->second = picture;
    return picture;
}

void PictureCache::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    bytes_ = 0;
}

uint64_t PictureCache::decodeCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return decodes_;
}

}  // namespace korvel
