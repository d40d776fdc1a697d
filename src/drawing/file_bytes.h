// A whole drawing file in memory, read through one open descriptor: the file checked is the
// file read, and what is not a regular file (a folder, a pipe, a device) is refused before a
// byte is read, so that naming one never hangs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace korvel {

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
