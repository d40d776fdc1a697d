// Command-line settings options, turned into the values the settings file would hold.
#include "app/settings_options.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "app/app_settings.h"

namespace korvel {

const char* const kSettingsOptionsHelp =
    "settings:\n"
    "  --settings FILE            settings file (default $XDG_CONFIG_HOME/korvel/Korvel.INI)\n"
    "  --jwcad-registry FILE|none Jw_cad's settings: a Wine user.reg or a .reg export\n"
    "                             (default $WINEPREFIX/user.reg, ~/.wine/user.reg)\n"
    "  --pens window|own|jwcad|drawing\n"
    "                             pens to draw with: as the window does (default), the own pens,\n"
    "                             Jw_cad's, or the drawing's own pen table\n"
    "  --width N                  output width in pixels\n"
    "  --jpeg-quality 1-100, --[no-]progressive\n"
    "  --png-compression none|default|fast|best, --[no-]png-interlace, --[no-]png-transparent\n"
    "  --gif-compression lzw|rle, --gif-colors N|NAME, --gif-dither NAME, --[no-]gif-transparent\n"
    "  --mono two-colour|grey|off, --draw-order stored|solids-first|pictures-first\n"
    "  --[no-]real-scale, --no-aux-lines|--aux-lines, --[no-]thin-lines, --no-pictures|--pictures\n"
    "  --[no-]builtin-decoders-only, --[no-]clipboard-watch\n"
    "  --set SECTION/KEY=VALUE    any key of the settings file, e.g. --set JwwSStyle/LSolidStyle2=3\n";

namespace {

std::string lowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// A key of the settings file and whether it holds text rather than a number.
struct KnownKey {
    std::string section;
    std::string key;
    bool isText = false;
};

class KeyCollector : public SettingsVisitor {
public:
    std::vector<KnownKey> keys;
    void integer(const char* s, const std::string& k, int&) override { keys.push_back({s, k, false}); }
    void boolean(const char* s, const std::string& k, bool&) override { keys.push_back({s, k, false}); }
    void byte(const char* s, const std::string& k, uint8_t&) override { keys.push_back({s, k, false}); }
    void pen(const char* s, const std::string& k, uint32_t&) override { keys.push_back({s, k, false}); }
    void text(const char* s, const std::string& k, std::string&) override { keys.push_back({s, k, true}); }
};

const std::vector<KnownKey>& knownKeys() {
    static const std::vector<KnownKey> keys = [] {
        AppSettings s;
        DrawingHeader h;
        KeyCollector c;
        VisitSettings(s, h, c);
        return c.keys;
    }();
    return keys;
}

bool wholeNumber(const std::string& text, long low, long high, long& out) {
    if (text.empty() || text.size() > 11) return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    for (size_t k = i; k < text.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(text[k]))) return false;
    long v = std::stol(text);
    if (v < low || v > high) return false;
    out = v;
    return true;
}

// An index by number or by one of its names.
bool choice(const std::string& text, const std::vector<std::vector<const char*>>& names, long& out) {
    if (wholeNumber(text, 0, static_cast<long>(names.size()) - 1, out)) return true;
    const std::string t = lowerAscii(text);
    for (size_t i = 0; i < names.size(); ++i)
        for (const char* n : names[i])
            if (t == lowerAscii(n)) {
                out = static_cast<long>(i);
                return true;
            }
    return false;
}

// GIF colour reductions and ditherers in the order of "GIFSubColor" and "GIFDith".
const std::vector<std::vector<const char*>> kGifColors = {
    {"none"}, {"windows20"}, {"halftone256"}, {"grey4", "gray4"}, {"black-white"},
    {"grey256", "gray256"}, {"web216"}, {"optimal-pow2"}, {"optimal256"}};
const std::vector<std::vector<const char*>> kGifDither = {
    {"nearest"}, {"floyd-steinberg", "FloydSt"}, {"stucki"}, {"sierra"},
    {"jarvis-judice-ninke", "JaJuNI"}, {"stevenson-arce", "SteveAr"}, {"burkes"}};

struct Switch {
    const char* on;
    const char* off;
    const char* section;
    const char* key;
};
const Switch kSwitches[] = {
    {"--progressive", "--no-progressive", "Graphic", "JpegPrgrs"},
    {"--png-interlace", "--no-png-interlace", "Graphic", "PNGInlc"},
    {"--png-transparent", "--no-png-transparent", "Graphic", "PNGTrans"},
    {"--gif-transparent", "--no-gif-transparent", "Graphic", "GIFTrans"},
    {"--real-scale", "--no-real-scale", "Graphic", "RealScaleFlg"},
    {"--no-aux-lines", "--aux-lines", "Graphic", "AuxLineFlg"},
    {"--thin-lines", "--no-thin-lines", "Graphic", "SenFlg"},
    {"--no-pictures", "--pictures", "Graphic", "GrpFlg"},
    {"--builtin-decoders-only", "--no-builtin-decoders-only", "Graphic", "SPIFlg"},
    {"--clipboard-watch", "--no-clipboard-watch", "Form", "CBmonitorFlg"},
};

// The first four say where the settings come from.
constexpr size_t kSourceOptionCount = 4;
const char* const kValueOptions[] = {
    "--settings", "--jwcad-registry", "--pens", "--set", "--width", "--jpeg-quality", "--png-compression",
    "--gif-compression", "--gif-colors", "--gif-dither", "--mono", "--draw-order",
};

bool setValue(const std::string& name, const std::string& value, SettingsOptions& o, std::string& why) {
    long n = 0;
    auto put = [&o](const char* section, const char* key, long v) { o.overrides.setInteger(section, key, v); };
    if (name == "--settings") {
        if (value.empty()) return why = "needs a file name", false;
        o.settingsPath = value;
    } else if (name == "--jwcad-registry") {
        if (value.empty()) return why = "needs a file name or none", false;
        o.registryPath = value;
    } else if (name == "--pens") {
        if (!ParsePenSource(value, o.pens)) return why = "must be window, own, jwcad or drawing", false;
    } else if (name == "--width") {
        if (!wholeNumber(value, 1, 1000000, n)) return why = "must be a width in pixels, 1 or more", false;
        const long widths[] = {200, 320, 480, 640, 800};
        long sizeChoice = 6;
        for (long i = 0; i < 5; ++i)
            if (widths[i] == n) sizeChoice = i + 1;
        put("Form", "outWsize", n);
        put("Form", "outWsizeF", sizeChoice);
    } else if (name == "--jpeg-quality") {
        if (!wholeNumber(value, 1, 100, n)) return why = "must be a whole number from 1 to 100", false;
        put("Graphic", "JpegValue", n);
    } else if (name == "--png-compression") {
        const std::string v = lowerAscii(value);
        n = v == "none" || v == "0" ? 0 : v == "default" || v == "-1" ? -1 : v == "fast" || v == "1" ? 1
            : v == "best" || v == "9" ? 9 : 99;
        if (n == 99) return why = "must be none, default, fast or best (0, -1, 1, 9)", false;
        put("Graphic", "PNGComp", n);
    } else if (name == "--gif-compression") {
        const std::string v = lowerAscii(value);
        if (v != "lzw" && v != "rle") return why = "must be lzw or rle", false;
        put("Graphic", "GIFComp", v == "lzw");
    } else if (name == "--gif-colors") {
        if (!choice(value, kGifColors, n))
            return why = "must be 0-8 or none, windows20, halftone256, grey4, black-white, grey256, web216, "
                         "optimal-pow2, optimal256", false;
        put("Graphic", "GIFSubColor", n);
    } else if (name == "--gif-dither") {
        if (!choice(value, kGifDither, n))
            return why = "must be 0-6 or nearest, floyd-steinberg, stucki, sierra, jarvis-judice-ninke, "
                         "stevenson-arce, burkes", false;
        put("Graphic", "GIFDith", n);
    } else if (name == "--mono") {
        const std::string v = lowerAscii(value);
        if (v == "two-colour" || v == "two-color") put("Graphic", "BwPlotFlg", 1), put("Graphic", "Bw2GFlg", 1);
        else if (v == "grey" || v == "gray") put("Graphic", "BwPlotFlg", 1), put("Graphic", "Bw2GFlg", 0);
        else if (v == "off") put("Graphic", "BwPlotFlg", 0);
        else return why = "must be two-colour, grey or off", false;
    } else if (name == "--draw-order") {
        if (!choice(value, {{"stored"}, {"solids-first"}, {"pictures-first"}}, n))
            return why = "must be stored, solids-first or pictures-first", false;
        put("Graphic", "SolidFlag", n);
        o.drawOrder = static_cast<int>(n);
    } else if (name == "--set") {
        size_t slash = value.find('/'), eq = value.find('=');
        if (slash == std::string::npos || eq == std::string::npos || slash > eq)
            return why = "must be SECTION/KEY=VALUE", false;
        const std::string section = value.substr(0, slash), key = value.substr(slash + 1, eq - slash - 1);
        const std::string text = value.substr(eq + 1);
        for (const KnownKey& k : knownKeys()) {
            if (lowerAscii(k.section) != lowerAscii(section) || lowerAscii(trimmed(k.key)) != lowerAscii(trimmed(key)))
                continue;
            int parsed = 0;
            if (!k.isText && !ParseIniInteger(text, parsed))
                return why = "\"" + text + "\" is not a number for " + k.section + "/" + trimmed(k.key), false;
            o.overrides.set(k.section, k.key, text);
            if (k.section == "Graphic" && k.key == "SolidFlag") o.drawOrder = parsed;
            return true;
        }
        return why = "the settings file has no key " + section + "/" + key, false;
    }
    return true;
}

}  // namespace

bool TakeSettingsOptions(std::vector<std::string>& args, SettingsOptions& options, std::string& error,
                         SettingsOptionSet set) {
    const bool all = set == SettingsOptionSet::All;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<long>(i), args.end());
            break;
        }
        const size_t eq = arg.find('=');
        const std::string name = arg.rfind("--", 0) == 0 ? arg.substr(0, eq) : arg;
        bool known = false;
        for (const Switch& s : kSwitches) {
            if (!all || (name != s.on && name != s.off)) continue;
            if (eq != std::string::npos) return error = name + " takes no value", false;
            options.overrides.setInteger(s.section, s.key, name == s.on ? 1 : 0);
            options.given.push_back(name);
            known = true;
        }
        for (size_t k = 0; k < std::size(kValueOptions); ++k) {
            const char* v = kValueOptions[k];
            if (name != v || (!all && k >= kSourceOptionCount)) continue;
            std::string value;
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
            } else {
                if (i + 1 >= args.size()) return error = name + " needs a value", false;
                value = args[++i];
            }
            std::string why;
            if (!setValue(name, value, options, why)) return error = name + " " + value + ": " + why, false;
            options.given.push_back(name + " " + value);
            known = true;
        }
        if (!known) rest.push_back(arg);
    }
    args = std::move(rest);
    return true;
}

}  // namespace korvel
