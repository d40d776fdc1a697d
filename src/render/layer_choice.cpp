// Layer choices over the drawing's own states, and the layer list of the command line.
#include "render/layer_choice.h"

#include <vector>

namespace korvel {

namespace {

bool inGrid(int g, int l) { return g >= 0 && g < kLayerGroups && l >= 0 && l < kLayers; }
int cellOf(int g, int l) { return g * kLayers + l; }

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// A hexadecimal digit, or * for all sixteen (-1).
bool parseIndex(const std::string& text, int& index) {
    if (text == "*") {
        index = -1;
        return true;
    }
    if (text.size() != 1) return false;
    const char c = text[0];
    if (c >= '0' && c <= '9') index = c - '0';
    else if (c >= 'A' && c <= 'F') index = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') index = c - 'a' + 10;
    else return false;
    return true;
}

struct SpecItem {
    LayerShow show = LayerShow::Shown;
    int group = -1;  // -1: every group
    int layer = -1;  // -1: every layer
};

bool parseItem(const std::string& raw, SpecItem& item, std::string& error) {
    std::string text = trimmed(raw);
    const std::string quoted = "'" + text + "'";
    if (text.empty()) {
        error = "an empty item (two commas, or a comma at an end)";
        return false;
    }
    if (text[0] == '^' || text[0] == '~') {
        item.show = text[0] == '^' ? LayerShow::Hidden : LayerShow::Greyed;
        text = trimmed(text.substr(1));
    }
    const size_t dash = text.find('-');
    const std::string groupText = trimmed(text.substr(0, dash));
    const std::string layerText = dash == std::string::npos ? "*" : trimmed(text.substr(dash + 1));
    if (!parseIndex(groupText, item.group)) {
        error = quoted + ": '" + groupText + "' is not a layer group (0-F or *)";
        return false;
    }
    if (!parseIndex(layerText, item.layer)) {
        error = quoted + ": '" + layerText + "' is not a layer (0-F or *)";
        return false;
    }
    return true;
}

}  // namespace

const char* const kLayerSpecHelp =
    "Layers to show, hide or grey over the drawing's own states, item by item from the left: G-L is "
    "layer L of group G, G or G-* the whole group, *-L layer L of every group (G and L are 0-F or *); "
    "^ before an item hides it, ~ greys it. E.g. '0-*,1-3,^F-*', or '^*,2' for group 2 alone.";

LayerShow DrawingLayerShow(const Drawing& drawing, int g, int l) {
    if (!inGrid(g, l)) return drawing.AllLayers ? LayerShow::Shown : LayerShow::Hidden;
    const auto group = static_cast<uint16_t>(g), layer = static_cast<uint16_t>(l);
    if (!drawing.AllLayers && !drawing.layerVisible(group, layer)) return LayerShow::Hidden;
    return drawing.layerGreyed(group, layer) ? LayerShow::Greyed : LayerShow::Shown;
}

LayerChoice LayerChoice::Of(const Drawing& drawing) {
    LayerChoice c;
    for (int g = 0; g < kLayerGroups; ++g)
        for (int l = 0; l < kLayers; ++l) c.set(g, l, DrawingLayerShow(drawing, g, l));
    return c;
}

void LayerChoice::set(int g, int l, LayerShow show) {
    if (inGrid(g, l)) cells_[cellOf(g, l)] = static_cast<uint8_t>(show);
}

void LayerChoice::setGroup(int g, LayerShow show) {
    for (int l = 0; l < kLayers; ++l) set(g, l, show);
}

void LayerChoice::clear(int g, int l) {
    if (inGrid(g, l)) cells_[cellOf(g, l)] = kUnset;
}

std::optional<LayerShow> LayerChoice::chosen(int g, int l) const {
    if (!inGrid(g, l) || cells_[cellOf(g, l)] == kUnset) return std::nullopt;
    return static_cast<LayerShow>(cells_[cellOf(g, l)]);
}

LayerShow LayerChoice::showOf(const Drawing& drawing, int g, int l) const {
    const std::optional<LayerShow> c = chosen(g, l);
    return c ? *c : DrawingLayerShow(drawing, g, l);
}

bool LayerChoice::empty() const {
    for (uint8_t c : cells_)
        if (c != kUnset) return false;
    return true;
}

bool LayerChoice::changesVisibility(const Drawing& drawing) const {
    for (int g = 0; g < kLayerGroups; ++g) {
        for (int l = 0; l < kLayers; ++l) {
            const std::optional<LayerShow> c = chosen(g, l);
            if (!c) continue;
            const bool own = DrawingLayerShow(drawing, g, l) != LayerShow::Hidden;
            if ((*c != LayerShow::Hidden) != own) return true;
        }
    }
    return false;
}

std::array<bool, LayerChoice::kCells> LayerChoice::shownMask(const Drawing& drawing) const {
    std::array<bool, kCells> mask{};
    for (int g = 0; g < kLayerGroups; ++g)
        for (int l = 0; l < kLayers; ++l) mask[cellOf(g, l)] = showOf(drawing, g, l) != LayerShow::Hidden;
    return mask;
}

std::array<uint32_t, LayerChoice::kCells> CountRecordsByLayer(const Drawing& drawing, uint32_t& outside) {
    std::array<uint32_t, LayerChoice::kCells> counts{};
    outside = 0;
    const RecordSet& s = drawing.top;
    auto count = [&](const TJwData& r) {
        if (inGrid(r.layerGroup, r.layer)) ++counts[cellOf(r.layerGroup, r.layer)];
        else ++outside;
    };
    for (const auto& r : s.lines) count(r);
    for (const auto& r : s.circles) count(r);
    for (const auto& r : s.points) count(r);
    for (const auto& r : s.texts) count(r);
    for (const auto& r : s.dimensions) count(r);
    for (const auto& r : s.solids) count(r);
    for (const auto& r : s.inserts) count(r);
    return counts;
}

size_t CountShownRecords(const Drawing& drawing, const LayerChoice& choice) {
    uint32_t outside = 0;
    const auto counts = CountRecordsByLayer(drawing, outside);
    const auto shown = choice.shownMask(drawing);
    size_t n = drawing.AllLayers ? outside : 0;
    for (size_t i = 0; i < counts.size(); ++i)
        if (shown[i]) n += counts[i];
    return n;
}

bool ApplyLayerSpec(const std::string& list, LayerChoice& choice, std::string& error) {
    std::vector<SpecItem> items;
    size_t from = 0;
    for (;;) {
        const size_t comma = list.find(',', from);
        SpecItem item;
        if (!parseItem(list.substr(from, comma == std::string::npos ? std::string::npos : comma - from), item, error))
            return false;
        items.push_back(item);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    for (const SpecItem& item : items) {
        for (int g = 0; g < kLayerGroups; ++g) {
            if (item.group >= 0 && item.group != g) continue;
            for (int l = 0; l < kLayers; ++l)
                if (item.layer < 0 || item.layer == l) choice.set(g, l, item.show);
        }
    }
    return true;
}

}  // namespace korvel
