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

class FileBytes {
public:
    const uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    int64_t modified() const { return modified_; }  // seconds since the Unix epoch

private:
    friend bool ReadWholeFile(const std::string& path, FileBytes& bytes, std::string& error);
    std::unique_ptr<uint8_t[]> bytes_;  // filled by the read itself, never cleared first
    size_t size_ = 0;
    int64_t modified_ = 0;
};

// A whole regular file no larger than any drawing can be; false with `error` saying why (the
// caller names the file).
bool ReadWholeFile(const std::string& path, FileBytes& bytes, std::string& error);

}  // namespace korvel
