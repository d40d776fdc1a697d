// The small picture of a drawing file that the open dialog shows beside the file list.
#pragma once

#include <QImage>
#include <QString>

namespace korvel {

// Files larger than this are not previewed: the dialog would wait for them.
constexpr qint64 kPreviewMaxBytes = 8 * 1024 * 1024;

// The drawing at `path` rendered `width` pixels wide with its own pens; a null image when the
// file is no drawing, cannot be read or is too large.
QImage RenderDrawingPreview(const QString& path, int width);

}  // namespace korvel
