// Pen choice around renders and exports.
#include "app/pen_preparation.h"

namespace korvel {

JwCadImportResult PrepareRepaintPens(const AppSettings& settings, const RegistrySource& registry,
                                     DrawingHeader& penTable, JwCadTextOptions& text) {
    if (settings.penColorFlag) {
        RestoreOwnPens(settings, penTable);
        JwCadImportResult own;
        own.found = true;
        return own;
    }
    return ImportJwCadSettings(registry, penTable, text);
}

void FinishRepaintPens(const AppSettings& settings, DrawingHeader& penTable) {
    RestoreOwnPens(settings, penTable);
}

bool ParsePenSource(const std::string& text, PenSource& source) {
    if (text == "window") source = PenSource::Window;
    else if (text == "own") source = PenSource::Own;
    else if (text == "jwcad") source = PenSource::JwCad;
    else if (text == "drawing") source = PenSource::Drawing;
    else return false;
    return true;
}

const char* PenSourceName(PenSource source) {
    switch (source) {
        case PenSource::Window: return "window";
        case PenSource::Own: return "own";
        case PenSource::JwCad: return "jwcad";
        case PenSource::Drawing: return "drawing";
    }
    return "window";
}

std::vector<std::string> ApplyPenSource(PenSource source, const AppSettings& settings,
                                        const RegistrySource& registry, DrawingHeader& penTable) {
    std::vector<std::string> messages;
    JwCadTextOptions text;  // the start-up import already set the text options
    switch (source) {
        case PenSource::Drawing:
            break;
        case PenSource::Own:
            RestoreOwnPens(settings, penTable);
            break;
        case PenSource::JwCad: {
            JwCadImportResult r = ImportJwCadSettings(registry, penTable, text);
            if (!r.ok) messages.push_back(r.error + "; drawing with the pens read so far");
            else if (!r.found && !registry.keyExists("Software\\Jw_cad\\jw_win\\Pen"))
                messages.push_back("Jw_cad's settings were not found; drawing with the drawing's pens");
            break;
        }
        case PenSource::Window: {
            JwCadImportResult r = PrepareRepaintPens(settings, registry, penTable, text);
            if (!r.ok) messages.push_back(r.error + "; drawing with the pens read so far");
            FinishRepaintPens(settings, penTable);
            break;
        }
    }
    return messages;
}

}  // namespace korvel
