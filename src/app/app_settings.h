// The program's own persistent options (Korvel.INI): output size and encoders, drawing switches,
// solid hatching, the own pens, text export and the dialogs' folder. Read once at start and
// written once at close; in between the values live here and in the drawing's pen table.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drawing/drawing_header.h"
#include "render/render_options.h"

namespace korvel {

// Section "Graphic", less "SolidFlag".
struct GraphicOptions {
    int jpegValue = 75;           // "JpegValue"
    bool jpegProgressive = false;  // "JpegPrgrs"
    int pngCompression = -1;      // "PNGComp": 0, -1, 1 or 9
    bool pngInterlaced = false;   // "PNGInlc"
    bool pngTransparent = false;  // "PNGTrans"
    bool gifLzw = true;           // "GIFComp": true LZW, false RLE
    int gifDither = 0;            // "GIFDith"
    int gifSubColor = 8;          // "GIFSubColor"
    bool gifTransparent = false;  // "GIFTrans"
    bool bwPlot = false;          // "BwPlotFlg"
    bool bw2Grey = true;          // "Bw2GFlg": true two colours, false grey
    bool picturesHidden = false;  // "GrpFlg"
    bool builtInDecodersOnly = false;  // "SPIFlg"
    bool thinLines = false;       // "SenFlg"
    bool auxLineHidden = false;   // "AuxLineFlg"
    bool realScale = false;       // "RealScaleFlg"
};

// The program's own pens, as opposed to those the Jw_cad settings import puts in the pen table:
// colours 0..9 (0 the background) and widths 1..9 (index 0 unused).
struct OwnPenSet {
    std::array<uint32_t, kPenColors> color{};
    std::array<uint32_t, kPenColors> width{};
    bool operator==(const OwnPenSet& o) const { return color == o.color && width == o.width; }
};

struct AppSettings {
    GraphicOptions graphic;
    int solidFlag = 0;  // "SolidFlag": the drawing order, kept in the header's DisplayOption[2]

    // Section "Form".
    int outputSizeChoice = 1;   // "outWsizeF", 0..6
    int outputWidth = 720;      // "outWsize"
    bool clipboardWatching = false;  // "CBmonitorFlg"

    // Section "JwwSStyle".
    bool hatchByLineColor = false;    // "LSolidStyleFlg"
    bool hatchByColorFamily = false;  // "CSolidStyleFlg"
    bool hatchOn = false;             // "JSolidStyleFlg"
    std::array<uint8_t, 10> lineColorHatch{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};  // " LSolidStyle0..9"
    std::array<uint8_t, 9> colorFamilyHatch{1, 1, 1, 1, 1, 1, 1, 1, 1};    // " CSolidStyle0..8"
    // Chosen in the options dialog for this run only; never stored.
    BrushStyle solidBrushStyle = BrushStyle::Solid;

    // Section "PenColor" and the " KVLSenWidth" keys: the own pens.
    bool penColorFlag = false;  // "PenColorFlag": draw with the own pens instead of Jw_cad's
    OwnPenSet ownPens;

    // Section "TextClip".
    int textShiftY = 1;        // "ShiftY", millimetres
    int textDelimiter = 0;     // "Delimit": 0 tab, 1 space, 2 comma, 3 semicolon
    bool textToClipboard = true;  // "DataOutFlag"
    std::string textEncoding = "utf-8";  // "Encoding": what `korvel text` writes, utf-8 or cp932

    std::string folderName;    // "Folder"/"name", with a trailing slash
};

// The pens used when Jw_cad's settings are absent.
OwnPenSet BuiltInPens();
void SetBuiltInPens(DrawingHeader& penTable);

// Copies the pen table's ten colours and nine widths into the own pens, and back.
void SaveOwnPens(AppSettings& settings, const DrawingHeader& penTable);
void RestoreOwnPens(const AppSettings& settings, DrawingHeader& penTable);

// Every stored key in file order. Visitors see each value by reference; the pen keys are the pen
// table's fields, as the file reads into and writes from the table.
class SettingsVisitor {
public:
    virtual ~SettingsVisitor() = default;
    virtual void integer(const char* section, const std::string& key, int& value) = 0;
    virtual void boolean(const char* section, const std::string& key, bool& value) = 0;
    // Stored as integers, kept as their low byte.
    virtual void byte(const char* section, const std::string& key, uint8_t& value) = 0;
    // Pen colours and widths: integers kept as 32-bit patterns.
    virtual void pen(const char* section, const std::string& key, uint32_t& value) = 0;
    virtual void text(const char* section, const std::string& key, std::string& value) = 0;
};
void VisitSettings(AppSettings& settings, DrawingHeader& penTable, SettingsVisitor& visitor);

// What became of reading the settings file; it decides whether the file may be written at close.
struct SettingsLoadReport {
    std::string path;
    bool attempted = false;  // false: start-up never got to read the file
    bool fileExisted = false;
    bool complete = false;   // every key could be read from the file (or there was no file)
    std::string problem;     // why not, naming the file
};

// Reads every key in file order into `settings`, the pen keys into `penTable` with the table's
// current values as defaults, then saves the own pens. `defaultFolder` is "Folder"/"name"'s
// default. Missing keys and values that do not convert take their defaults.
SettingsLoadReport LoadSettings(const std::string& path, AppSettings& settings, DrawingHeader& penTable,
                                const std::string& defaultFolder);

// Takes the values that `values` holds (section and key as in the file) and leaves the others as
// they are; pen keys go into the pen table and from there into the own pens. Used for the
// command line's overrides, which are written as the file would hold them.
class IniFile;
void ApplySettingsValues(const IniFile& values, AppSettings& settings, DrawingHeader& penTable);

struct SettingsSaveResult {
    bool written = false;
    std::string error;
};

// Restores the own pens into `penTable`, then writes every key in file order (or those `only`
// accepts), keeping whatever else the file holds. A file that exists but was not read completely
// at start is never overwritten: that would replace the user's values with defaults.
using SettingsKeyFilter = std::function<bool(const char* section, const std::string& key)>;
SettingsSaveResult SaveSettings(const std::string& path, AppSettings& settings, DrawingHeader& penTable,
                                const SettingsLoadReport& load, const SettingsKeyFilter& only = nullptr);

// The settings file: $XDG_CONFIG_HOME/korvel/Korvel.INI, by default ~/.config/korvel/Korvel.INI.
std::string DefaultSettingsPath();
// The folder the file dialogs start in when the settings name none: the home folder.
std::string DefaultFolderName();

// Jw_cad's own text options, which the import reads outside the pen table.
struct JwCadTextOptions {
    int drawOutLine = 0;          // "DrawOutLine"
    int lastDraw = 0;             // "LastDraw"
    double outLineExpansion = 0.0;  // "OutLineExpansion", millimetres
};

// What the renderer reads from the settings. The draw order stays with the drawing's header
// (RenderOptions::drawOrder = -1); SeedDrawingHeader puts "SolidFlag" there before a load.
RenderOptions MakeRenderOptions(const AppSettings& settings, const JwCadTextOptions& jwcad);
void SeedDrawingHeader(const AppSettings& settings, DrawingHeader& header);

}  // namespace korvel
