// Jw_win's drawing data on the clipboard: keeping a copy of it, reading it, handing our drawing
// to Jw_win, and the picture (bitmap and enhanced metafile) that other programs paste. The
// window and `korvel watch` share these steps.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "drawing/loaders.h"
#include "app/app_settings.h"
#include "drawing/drawing_name.h"
#include "output/export_options.h"

namespace korvel {

// Where clipboard data passes through: "$XDG_CACHE_HOME/korvel/KVLtemp.jwz" (and the "jwz"
// folder beside it, created here).
QString PrepareTempJwzPath();

struct ClipboardSaveResult {
    bool present = false;  // the clipboard held "Jw_win" data
    bool written = false;  // and its bytes are in the file
    std::string error;     // names the file and what went wrong
};

// `SaveClipboardJwWinData`: copies the clipboard's "Jw_win" bytes unchanged into `path`
// (through a temporary name); touches no file when there are none.
ClipboardSaveResult SaveClipboardJwWinData(const QString& path);

// Reads the copy kept at `path` as Jw_win data (the store is reset first).
LoadResult LoadJwWinFile(Drawing& drawing, const QString& path);

// The header of the drawing file Jw_win has open, when it exists: `DrawingPath` (a Windows path
// under Wine, or a plain one) is looked up on this machine. False when there is none to read.
bool LoadHeaderOfJwWinDrawing(Drawing& drawing, const std::string& winePrefix);

struct ClipboardPictureResult {
    bool ok = false;
    std::string error;
    int width = 0;  // of the bitmap
    int height = 0;
    size_t metafileBytes = 0;
};

// `CopyImageToClipboard`: a bitmap of the output size and an enhanced metafile of the drawing,
// offered together (the bitmap in Qt's image formats, the metafile under "image/x-emf" and
// Wine's enhanced-metafile target). Nothing is placed when either fails.
ClipboardPictureResult CopyImageToClipboard(const Drawing& drawing, const ExportOptions& options);

// What a clipboard change brought, when watching: the steps from reading the "Jw_win" data to a
// loaded drawing.
struct ClipboardLoad {
    enum class Outcome { NoData, FileError, ReadFailed, Loaded };
    Outcome outcome = Outcome::NoData;
    std::string error;
    std::vector<std::string> warnings;  // what the load met (a drawing read incomplete...)
    uint32_t owner = 0;  // who owned the clipboard when it was read
};

// Keeps the clipboard's "Jw_win" data at `tempJwzPath`, takes Jw_cad's current settings into the
// drawing's pen table and reads the data. Another program's data only: what this program placed
// itself is never new data from Jw_win.
ClipboardLoad LoadJwWinFromClipboard(Drawing& drawing, const QString& tempJwzPath, const RegistrySource& registry,
                                     JwCadTextOptions& text);

// The picture of a drawing the watcher loaded, unless another program copied something since
// `owner` read the data: that newer copy is worth more than our picture and is converted next.
// `superseded` then says so and nothing is placed.
ClipboardPictureResult PlaceClipboardPicture(const Drawing& drawing, const ExportOptions& options, uint32_t owner,
                                             bool& superseded);

struct TransferResult {
    bool ok = false;
    std::string error;
    std::vector<std::string> warnings;  // what the data placed holds less than the drawing
    size_t bytes = 0;  // the "Jw_win" data placed
};

// The transfer to Jw_win: the Jw_win data header and a version-351 record stream under "Jw_win"
// and 4 bytes of 0 under "DataObject", added to what this program already placed. The caller
// suspends clipboard watching around it.
TransferResult PlaceDrawingForJwWin(Drawing& drawing);

}  // namespace korvel
