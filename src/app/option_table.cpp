// The option table, its parser and its help. New options are one entry in buildTable().
#include "app/option_table.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "app/app_settings.h"
#include "render/layer_choice.h"

namespace korvel {

namespace {

constexpr unsigned kRendering = kConvertCommand | kSettingsCommand | kWatchCommand | kWindowCommand;
constexpr unsigned kReadingSettings = kInfoCommand | kRendering;
// Saving and the text export read the settings too: a drawing without a header of its own is
// saved with their pens, and texts are exported as the window's "TextClip" values say.
constexpr unsigned kSettingsSources = kReadingSettings | kSaveCommand | kTextCommand;

std::string lowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool wholeNumber(const std::string& text, long& out) {
    if (text.empty() || text.size() > 11) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || std::isspace(static_cast<unsigned char>(text[0])) || text[0] == '+') return false;
    out = v;
    return true;
}

// "a, b or c"
std::string listed(const std::vector<std::string>& items, const char* last = " or ") {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += i + 1 == items.size() ? last : ", ";
        out += items[i];
    }
    return out;
}

// --- what the options do ---

bool putKey(const OptionSpec& option, long number, CommandLine& out) {
    out.settings.overrides.setInteger(option.section, option.key, number);
    return true;
}

bool applySettingsPath(const OptionSpec&, long, const std::string& text, CommandLine& out, std::string& why) {
    if (text.empty()) return why = "needs a file name", false;
    out.settings.settingsPath = text;
    return true;
}

bool applyRegistry(const OptionSpec&, long, const std::string& text, CommandLine& out, std::string& why) {
    if (text.empty()) return why = "needs a file name or none", false;
    out.settings.registryPath = text;
    return true;
}

bool applyPens(const OptionSpec&, long number, const std::string&, CommandLine& out, std::string&) {
    out.settings.pens = static_cast<PenSource>(number);
    return true;
}

bool applyWidth(const OptionSpec& option, long number, const std::string&, CommandLine& out, std::string&) {
    // The output-size choice that names this width, else "任意サイズ".
    const long widths[] = {200, 320, 480, 640, 800};
    long sizeChoice = 6;
    for (long i = 0; i < 5; ++i)
        if (widths[i] == number) sizeChoice = i + 1;
    putKey(option, number, out);
    out.settings.overrides.setInteger("Form", "outWsizeF", sizeChoice);
    return true;
}

// Millimetres on paper: a decimal number above 0 and at most 10.
bool applyMillimetres(const OptionSpec& option, long, const std::string& text, CommandLine& out, std::string& why) {
    char* end = nullptr;
    errno = 0;
    const double mm = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !(mm > 0.0 && mm <= 10.0))
        return why = "must be millimetres above 0 and at most 10 (such as 0.13)", false;
    out.text[option.name] = text;
    return true;
}

// A layer list is checked as it is given; several --layers read as one list, left to right.
bool applyLayers(const OptionSpec& option, long, const std::string& text, CommandLine& out, std::string& why) {
    LayerChoice scratch;
    if (!ApplyLayerSpec(text, scratch, why)) return false;
    std::string& list = out.text[option.name];
    list += (list.empty() ? "" : ",") + text;
    return true;
}

bool applyMono(const OptionSpec&, long number, const std::string&, CommandLine& out, std::string&) {
    out.settings.overrides.setInteger("Graphic", "BwPlotFlg", number != 0);
    if (number != 0) out.settings.overrides.setInteger("Graphic", "Bw2GFlg", number == 2);
    return true;
}

bool applyDrawOrder(const OptionSpec& option, long number, const std::string&, CommandLine& out, std::string&) {
    putKey(option, number, out);
    out.settings.drawOrder = static_cast<int>(number);
    return true;
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

bool sameKey(const std::string& a, const std::string& b) { return lowerAscii(trimmed(a)) == lowerAscii(trimmed(b)); }

bool applySet(const OptionSpec&, long, const std::string& value, CommandLine& out, std::string& why) {
    const size_t slash = value.find('/'), eq = value.find('=');
    if (slash == std::string::npos || eq == std::string::npos || slash > eq) return why = "must be SECTION/KEY=VALUE", false;
    const std::string section = value.substr(0, slash), key = value.substr(slash + 1, eq - slash - 1);
    const std::string text = value.substr(eq + 1);
    for (const KnownKey& k : knownKeys()) {
        if (!sameKey(k.section, section) || !sameKey(k.key, key)) continue;
        const std::string name = k.section + "/" + trimmed(k.key);
        long number = 0;
        if (const OptionSpec* option = OptionForKey(k.section, k.key)) {
            std::string reason;
            if (!ParseOptionValue(*option, text, number, reason)) return why = name + " " + reason, false;
            out.settings.overrides.setInteger(k.section, k.key, number);
        } else if (!k.isText) {
            int parsed = 0;
            if (!ParseIniInteger(text, parsed)) return why = "\"" + text + "\" is not a number for " + name, false;
            number = parsed;
            out.settings.overrides.set(k.section, k.key, text);
        } else {
            out.settings.overrides.set(k.section, k.key, text);
        }
        if (k.section == "Graphic" && k.key == "SolidFlag") out.settings.drawOrder = static_cast<int>(number);
        return true;
    }
    return why = "the settings file has no key " + section + "/" + key, false;
}

// --- the table ---

OptionSpec flag(const char* name, const char* negation, unsigned commands, const char* group, const char* help) {
    OptionSpec s;
    s.name = name;
    s.negation = negation;
    s.kind = OptionKind::Flag;
    s.commands = commands;
    s.group = group;
    s.help = help;
    return s;
}

OptionSpec keyFlag(const char* name, const char* negation, const char* section, const char* key, unsigned commands,
                   const char* group, const char* help) {
    OptionSpec s = flag(name, negation, commands, group, help);
    s.section = section;
    s.key = key;
    s.setting = true;
    return s;
}

OptionSpec number(const char* name, const char* valueName, long low, long high, unsigned commands, const char* group,
                  const char* help) {
    OptionSpec s;
    s.name = name;
    s.kind = OptionKind::Number;
    s.valueName = valueName;
    s.low = low;
    s.high = high;
    s.commands = commands;
    s.group = group;
    s.help = help;
    return s;
}

OptionSpec choice(const char* name, const char* valueName, std::vector<OptionValue> values, unsigned commands,
                  const char* group, const char* help) {
    OptionSpec s;
    s.name = name;
    s.kind = OptionKind::Choice;
    s.valueName = valueName;
    s.values = std::move(values);
    s.commands = commands;
    s.group = group;
    s.help = help;
    return s;
}

OptionSpec text(const char* name, const char* valueName, unsigned commands, const char* group, const char* help) {
    OptionSpec s;
    s.name = name;
    s.kind = OptionKind::Text;
    s.valueName = valueName;
    s.commands = commands;
    s.group = group;
    s.help = help;
    return s;
}

OptionSpec withKey(OptionSpec s, const char* section, const char* key) {
    s.section = section;
    s.key = key;
    s.setting = true;
    return s;
}

OptionSpec withAlias(OptionSpec s, const char* alias) {
    s.alias = alias;
    return s;
}

OptionSpec withDefault(OptionSpec s, const char* defaultText) {
    s.defaultText = defaultText;
    return s;
}

OptionSpec applying(OptionSpec s, OptionApply apply, bool setting = true) {
    s.apply = apply;
    s.setting = setting;
    return s;
}

const char* const kOutput = "Output";
const char* const kImage = "Image size and encoders";
const char* const kPages = "PDF and SVG pages";
const char* const kDrawing = "Drawing";
const char* const kSettings = "Settings";
const char* const kCommand = "Options";

std::vector<OptionSpec> buildTable() {
    std::vector<OptionSpec> t;
    // Where the output goes (convert).
    t.push_back(withAlias(text("--output", "FILE", kConvertCommand, kOutput,
                               "Writes one file; \"-\" writes to standard output. Several drawings into one .pdf "
                               "file give one page each, in the order given."), "-o"));
    t.push_back(withAlias(text("--directory", "DIR", kConvertCommand, kOutput,
                               "Writes each drawing into DIR as its name up to the first \".\" plus .PNG, .JPG, "
                               ".GIF, .BMP, .emf, .wmf, .dxf, .pdf or .svg."), "-d"));
    t.push_back(withDefault(
        withAlias(text("--format", "F[,F...]", kConvertCommand, kOutput,
                       "The formats to write: bmp, jpeg, png, gif, emf, wmf, dxf, pdf or svg, several "
                       "separated by commas."),
                  "-f"),
        "the extension of -o, else png"));
    t.push_back(withDefault(choice("--dxf-version", "VERSION",
                                   {{2000, {"2000", "R2000", "AC1015"}, nullptr},
                                    {2013, {"2013", "R2013", "AC1027"}, nullptr}},
                                   kConvertCommand, kOutput,
                                   "The DXF flavour: AutoCAD 2000 with CP932 texts, as most CAD programs and "
                                   "Jw_cad read it, or 2013 with UTF-8 texts."),
                            "2000"));
    t.push_back(withDefault(withAlias(number("--jobs", "N", 1, 256, kConvertCommand, kOutput,
                                             "Converts N files at once."), "-j"), "1"));
    t.push_back(applying(text("--layers", "LIST", kConvertCommand, kOutput, kLayerSpecHelp), applyLayers, false));
    t.push_back(flag("--clear-background", nullptr, kConvertCommand, kOutput,
                     "Fills the background with colour 0 even where the pens leave it to the image's own fill."));
    t.push_back(withDefault(
        choice("--page", "PAPER",
               {{-1, {"paper"}, nullptr}, {-2, {"fit"}, nullptr}, {0, {"A0", "Ａ-０"}, nullptr},
                {1, {"A1", "Ａ-１"}, nullptr}, {2, {"A2", "Ａ-２"}, nullptr}, {3, {"A3", "Ａ-３"}, nullptr},
                {4, {"A4", "Ａ-４"}, nullptr}, {5, {"2A", "２Ａ"}, nullptr}, {6, {"3A", "３Ａ"}, nullptr},
                {7, {"4A", "４Ａ"}, nullptr}, {8, {"5A", "５Ａ"}, nullptr}},
               kConvertCommand, kPages,
               "The page of PDF and SVG files: the drawing's own paper at real scale (the 10m, 50m and 100m sheets "
               "get the extents and a 10 mm margin), that page for any drawing (fit), or another paper, landscape, "
               "with the drawing's page scaled to fit and centred."),
        "paper"));
    t.push_back(withDefault(applying(text("--pen-width", "MM", kConvertCommand, kPages,
                                          "How wide one unit of a pen's width prints on PDF and SVG pages."),
                                     applyMillimetres, false),
                            "0.13"));
    t.push_back(withDefault(applying(text("--min-pen-width", "MM", kConvertCommand, kPages,
                                          "The width of the thinnest line on PDF and SVG pages (and of every line "
                                          "with --thin-lines)."),
                                     applyMillimetres, false),
                            "0.1"));
    t.push_back(withAlias(flag("--quiet", nullptr, kConvertCommand, kOutput, "Shows no progress; errors and warnings still show."), "-q"));
    t.push_back(withAlias(flag("--verbose", nullptr, kConvertCommand, kOutput,
                               "Also names each file written."), "-v"));

    // The output size and the encoders ("Graphic", "Form").
    t.push_back(withAlias(applying(withKey(number("--width", "N", 1, 1000000, kRendering, kImage,
                                                  "Width of pictures in pixels; the height follows the drawing. "
                                                  "Colour pictures are at most 5000 wide."),
                                           "Form", "outWsize"),
                                   applyWidth),
                          "-w"));
    t.push_back(withKey(number("--jpeg-quality", "N", 1, 100, kRendering, kImage, "JPEG quality."),
                        "Graphic", "JpegValue"));
    t.push_back(keyFlag("--progressive", "--no-progressive", "Graphic", "JpegPrgrs", kRendering, kImage,
                        "Progressive JPEG."));
    t.push_back(withKey(choice("--png-compression", "LEVEL",
                               {{0, {"none"}, "非圧縮"},
                                {-1, {"default"}, "標準圧縮"},
                                {1, {"fast"}, "圧縮速度優先（圧縮率低下）"},
                                {9, {"best"}, "最高圧縮率（圧縮速度低下）"}},
                               kRendering, kImage, "PNG compression."),
                        "Graphic", "PNGComp"));
    t.push_back(keyFlag("--png-interlace", "--no-png-interlace", "Graphic", "PNGInlc", kRendering, kImage,
                        "Interlaced PNG."));
    t.push_back(keyFlag("--png-transparent", "--no-png-transparent", "Graphic", "PNGTrans", kRendering, kImage,
                        "The background colour of PNG pictures becomes transparent."));
    t.push_back(withKey(choice("--gif-compression", "METHOD", {{1, {"lzw"}, "LZW"}, {0, {"rle"}, "RLE"}}, kRendering,
                               kImage, "GIF compression."),
                        "Graphic", "GIFComp"));
    t.push_back(withKey(choice("--gif-colors", "NAME",
                               {{0, {"none"}, "なし"},
                                {1, {"windows20"}, "20色パレット"},
                                {2, {"halftone256"}, "256色ハーフトーン"},
                                {3, {"grey4", "gray4"}, "4色グレイスケール"},
                                {4, {"black-white"}, "白黒単色パレット"},
                                {5, {"grey256", "gray256"}, "256色グレイスケール"},
                                {6, {"web216"}, "Netscape216色パレット"},
                                {7, {"optimal-pow2"}, "2乗色最適パレット"},
                                {8, {"optimal256"}, "256色最適パレット"}},
                               kRendering, kImage, "How GIF pictures are reduced to 256 colours or fewer."),
                        "Graphic", "GIFSubColor"));
    t.push_back(withKey(choice("--gif-dither", "NAME",
                               {{0, {"nearest"}, "Nearest"},
                                {1, {"floyd-steinberg", "FloydSt"}, "FloydSt"},
                                {2, {"stucki"}, "Stucki"},
                                {3, {"sierra"}, "Sierra"},
                                {4, {"jarvis-judice-ninke", "JaJuNI"}, "JaJuNI"},
                                {5, {"stevenson-arce", "SteveAr"}, "SteveAr"},
                                {6, {"burkes"}, "Burkes"}},
                               kRendering, kImage, "How the GIF colour reduction spreads what a colour misses."),
                        "Graphic", "GIFDith"));
    t.push_back(keyFlag("--gif-transparent", "--no-gif-transparent", "Graphic", "GIFTrans", kRendering, kImage,
                        "Kept in the settings; GIF pictures are written without a transparent colour."));
    t.push_back(keyFlag("--real-scale", "--no-real-scale", "Graphic", "RealScaleFlg", kRendering, kImage,
                        "Metafiles at real scale (1 mm of the drawing's scale is 1 mm) instead of fitted to the width."));

    // How the drawing is drawn.
    t.push_back(withDefault(applying(choice("--mono", "MODE",
                                            {{0, {"off"}, nullptr},
                                             {1, {"grey", "gray"}, "グレー表示"},
                                             {2, {"two-colour", "two-color"}, "白黒表示"}},
                                            kRendering, kDrawing,
                                            "Monochrome: grey draws every colour as its grey, two-colour in black "
                                            "on white (1-bit pictures)."),
                                     applyMono),
                            "off"));
    t.push_back(applying(withKey(choice("--draw-order", "ORDER",
                                        {{0, {"stored"}, nullptr},
                                         {1, {"solids-first"}, "画像・ソリッド図先行描画"},
                                         {2, {"pictures-first"}, "画像を先行"}},
                                        kRendering, kDrawing,
                                        "Solids and pictures before the other records, or everything as stored. "
                                        "Given, it beats the order a drawing carries."),
                                 "Graphic", "SolidFlag"),
                         applyDrawOrder));
    t.back().defaultText = "the order the drawing carries; in the window the settings'";
    t.push_back(keyFlag("--no-aux-lines", "--aux-lines", "Graphic", "AuxLineFlg", kRendering, kDrawing,
                        "Records of the auxiliary colour (9) are not drawn."));
    t.push_back(keyFlag("--thin-lines", "--no-thin-lines", "Graphic", "SenFlg", kRendering, kDrawing,
                        "Every line with the thinnest pen."));
    t.push_back(keyFlag("--no-pictures", "--pictures", "Graphic", "GrpFlg", kRendering, kDrawing,
                        "Pictures referenced by texts are not drawn."));
    t.push_back(keyFlag("--builtin-decoders-only", "--no-builtin-decoders-only", "Graphic", "SPIFlg", kRendering,
                        kDrawing, "Pictures in BMP, JPEG, GIF and PNG only, without Qt's image plug-ins."));
    t.push_back(keyFlag("--clipboard-watch", "--no-clipboard-watch", "Form", "CBmonitorFlg",
                        kSettingsCommand | kWindowCommand, kDrawing,
                        "The window converts each copy made in Jw_win into a picture on the clipboard."));

    // Where the settings come from.
    t.push_back(withDefault(applying(text("--settings", "FILE", kSettingsSources, kSettings,
                                          "Korvel's settings file for this run; the window saves what is changed "
                                          "in it there. It must exist (settings --save may create it)."),
                                     applySettingsPath),
                            "$XDG_CONFIG_HOME/korvel/Korvel.INI"));
    t.push_back(withDefault(applying(text("--jwcad-registry", "FILE|none", kSettingsSources, kSettings,
                                          "Jw_cad's settings (pens, line types, text sizes) from a Wine user.reg or "
                                          "a .reg export of Windows' registry editor, which must exist; none: "
                                          "without them."),
                                     applyRegistry),
                            "$WINEPREFIX/user.reg, else ~/.wine/user.reg"));
    t.push_back(withDefault(applying(choice("--pens", "SOURCE",
                                            {{0, {"window"}, nullptr},
                                             {1, {"own"}, nullptr},
                                             {2, {"jwcad"}, nullptr},
                                             {3, {"drawing"}, nullptr}},
                                            kReadingSettings | kSaveCommand, kSettings,
                                            "The pens to draw with: window as the window draws (Korvel's own pens "
                                            "when PenColor/PenColorFlag is on, else Jw_cad's, else Korvel's), own, "
                                            "jwcad (Jw_cad's, else the drawing's), or drawing (the drawing's own "
                                            "table). Line types a drawing and Jw_cad leave out are built in."),
                                     applyPens),
                            "window"));
    t.push_back(applying(text("--set", "SECTION/KEY=VALUE", (kReadingSettings & ~kInfoCommand) | kTextCommand, kSettings,
                              "Any key of the settings file for this run, e.g. --set JwwSStyle/LSolidStyle2=3; "
                              "keys of the options above take the same values."),
                         applySet));

    // The other commands' own options.
    t.push_back(withAlias(text("--output", "OUT.jww|OUT.jwz", kSaveCommand, kCommand,
                               "The file to write: a JWW file, or Jw_win clipboard data when it ends in .jwz."),
                          "-o"));
    t.push_back(flag("--json", nullptr, kInfoCommand, kCommand, "One JSON object per file, one per line."));
    t.push_back(flag("--recover", nullptr, kInfoCommand | kSaveCommand, kCommand,
                     "Reads a damaged JWW file by scanning for its records."));
    t.push_back(choice("--as", "KIND", {{0, {"jww"}, nullptr}, {1, {"jws"}, nullptr}, {2, {"jwz"}, nullptr}},
                       kInfoCommand | kSaveCommand, kCommand,
                       "The kind of data when the extension does not say (files are also known by their "
                       "\"JwwData.\" and \"JwsData.\" magic)."));
    t.back().defaultText = "from the extension or the magic";
    t.push_back(withDefault(choice("--jww-version", "N",
                                   {{351, {"351"}, nullptr},
                                    {300, {"300"}, nullptr},
                                    {230, {"230"}, nullptr},
                                    {225, {"225"}, nullptr},
                                    {223, {"223"}, nullptr},
                                    {220, {"220"}, nullptr}},
                                   kSaveCommand, kCommand,
                                   "The JWW version to write; Jw_win data always holds version 351."),
                            "351"));
    t.push_back(text("--memo", "TEXT", kSaveCommand, kCommand,
                     "The drawing's memo, cut to 64 bytes as Jw_cad keeps it; new lines allowed."));
    t.push_back(number("--paper", "N", 0, 11, kSaveCommand, kCommand,
                       "The paper size: 0 A0, 1 A1, 2 A2, 3 A3, 4 A4, 5 2A, 6 3A, 7 4A, 8 5A, 9 10m, 10 50m, "
                       "11 100m."));
    t.back().defaultText = "the drawing's";
    t.push_back(withAlias(text("--output", "OUT", kTextCommand, kCommand,
                               "Writes the rows to OUT instead of standard output (\"-\" is standard output)."),
                          "-o"));
    t.push_back(withDefault(choice("--delimiter", "SEP",
                                   {{0, {"tab"}, "タブ"},
                                    {1, {"space"}, "スペース"},
                                    {2, {"comma"}, "カンマ"},
                                    {3, {"semicolon"}, "セミコロン"}},
                                   kTextCommand, kCommand, "What separates the texts of a row."),
                            "tab"));
    // Decimal millimetres (0.5 is a common choice), so checked by the text command itself.
    t.push_back(withDefault(text("--tolerance", "MM", kTextCommand, kCommand,
                                 "Texts whose heights differ by less than MM millimetres (0 to 10, such as 0.5) "
                                 "share a row."),
                            "the settings' TextClip/ShiftY, else 1"));
    t.push_back(withDefault(choice("--encoding", "NAME",
                                   {{0, {"utf-8", "utf8"}, nullptr}, {1, {"cp932", "shift_jis", "sjis"}, nullptr}},
                                   kTextCommand, kCommand, "The encoding of the rows."),
                            "utf-8"));
    t.push_back(flag("--save", nullptr, kSettingsCommand, kCommand,
                     "Writes the values in effect, options included, to the settings file."));
    t.push_back(number("--count", "N", 1, 1000000, kWatchCommand, kCommand,
                       "Stops after N conversions, once another program has taken the last picture from the "
                       "clipboard (X11 clipboards hold only what a running program offers)."));
    t.back().defaultText = "watch until Ctrl-C";
    return t;
}

// The values of a fresh settings file, by key, for the defaults in help.
class DefaultCollector : public SettingsVisitor {
public:
    std::map<std::string, long> values;
    void integer(const char* s, const std::string& k, int& v) override { values[id(s, k)] = v; }
    void boolean(const char* s, const std::string& k, bool& v) override { values[id(s, k)] = v; }
    void byte(const char* s, const std::string& k, uint8_t& v) override { values[id(s, k)] = v; }
    void pen(const char* s, const std::string& k, uint32_t& v) override { values[id(s, k)] = static_cast<int32_t>(v); }
    void text(const char*, const std::string&, std::string&) override {}
    static std::string id(const std::string& s, const std::string& k) { return lowerAscii(s) + "/" + lowerAscii(trimmed(k)); }
};

const std::map<std::string, long>& settingsDefaults() {
    static const std::map<std::string, long> values = [] {
        AppSettings s;
        DrawingHeader h;
        DefaultCollector c;
        VisitSettings(s, h, c);
        return c.values;
    }();
    return values;
}

bool takesCommand(const OptionSpec& s, unsigned command) { return (s.commands & command) != 0; }

const OptionSpec* findSpelling(unsigned command, const std::string& spelling, bool& negated) {
    for (const OptionSpec& s : OptionTable()) {
        if (!takesCommand(s, command)) continue;
        if (spelling == s.name || (s.alias && spelling == s.alias)) return negated = false, &s;
        if (s.negation && spelling == s.negation) return negated = true, &s;
    }
    return nullptr;
}

// The option's effect, once its value is known to be usable.
bool applyOption(const OptionSpec& option, long number, const std::string& value, CommandLine& out, std::string& why) {
    if (option.apply) return option.apply(option, number, value, out, why);
    if (option.section) return putKey(option, number, out);
    if (option.kind == OptionKind::Flag) {
        out.flags.insert(option.name);
        return true;
    }
    out.text[option.name] = value;
    if (option.kind != OptionKind::Text) out.number[option.name] = number;
    return true;
}

// Takes the option at args[i] (moving i past its value). `taken` false: not an option of the
// command (left for the caller).
bool takeOption(unsigned command, const std::vector<std::string>& args, size_t& i, CommandLine& out, bool& taken,
                std::string& error, bool settingsOnly) {
    const std::string& arg = args[i];
    taken = false;
    if (arg.size() < 2 || arg[0] != '-') return true;
    const size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    std::string name = arg.substr(0, eq);
    bool negated = false;
    const OptionSpec* option = findSpelling(command, name, negated);
    // A short option with its value attached, as in "-j4".
    bool attached = false;
    if (!option && arg.size() > 2 && arg[1] != '-') {
        option = findSpelling(command, arg.substr(0, 2), negated);
        attached = option && option->kind != OptionKind::Flag;
        if (!attached) option = nullptr;
        else name = arg.substr(0, 2);
    }
    taken = option && (!settingsOnly || option->setting);
    if (!taken) return true;
    long number = negated ? 0 : 1;
    std::string value;
    if (option->kind == OptionKind::Flag) {
        if (eq != std::string::npos) return error = name + " takes no value", false;
    } else {
        if (attached) value = arg.substr(2);
        else if (eq != std::string::npos) value = arg.substr(eq + 1);
        else if (i + 1 < args.size()) value = args[++i];
        else return error = name + " needs a value", false;
        std::string why;
        if (!ParseOptionValue(*option, value, number, why)) return error = name + " " + value + ": " + why, false;
    }
    std::string why;
    if (!applyOption(*option, number, value, out, why)) return error = name + " " + value + ": " + why, false;
    if (option->setting) out.settings.given.push_back(value.empty() && option->kind == OptionKind::Flag ? name : name + " " + value);
    return true;
}

std::vector<std::string> choiceNames(const OptionSpec& s) {
    std::vector<std::string> names;
    for (const OptionValue& v : s.values) names.push_back(v.names[0]);
    return names;
}

std::vector<std::string> choiceNumbers(const OptionSpec& s) {
    std::vector<std::string> numbers;
    for (const OptionValue& v : s.values) numbers.push_back(std::to_string(v.number));
    return numbers;
}

// Numbers stand for a Choice's values where the settings file keeps them as numbers.
bool acceptsNumbers(const OptionSpec& s) { return s.section != nullptr; }

std::string valuesSentence(const OptionSpec& s) {
    switch (s.kind) {
        case OptionKind::Number:
            return std::string(s.valueName) + " is a whole number from " + std::to_string(s.low) + " to " +
                   std::to_string(s.high) + ".";
        case OptionKind::Choice: {
            std::vector<std::string> names;
            for (const OptionValue& v : s.values) {
                std::string n = v.names[0];
                if (v.names.size() > 1) {
                    std::vector<std::string> others(v.names.begin() + 1, v.names.end());
                    n += " (" + listed(others) + ")";
                }
                names.push_back(n);
            }
            std::string out = std::string(s.valueName) + " is " + listed(names);
            if (acceptsNumbers(s)) out += ", or its number " + listed(choiceNumbers(s));
            return out + ".";
        }
        default:
            return {};
    }
}

// The spellings of an option as help shows them.
std::string spellings(const OptionSpec& s) {
    std::string out;
    if (s.alias) out += std::string(s.alias) + ", ";
    out += s.name;
    if (s.negation) out += std::string(", ") + s.negation;
    if (s.kind != OptionKind::Flag) out += std::string(" ") + s.valueName;
    return out;
}

}  // namespace

std::string WrapText(const std::string& text, size_t indent, size_t width) {
    std::string out, line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += line + "\n" + std::string(indent, ' ');
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return out + line;
}

namespace {

std::string fullHelp(const OptionSpec& s) {
    std::string text = s.help;
    const std::string values = valuesSentence(s);
    if (!values.empty()) text += " " + values;
    const std::string def = OptionDefault(s);
    if (!def.empty()) text += " (default: " + def + ")";
    if (s.section) text += " [" + std::string(s.section) + "/" + s.key + "]";
    return text;
}

std::vector<const char*> groupsOf(unsigned command, int settings = -1) {
    std::vector<const char*> groups;
    for (const OptionSpec& s : OptionTable()) {
        if (!takesCommand(s, command) || (settings >= 0 && s.setting != (settings == 1))) continue;
        if (std::find_if(groups.begin(), groups.end(), [&](const char* g) { return std::string(g) == s.group; }) ==
            groups.end())
            groups.push_back(s.group);
    }
    return groups;
}

std::string roffEscaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else if ((c == '.' || c == '\'') && (i == 0 || text[i - 1] == '\n')) out += "\\&" + std::string(1, c);
        else out.push_back(c);
    }
    return out;
}

}  // namespace

std::string CommandLine::value(const std::string& name) const {
    const auto it = text.find(name);
    return it == text.end() ? std::string() : it->second;
}

const std::vector<OptionSpec>& OptionTable() {
    static const std::vector<OptionSpec> table = buildTable();
    return table;
}

bool ParseOptionValue(const OptionSpec& option, const std::string& text, long& number, std::string& why) {
    switch (option.kind) {
        case OptionKind::Text:
            return true;
        case OptionKind::Flag: {
            const std::string v = lowerAscii(trimmed(text));
            int parsed = 0;
            if (v == "on" || v == "yes" || v == "true") number = 1;
            else if (v == "off" || v == "no" || v == "false") number = 0;
            else if (ParseIniInteger(v, parsed)) number = parsed;
            else return why = "must be on or off (1 or 0)", false;
            return true;
        }
        case OptionKind::Number:
            if (wholeNumber(text, number) && number >= option.low && number <= option.high) return true;
            why = "must be a whole number from " + std::to_string(option.low) + " to " + std::to_string(option.high);
            return false;
        case OptionKind::Choice: {
            const std::string v = lowerAscii(text);
            for (const OptionValue& value : option.values)
                for (const char* n : value.names)
                    if (v == lowerAscii(n)) return number = value.number, true;
            long n = 0;
            if (acceptsNumbers(option) && wholeNumber(text, n))
                for (const OptionValue& value : option.values)
                    if (value.number == n) return number = n, true;
            why = "must be " + listed(choiceNames(option));
            if (acceptsNumbers(option)) why += " (or " + listed(choiceNumbers(option)) + ")";
            return false;
        }
    }
    return false;
}

bool ParseCommandLine(unsigned command, const std::vector<std::string>& args, CommandLine& out, std::string& error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a == "-" || a.empty() || a[0] != '-') {
            out.files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        bool taken = false;
        if (!takeOption(command, args, i, out, taken, error, false)) return false;
        if (!taken) return error = "unknown option '" + a.substr(0, a.find('=')) + "'", false;
    }
    return true;
}

bool TakeSettingsOptions(std::vector<std::string>& args, SettingsOptions& options, std::string& error) {
    CommandLine line;
    line.settings = options;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            rest.insert(rest.end(), args.begin() + static_cast<long>(i), args.end());
            break;
        }
        bool taken = false;
        if (!takeOption(kSettingsCommand | kWindowCommand, args, i, line, taken, error, true)) return false;
        if (!taken) rest.push_back(args[i]);
    }
    options = line.settings;
    args = std::move(rest);
    return true;
}

const OptionSpec* OptionForKey(const std::string& section, const std::string& key) {
    for (const OptionSpec& s : OptionTable())
        if (s.section && sameKey(s.section, section) && sameKey(s.key, key)) return &s;
    return nullptr;
}

const OptionSpec* FindOption(unsigned command, const std::string& name) {
    for (const OptionSpec& s : OptionTable())
        if (takesCommand(s, command) && name == s.name) return &s;
    return nullptr;
}

const std::vector<OptionValue>& OptionValues(const char* name) {
    static const std::vector<OptionValue> none;
    for (const OptionSpec& s : OptionTable())
        if (std::string(name) == s.name && s.kind == OptionKind::Choice) return s.values;
    return none;
}

std::string OptionDefault(const OptionSpec& s) {
    if (s.defaultText) return s.defaultText;
    if (!s.section) return {};
    const auto& defaults = settingsDefaults();
    const auto it = defaults.find(DefaultCollector::id(s.section, s.key));
    if (it == defaults.end()) return {};
    switch (s.kind) {
        case OptionKind::Flag:
            return it->second ? s.name : (s.negation ? s.negation : "off");
        case OptionKind::Choice:
            for (const OptionValue& v : s.values)
                if (v.number == it->second) return v.names[0];
            return std::to_string(it->second);
        default:
            return std::to_string(it->second);
    }
}

std::string OptionsHelp(unsigned command) {
    constexpr size_t kColumn = 30, kWidth = 79;
    std::string out;
    for (const char* group : groupsOf(command)) {
        out += std::string("\n") + group + ":\n";
        for (const OptionSpec& s : OptionTable()) {
            if (!takesCommand(s, command) || std::string(group) != s.group) continue;
            std::string left = "  " + spellings(s);
            if (left.size() + 2 > kColumn) left += "\n" + std::string(kColumn, ' ');
            else left += std::string(kColumn - left.size(), ' ');
            out += left + WrapText(fullHelp(s), kColumn, kWidth) + "\n";
        }
    }
    if (std::any_of(OptionTable().begin(), OptionTable().end(),
                    [command](const OptionSpec& s) { return takesCommand(s, command) && s.section; }))
        out += "\n" +
               WrapText("Defaults of options with a [SECTION/KEY] are those of a new settings file; the settings "
                        "file's own values come first, and the options given beat both for this run.",
                        0, kWidth) +
               "\n";
    return out;
}

std::vector<std::string> SettingsOptionNames(unsigned command) {
    std::vector<std::string> names;
    for (const OptionSpec& s : OptionTable())
        if (takesCommand(s, command) && s.setting) names.push_back(s.name);
    return names;
}

std::string OptionsManual(unsigned command, bool settings) {
    std::string out;
    for (const char* group : groupsOf(command, settings ? 1 : 0)) {
        out += std::string(".SS ") + roffEscaped(group) + "\n";
        for (const OptionSpec& s : OptionTable()) {
            if (!takesCommand(s, command) || s.setting != settings || std::string(group) != s.group) continue;
            out += ".TP\n";
            std::string names;
            auto bold = [](const char* n) { return "\\fB" + roffEscaped(n) + "\\fR"; };
            if (s.alias) names += bold(s.alias) + ", ";
            names += bold(s.name);
            if (s.negation) names += ", " + bold(s.negation);
            if (s.kind != OptionKind::Flag) names += " \\fI" + roffEscaped(s.valueName) + "\\fR";
            out += names + "\n" + roffEscaped(fullHelp(s)) + "\n";
        }
    }
    return out;
}

}  // namespace korvel
