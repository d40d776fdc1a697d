#include "render/picture_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

namespace korvel {

namespace {

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

std::string megabytes(uint64_t bytes) { return std::to_string(bytes / (1024 * 1024)) + " MB"; }

bool endsWithGz(const std::string& name) {
    if (name.size() < 3) return false;
    const std::string tail = name.substr(name.size() - 3);
    return tail[0] == '.' && (tail[1] == 'g' || tail[1] == 'G') && (tail[2] == 'z' || tail[2] == 'Z');
}

}  // namespace

bool ReadPictureFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& why,
                     uint64_t limit) {
    bytes.clear();
    FileDescriptor file;
    // Non-blocking, so that opening a FIFO does not wait for a writer; it is refused below.
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st;
    if (::fstat(file.fd, &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > limit) {
        why = "the file is larger than " + megabytes(limit);
        return false;
    }
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    // Reading stops at the limit even if the file grows meanwhile.
    for (;;) {
        if (got == bytes.size()) {
            if (got >= limit) break;
            bytes.resize(std::min<uint64_t>(limit, got + 65536));
        }
        const ssize_t n = ::read(file.fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return true;
}

bool EmbeddedPictureBytes(const EmbeddedPicture& picture, std::vector<uint8_t>& bytes,
                          std::string& why, uint64_t limit) {
    bytes.clear();
    if (!endsWithGz(picture.name)) {
        if (picture.bytes.size() > limit) {
            why = "the picture is larger than " + megabytes(limit);
            return false;
        }
        bytes = picture.bytes;
        return true;
    }
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit2(&z, 15 + 32) != Z_OK) {  // gzip or zlib header, detected
        why = "cannot start inflating";
        return false;
    }
    z.next_in = const_cast<Bytef*>(picture.bytes.data());
    z.avail_in = static_cast<uInt>(std::min<size_t>(picture.bytes.size(), 0xFFFFFFFFu));
    int status = Z_OK;
    while (status == Z_OK) {
        if (bytes.size() >= limit) {
            why = "the picture inflates to more than " + megabytes(limit);
            break;
        }
        const size_t have = bytes.size();
        bytes.resize(std::min<uint64_t>(limit, have + std::max<size_t>(65536, have)));
        z.next_out = bytes.data() + have;
        z.avail_out = static_cast<uInt>(bytes.size() - have);
        status = inflate(&z, Z_NO_FLUSH);
        bytes.resize(bytes.size() - z.avail_out);
        if (status == Z_BUF_ERROR && z.avail_in == 0) {
            why = "the compressed picture is cut short";
            break;
        }
    }
    const std::string zlibMessage = z.msg ? std::string(": ") + z.msg : std::string();
    inflateEnd(&z);
    if (status != Z_STREAM_END) {
        if (why.empty()) why = "the compressed picture is damaged" + zlibMessage;
        bytes.clear();
        return false;
    }
    return true;
}

std::string EmbeddedPictureFileName(const EmbeddedPicture& picture) {
    return endsWithGz(picture.name) ? picture.name.substr(0, picture.name.size() - 3) : picture.name;
}

}  // namespace korvel
