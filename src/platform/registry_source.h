// Jw_cad's registry settings on Linux: Wine keeps the current user's registry in the text file
// user.reg of its prefix; Windows exports keys as .reg files (REGEDIT4 or the UTF-16 version 5).
// RegistryFile reads any of the three and answers the import's key and value queries.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/drawing_name.h"
#include "platform/wine_paths.h"

namespace korvel {

// Windows registry value types, by their numbers.
enum RegistryType : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
};

struct RegistryValue {
    uint32_t type = kRegNone;
    std::string text;            // REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ: UTF-8, without the final NUL
    uint32_t dword = 0;          // REG_DWORD
    std::vector<uint8_t> bytes;  // any other type, as stored
};

class RegistryFile : public RegistrySource {
public:
    struct LoadResult {
        bool ok = true;
        bool exists = false;
        std::string error;                  // names the file and, for a bad line, its number
        std::vector<std::string> warnings;  // lines that were skipped
    };

    // Reads a Wine registry file or a .reg export. A missing file is not an error: it gives an
    // empty registry in which no key opens.
    static LoadResult load(const std::string& path, RegistryFile& registry);
    // The same on bytes already read; `name` is used in messages.
    LoadResult parse(const std::vector<uint8_t>& bytes, const std::string& name);

    // Key paths use single backslashes and leave out the HKEY_CURRENT_USER root
    // ("Software\\Jw_cad\\jw_win\\Pen"); keys and value names compare without regard to case.
    bool keyExists(const std::string& key) const override;
    const RegistryValue* find(const std::string& key, const std::string& value) const;
    // False when the key or value is missing or the value is neither REG_SZ nor REG_EXPAND_SZ.
    bool readString(const std::string& key, const std::string& value, std::string& out) const override;
    // False when the key or value is missing or the value is not a REG_DWORD.
    bool readDword(const std::string& key, const std::string& value, uint32_t& out) const override;
    bool hasValue(const std::string& key, const std::string& value) const;

    size_t keyCount() const { return keys_.size(); }

private:
    struct Key {
        std::map<std::string, RegistryValue> values;  // by lower-cased name
    };
    std::map<std::string, Key> keys_;  // by lower-cased path
};

}  // namespace korvel
