// libFuzzer target: the INI reader, its number rules, and what it writes back: a file written
// from what was read reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvel;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniFile ini;
    ini.parse(text);
    int number = 0;
    ParseIniInteger(text.substr(0, 40), number);
    ini.readInteger("Korvel", "JpegQuality", 75);
    ini.readBool("Korvel", "BwPlotFlg", false);
    ini.readString("JwwSStyle", " LSolidStyle0", "1");
    ini.set("Korvel", "Added", "value");
    ini.setInteger("New Section", "Number", -12345);
    const std::string written = ini.text();
    IniFile again;
    again.parse(written);
    if (again.text() != written) __builtin_trap();
    if (again.readString("Korvel", "Added", "") != "value") __builtin_trap();
    if (again.readInteger("New Section", "Number", 0) != -12345) __builtin_trap();
    return 0;
}
