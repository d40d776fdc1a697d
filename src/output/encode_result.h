// What an encoder says: the bytes were made, or what went wrong.
#pragma once

#include <string>

namespace korvel {

struct EncodeResult {
    bool ok = false;
    std::string error;  // plain English, empty on success

    static EncodeResult success() { return {true, {}}; }
    static EncodeResult failure(std::string message) { return {false, std::move(message)}; }
    explicit operator bool() const { return ok; }
};

}  // namespace korvel
