// Image-reference texts: "^@BM" + path + "," + width [+ "," + height [+ ignored fields]], and
// where the picture they name is found (a file, or a picture embedded in a Jw_cad 8 drawing).
#pragma once

#include <string>

#include "drawing/drawing.h"

namespace korvel {

constexpr const char kImageReferencePrefix[] = "^@BM";

struct ImageReference {
    std::string path;     // CP932, as written after "^@BM"
    bool hasSize = false;  // false when there is no width field or it is not a number
    bool sizeInvalid = false;  // a width or height field is there but is no number
    double width = 0.0;   // drawing millimetres
    double height = 0.0;
};

bool IsImageReference(const std::string& text);

// Splits a reference at every ","; the width and height fields are read after full-width
// characters have been made half-width.
ImageReference ParseImageReference(const std::string& text);

// Where a reference's picture lives.
struct PictureLocation {
    enum class Kind { None, File, Embedded };
    Kind kind = Kind::None;
    std::string filePath;  // UTF-8 file system path (File)
    const EmbeddedPicture* embedded = nullptr;  // (Embedded)
    std::string displayName;  // UTF-8, for messages and the extension
};

// Finds the picture of a reference path: "%temp%name" (any case) among the drawing's embedded
// pictures only; a relative path in the drawing's folder; an absolute path as it is, never
// retried in the drawing's folder. Windows paths have their "\" turned into "/"; of the drive
// letters only Wine's "Z:" (the Linux root) can name a file here.
PictureLocation LocatePicture(const Drawing& drawing, const std::string& cp932Path);

}  // namespace korvel
