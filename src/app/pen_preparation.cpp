// Pen choice for renders and exports.
#include "app/pen_preparation.h"

namespace korvel {

namespace {

const char* const kPenKey = "Software\\Jw_cad\\jw_win\\Pen";

// Window: the flag chooses between the own pens and Jw_cad's.
PenSource effectiveSource(PenSource source, const AppSettings& settings) {
    if (source != PenSource::Window) return source;
    return settings.penColorFlag ? PenSource::Own : PenSource::Window;
}

void layOwnPens(const AppSettings& settings, DrawingHeader& table) { RestoreOwnPens(settings, table); }

void importOver(const RegistrySource& registry, DrawingHeader& table, std::vector<std::string>* problems) {
    JwCadTextOptions text;  // start-up took the text options; only the table matters here
    const JwCadImportResult r = ImportJwCadSettings(registry, table, text);
    if (!r.ok && problems) problems->push_back(r.error + "; drawing with the pens read so far");
}

}  // namespace

const char* PenSourceName(PenSource source) {
    switch (source) {
        case PenSource::Window: return "window";
        case PenSource::Own: return "own";
        case PenSource::JwCad: return "jwcad";
        case PenSource::Drawing: return "drawing";
    }
    return "window";
}

PenTable ResolvePens(PenSource source, const AppSettings& settings, const RegistrySource& registry,
                     const DrawingHeader& drawing, std::vector<std::string>* problems) {
    // A scratch header of pen fields only: the import writes into header form, and copying the
    // drawing's whole header (layer names and all) for every render would be waste.
    DrawingHeader table;
    PutPenTable(PenTableOf(drawing), table);
    switch (effectiveSource(source, settings)) {
        case PenSource::Drawing:
            break;
        case PenSource::Own:
            layOwnPens(settings, table);
            break;
        case PenSource::JwCad:
            importOver(registry, table, problems);
            if (!registry.keyExists(kPenKey) && problems)
                problems->push_back("Jw_cad's settings were not found; drawing with the drawing's pens");
            break;
        case PenSource::Window:
            // Jw_cad's pens where its settings have them, the own pens (built in unless the
            // settings file says otherwise) where they do not.
            layOwnPens(settings, table);
            importOver(registry, table, problems);
            break;
    }
    return PenTableOf(table);
}

std::string DescribePens(PenSource source, const AppSettings& settings, const RegistrySource& registry) {
    const bool jwcad = registry.keyExists(kPenKey);
    switch (effectiveSource(source, settings)) {
        case PenSource::Drawing: return "the drawing's own pens";
        case PenSource::Own:
            return source == PenSource::Window ? "Korvel's own pens (PenColor/PenColorFlag is on)" : "Korvel's own pens";
        case PenSource::JwCad: return jwcad ? "Jw_cad's pens" : "the drawing's own pens (Jw_cad's settings absent)";
        case PenSource::Window: return jwcad ? "Jw_cad's pens" : "Korvel's own pens (Jw_cad's settings absent)";
    }
    return {};
}

}  // namespace korvel
