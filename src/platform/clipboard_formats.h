// The clipboard targets Korvel exchanges with Jw_win (under Wine) and with other programs, and
// the reads and writes of raw bytes under them.
//
// Wine shows a registered Windows clipboard format on the X11 clipboard as a target of exactly
// its name and imports a target of that name offered by a Linux program, so "Jw_win" needs no
// MIME prefix. Enhanced metafiles travel as "image/x-emf" between Linux programs and as Wine's own
// target for CF_ENHMETAFILE.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

class QMimeData;

namespace korvel {

constexpr const char* kJwWinFormat = "Jw_win";
constexpr const char* kDataObjectFormat = "DataObject";
constexpr const char* kEmfMimeType = "image/x-emf";
constexpr const char* kWineEmfTarget = "WCF_ENHMETAFILE";

// The bytes of an enhanced metafile: the first of the two metafile targets present; empty when
// neither is.
QByteArray ReadEnhancedMetafile(const QMimeData* data);
bool HasEnhancedMetafile(const QMimeData* data);

// The system clipboard's bytes under `format`; false (and `out` untouched) when it holds none.
// `neverEmpty`: data of this format is never empty, so empty bytes mean "ask again".
bool ReadClipboardFormat(const QString& format, QByteArray& out, bool neverEmpty = false);

// Places `bytes` under each format in `formats` and keeps what this program itself placed on
// the clipboard before (another program's data is not ours to copy, and is replaced). False when
// the clipboard could not be taken.
bool AddClipboardFormats(const QList<QPair<QString, QByteArray>>& formats);

// Places what `make` builds on the clipboard and makes sure the X server agrees. Qt stamps its
// claim with the time of the last event it has seen; when another program took the clipboard
// again a moment ago (Wine does, now and then), the server ignores the older claim while Qt
// believes it owns the clipboard, and neither our picture nor any later copy would get through.
// Then Qt is shown the server's time and claims once more. False when the claim never held.
bool PlaceOnClipboard(const std::function<QMimeData*()>& make);

// Who owns the X11 clipboard now (a window id), to tell whether another program copied while we
// were busy with the previous copy; 0 without an X11 display.
uint32_t ClipboardOwnerId();

}  // namespace korvel
