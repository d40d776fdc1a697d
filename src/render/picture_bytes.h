// The bytes of a picture, read with the limits an untrusted drawing needs: only regular files,
// at most kMaxPictureFileBytes, and compressed embedded pictures inflated to no more than that.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/drawing.h"

namespace korvel {

constexpr uint64_t kMaxPictureFileBytes = 256ull * 1024 * 1024;

// Reads a regular file of at most `limit` bytes; devices, FIFOs and folders are refused
// without reading them. Fills `why` on failure.
bool ReadPictureFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& why,
                     uint64_t limit = kMaxPictureFileBytes);

// The picture file of an embedded entry: "name.gz" entries are inflated (gzip or zlib data),
// others are copied. Output beyond `limit` bytes is refused.
bool EmbeddedPictureBytes(const EmbeddedPicture& picture, std::vector<uint8_t>& bytes,
                          std::string& why, uint64_t limit = kMaxPictureFileBytes);

// The file name an embedded entry stands for: its name without ".gz".
std::string EmbeddedPictureFileName(const EmbeddedPicture& picture);

}  // namespace korvel
