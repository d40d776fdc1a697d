// A whole file in memory (a drawing, a picture, a settings file), read through one open
// descriptor: the file checked is the file read, and what is not a regular file (a folder, a
// pipe, a device) is refused before a byte is read, so that naming one never hangs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace korvel {

// Why a whole-file read failed, for callers that word their own messages.
struct FileReadError {
    enum Kind { CannotOpen, NotRegularFile, TooLarge, NoMemory, ReadFailed, Shrank };
    Kind kind = CannotOpen;
    int code = 0;                   // errno, for CannotOpen and ReadFailed
    const char* fileKind = "";      // "a folder", "a pipe (FIFO)"... for NotRegularFile
    uint64_t size = 0;              // the file's size, from TooLarge on
    std::string what;               // in words, without the file's name
};

// Reads a whole regular file of at most `limit` bytes into the space `place(size)` returns (null
// when there is no memory for it). `modified`, when given, receives the time of last change in
// seconds since the Unix epoch.
bool ReadRegularFile(const std::string& path, uint64_t limit, const std::function<uint8_t*(size_t)>& place,
                     FileReadError& error, int64_t* modified = nullptr);

// A large file is mapped rather than copied: its pages are the system's cached pages, so reading
// it costs no fresh memory. Should another program cut the file short while it is mapped, the
// pages it lost read as zeros instead of ending this program, and cutShort() tells the caller,
// who must then throw away what it read.
class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    int64_t modified() const { return modified_; }  // seconds since the Unix epoch
    bool mapped() const { return mappedLength_ > 0; }
    // The file lost bytes while they were being read; what was read of it is not the file.
    bool cutShort() const;

private:
    friend bool ReadWholeFile(const std::string& path, FileBytes& bytes, std::string& error);
    void release();

    std::unique_ptr<uint8_t[]> bytes_;  // filled by the read itself, never cleared first
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t mappedLength_ = 0;
    int watch_ = -1;  // where the bus-error handler watches the mapping
    int64_t modified_ = 0;
};

// Files from this size on are mapped (see FileBytes).
constexpr size_t kMappedFileBytes = size_t(1) << 20;

// A whole regular file no larger than any drawing can be; false with `error` saying why (the
// caller names the file). The caller checks cutShort() once it has read what it needs.
bool ReadWholeFile(const std::string& path, FileBytes& bytes, std::string& error);

// The words for a file that was cut short while it was read, for the caller's message.
extern const char* const kCutWhileRead;

}  // namespace korvel
