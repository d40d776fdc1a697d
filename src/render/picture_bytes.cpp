#include "render/picture_bytes.h"

#include <zlib.h>

#include <cstring>

#include "drawing/file_bytes.h"
#include "drawing/file_extension.h"

namespace korvel {

namespace {

std::string megabytes(uint64_t bytes) { return std::to_string(bytes / (1024 * 1024)) + " MB"; }

}  // namespace

bool ReadPictureFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& why,
                     uint64_t limit) {
    bytes.clear();
    FileReadError failure;
    const bool ok = ReadRegularFile(path, limit, [&bytes](size_t n) {
        bytes.resize(n);
        return bytes.data();
    }, failure);
    if (ok) return true;
    bytes.clear();
    if (failure.kind == FileReadError::NotRegularFile) why = "not a regular file";
    else if (failure.kind == FileReadError::TooLarge) why = "the file is larger than " + megabytes(limit);
    else why = failure.what;
    return false;
}

bool EmbeddedPictureBytes(const EmbeddedPicture& picture, std::vector<uint8_t>& bytes,
                          std::string& why, uint64_t limit) {
    bytes.clear();
    if (!HasExtension(picture.name, ".gz")) {
        if (picture.bytes.size() > limit) {
            why = "the picture is larger than " + megabytes(limit);
            return false;
        }
        bytes = picture.bytes;
        return true;
    }
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit2(&z, 15 + 32) != Z_OK) {  // gzip or zlib header, detected
        why = "cannot start inflating";
        return false;
    }
    z.next_in = const_cast<Bytef*>(picture.bytes.data());
    z.avail_in = static_cast<uInt>(std::min<size_t>(picture.bytes.size(), 0xFFFFFFFFu));
    int status = Z_OK;
    while (status == Z_OK) {
        if (bytes.size() >= limit) {
            why = "the picture inflates to more than " + megabytes(limit);
            break;
        }
        const size_t have = bytes.size();
        bytes.resize(std::min<uint64_t>(limit, have + std::max<size_t>(65536, have)));
        z.next_out = bytes.data() + have;
        z.avail_out = static_cast<uInt>(bytes.size() - have);
        status = inflate(&z, Z_NO_FLUSH);
        bytes.resize(bytes.size() - z.avail_out);
        if (status == Z_BUF_ERROR && z.avail_in == 0) {
            why = "the compressed picture is cut short";
            break;
        }
    }
    const std::string zlibMessage = z.msg ? std::string(": ") + z.msg : std::string();
    inflateEnd(&z);
    if (status != Z_STREAM_END) {
        if (why.empty()) why = "the compressed picture is damaged" + zlibMessage;
        bytes.clear();
        return false;
    }
    return true;
}

std::string EmbeddedPictureFileName(const EmbeddedPicture& picture) {
    return HasExtension(picture.name, ".gz") ? picture.name.substr(0, picture.name.size() - 3) : picture.name;
}

}  // namespace korvel
