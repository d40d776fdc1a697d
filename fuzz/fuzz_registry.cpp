// libFuzzer target: the reader of Wine's user.reg and of REGEDIT4 / version 5 .reg exports, and
// the queries the Jw_cad settings import makes of what it read.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/registry_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvel;
    RegistryFile registry;
    const RegistryFile::LoadResult r = registry.parse(std::vector<uint8_t>(data, data + size), "fuzz.reg");
    if (!r.ok && r.error.empty()) __builtin_trap();  // every failure says why
    const char* keys[] = {"Software\\Jw_cad\\jw_win\\Pen", "Software\\Jw_cad\\jw_win\\Line",
                          "Software\\Jw_cad\\jw_win\\Folder", "Software\\Jw_cad\\jw_win"};
    for (const char* key : keys) {
        std::string text;
        uint32_t number = 0;
        registry.keyExists(key);
        registry.readString(key, "Color00", text);
        registry.readDword(key, "Type_02", number);
        registry.readString(key, "", text);
    }
    return 0;
}
