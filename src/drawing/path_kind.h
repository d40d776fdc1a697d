// What kind of thing a path names (a file, a folder, a pipe, a device...), in words fit for an
// error message. Shared by whatever opens user-given paths for reading or writing.
#pragma once

#include <sys/types.h>

#include <string>

namespace korvel {

enum class PathKind { Missing, Regular, Directory, Fifo, CharacterDevice, BlockDevice, Socket, SymbolicLink, Other };

PathKind KindOfMode(mode_t mode);
// Follows symbolic links when `follow`; Missing when nothing is there (or it cannot be reached).
PathKind KindOfPath(const std::string& path, bool follow = true);
// "a folder", "a named pipe", "a block device"...
const char* PathKindName(PathKind kind);

}  // namespace korvel
