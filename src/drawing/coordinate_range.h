// Records whose numbers cannot be drawn: a coordinate, size or angle that is not finite, or a
// coordinate or size beyond a million kilometres. One such record (often a flipped byte) would
// otherwise blank the whole picture or squeeze it into a strip; it is left out of the extents
// and of drawing, and counted so that the user is told.
#pragma once

#include <cstddef>
#include <string>

#include "drawing/drawing.h"

namespace korvel {

constexpr double kMaxCoordinateMm = 1e9;

bool InDrawableRange(const TDataSen& r);
bool InDrawableRange(const TDataEnko& r);
bool InDrawableRange(const TDataTen& r);
bool InDrawableRange(const TDataMoji& r);
bool InDrawableRange(const TDataSunpou& r);
bool InDrawableRange(const TDataSolid& r);
bool InDrawableRange(const TDataBlock& r);
inline bool InDrawableRange(const TDataList&) { return true; }
// The record `ref` names in `set`; true for references beyond the lists (they draw nothing).
bool RecordInDrawableRange(const RecordSet& set, const RecordRef& ref);

// Top-level records and block members out of range, each counted once.
size_t CountOutOfRangeRecords(const Drawing& drawing);
// The warning for `count` such records; empty when there are none.
std::string OutOfRangeWarning(size_t count);

}  // namespace korvel
