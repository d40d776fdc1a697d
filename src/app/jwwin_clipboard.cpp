// Jw_win clipboard data through files and Qt's clipboard.
#include "app/jwwin_clipboard.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QStandardPaths>
#include <QThread>
#include <vector>

#include "app/jwcad_import.h"
#include "drawing/cp932.h"
#include "output/image_export.h"
#include "output/raster_render.h"
#include "output/two_colour_render.h"
#include "platform/clipboard_formats.h"
#include "platform/registry_source.h"

namespace korvel {

namespace {

std::string local(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A Windows path as Jw_win names it, on this machine: through Wine's drive letters, or as it
// stands with forward slashes when it has no drive.
std::string machinePath(const std::string& windowsPath, const std::string& winePrefix) {
    std::string path = WinePathToLinux(windowsPath, winePrefix);
    if (!path.empty()) return path;
    path = windowsPath;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

constexpr int kClipboardReadAttempts = 3;

}  // namespace

QString PrepareTempJwzPath() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) base = QDir::tempPath();
    const QDir cache(QDir(base).filePath(QStringLiteral("korvel")));
    QDir().mkpath(cache.filePath(QStringLiteral("jwz")));
    return cache.filePath(QStringLiteral("KVLtemp.jwz"));
}

ClipboardSaveResult SaveClipboardJwWinData(const QString& path) {
    ClipboardSaveResult r;
    QByteArray data;
    if (!ReadClipboardFormat(QString::fromLatin1(kJwWinFormat), data, true)) return r;
    r.present = true;
    if (data.isEmpty()) {
        r.error = "the clipboard's \"Jw_win\" data came empty; copy again in Jw_win";
        return r;
    }
    std::string error;
    r.written = WriteFileAtomically(local(path), std::vector<uint8_t>(data.begin(), data.end()), error);
    if (!r.written) r.error = error;
    return r;
}

LoadResult LoadJwWinFile(Drawing& drawing, const QString& path) {
    FileBytes bytes;
    std::string error;
    if (!ReadWholeFile(local(path), bytes, error)) {
        drawing.ResetStore();
        LoadResult r;
        r.error = local(path) + ": " + error;
        return r;
    }
    LoadResult r = LoadJwz(drawing, bytes.data(), bytes.size());
    if (bytes.cutShort()) {
        drawing.ResetStore();
        r = LoadResult{};
        r.error = local(path) + ": " + kCutWhileRead;
    }
    return r;
}

bool LoadHeaderOfJwWinDrawing(Drawing& drawing, const std::string& winePrefix) {
    if (drawing.DrawingPath.empty()) return false;
    FileBytes bytes;
    std::string error;
    if (!ReadWholeFile(machinePath(Cp932ToUtf8(drawing.DrawingPath), winePrefix), bytes, error)) return false;
    return LoadJwwHeaderOnly(drawing, bytes.data(), bytes.size()).ok && !bytes.cutShort();
}

ClipboardPictureResult CopyImageToClipboard(const Drawing& drawing, const ExportOptions& options) {
    ClipboardPictureResult r;
    if (!CheckExportWidth(options, r.error)) return r;
    RasterExportSize(drawing, options, r.width, r.height);
    // A two-colour bitmap is the 1-bit image that files get, greyed layers as a pattern.
    const RasterRenderResult bitmap =
        options.twoColour() ? RenderTwoColourToImage(drawing, options.render, r.width, r.height)
                            : RenderToImage(drawing, options.render, r.width, r.height, 0.0);
    if (bitmap.image.isNull()) {
        r.error = "no memory for a " + std::to_string(r.width) + " x " + std::to_string(r.height) + " bitmap";
        return r;
    }
    std::vector<uint8_t> emf;
    const ExportResult metafile = ExportImage(drawing, ImageFormat::Emf, options, emf);
    if (!metafile.ok) {
        r.error = metafile.error;
        return r;
    }
    const QByteArray emfBytes(reinterpret_cast<const char*>(emf.data()), static_cast<qsizetype>(emf.size()));
    const bool placed = PlaceOnClipboard([&] {
        auto* data = new QMimeData;
        data->setImageData(bitmap.image);
        data->setData(QString::fromLatin1(kEmfMimeType), emfBytes);
        data->setData(QString::fromLatin1(kWineEmfTarget), emfBytes);
        return data;
    });
    if (!placed) {
        r.error = "another program holds on to the clipboard";
        return r;
    }
    r.metafileBytes = emf.size();
    r.ok = true;
    return r;
}

ClipboardLoad LoadJwWinFromClipboard(Drawing& drawing, const QString& tempJwzPath, const RegistrySource& registry,
                                     JwCadTextOptions& text) {
    ClipboardLoad r;
    if (QGuiApplication::clipboard()->ownsClipboard()) return r;
    // Wine, busy with the copy before, has been seen to answer with a few bytes of the new one.
    // Data that does not load is read again while the same owner holds it, so that a copy made
    // once is not lost to that moment; the last failure is what is said.
    for (int attempt = 1;; ++attempt) {
        const uint32_t owner = ClipboardOwnerId();
        const ClipboardSaveResult saved = SaveClipboardJwWinData(tempJwzPath);
        if (!saved.present) return r;
        r = ClipboardLoad{};
        r.owner = owner;
        if (!saved.written) {
            r.outcome = ClipboardLoad::Outcome::FileError;
            r.error = saved.error;
            return r;
        }
        drawing.ResetStore();
        // The data carries no pens; Jw_win draws it with the settings it has now. A missing value
        // leaves the pens as they are, as in the window.
        ImportJwCadSettings(registry, drawing.header, text);
        const LoadResult loaded = LoadJwWinFile(drawing, tempJwzPath);
        r.outcome = loaded.ok ? ClipboardLoad::Outcome::Loaded : ClipboardLoad::Outcome::ReadFailed;
        r.warnings = loaded.warnings;
        if (!loaded.ok) r.error = local(tempJwzPath) + ": " + loaded.error;
        if (loaded.ok || attempt == kClipboardReadAttempts || ClipboardOwnerId() != owner) return r;
        QThread::msleep(100 * attempt);
    }
}

ClipboardPictureResult PlaceClipboardPicture(const Drawing& drawing, const ExportOptions& options, uint32_t owner,
                                             bool& superseded) {
    superseded = ClipboardOwnerId() != owner;
    if (superseded) return {};
    return CopyImageToClipboard(drawing, options);
}

TransferResult PlaceDrawingForJwWin(Drawing& drawing) {
    TransferResult r;
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwWinBytes(drawing, saved);
    if (!saved.ok) {
        r.error = saved.error;
        return r;
    }
    // On Windows "DataObject" carries the clipboard handle of the data; there is no handle to
    // give here, and 0 is the value a reader that takes it as one treats as "none".
    if (!AddClipboardFormats(
            {{QString::fromLatin1(kJwWinFormat),
              QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))},
             {QString::fromLatin1(kDataObjectFormat), QByteArray(4, '\0')}})) {
        r.error = "another program holds on to the clipboard";
        return r;
    }
    r.bytes = bytes.size();
    r.warnings = saved.warnings;
    r.ok = true;
    return r;
}

}  // namespace korvel
