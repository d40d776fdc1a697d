#include "drawing/path_kind.h"

#include <sys/stat.h>

namespace korvel {

PathKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return PathKind::Regular;
    if (S_ISDIR(mode)) return PathKind::Directory;
    if (S_ISFIFO(mode)) return PathKind::Fifo;
    if (S_ISCHR(mode)) return PathKind::CharacterDevice;
    if (S_ISBLK(mode)) return PathKind::BlockDevice;
    if (S_ISSOCK(mode)) return PathKind::Socket;
    if (S_ISLNK(mode)) return PathKind::SymbolicLink;
    return PathKind::Other;
}

PathKind KindOfPath(const std::string& path, bool follow) {
    struct stat st {};
    const int r = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    return r == 0 ? KindOfMode(st.st_mode) : PathKind::Missing;
}

const char* PathKindName(PathKind kind) {
    switch (kind) {
        case PathKind::Missing: return "nothing";
        case PathKind::Regular: return "a file";
        case PathKind::Directory: return "a folder";
        case PathKind::Fifo: return "a named pipe";
        case PathKind::CharacterDevice: return "a character device";
        case PathKind::BlockDevice: return "a block device";
        case PathKind::Socket: return "a socket";
        case PathKind::SymbolicLink: return "a symbolic link";
        case PathKind::Other: break;
    }
    return "neither a file nor a folder";
}

}  // namespace korvel
