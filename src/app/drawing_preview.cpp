// Previews of drawing files for the open dialog.
#include "app/drawing_preview.h"

#include <QFile>
#include <QFileInfo>

#include "drawing/loaders.h"
#include "output/raster_render.h"

namespace korvel {

QImage RenderDrawingPreview(const QString& path, int width) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kPreviewMaxBytes || width <= 0) return QImage();
    Drawing drawing;
    const LoadResult loaded = LoadFile(drawing, QFile::encodeName(path).toStdString());
    if (!loaded.ok || drawing.ExpectedCount == 0) return QImage();
    RenderOptions options;
    return RenderToImage(drawing, options, width).image;
}

}  // namespace korvel
