// Enhanced metafiles that other programs hand us: their size in pixels as Windows programs
// report it, and a picture of them drawn through libemf2svg and QtSvg.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <memory>

class QSvgRenderer;

namespace korvel {

// The pixel size of an enhanced metafile: its frame (hundredths of a millimetre) converted
// through the reference device of its header (pixels per millimetre of that device), each side
// rounded to the nearest pixel. False for bytes that are not an enhanced metafile or whose size
// is not positive.
bool EmfPixelSize(const QByteArray& emf, QSize& size);

// The length of the metafile's records up to and including its end-of-file record, after
// walking every record within the bytes; 0 when the walk finds a malformed record or no end.
size_t EmfRecordsLength(const QByteArray& emf);

// One metafile, converted once and drawn at any size.
class EmfPicture {
public:
    EmfPicture();
    ~EmfPicture();
    EmfPicture(const EmfPicture&) = delete;
    EmfPicture& operator=(const EmfPicture&) = delete;

    // Takes the metafile's bytes; false (and an empty picture) when they are not a metafile we
    // can read. Loading the same bytes again keeps the converted picture.
    bool load(const QByteArray& emf);
    bool isNull() const { return !renderer_; }
    // The pixel size of EmfPixelSize.
    QSize pixelSize() const { return size_; }
    const QByteArray& bytes() const { return emf_; }

    // The picture stretched over a white image of `size` (RGB32); a null image when nothing is
    // loaded, the size is empty or the image cannot be allocated.
    QImage render(QSize size) const;

private:
    QByteArray emf_;
    QSize size_;
    std::unique_ptr<QSvgRenderer> renderer_;
};

}  // namespace korvel
