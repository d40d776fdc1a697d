// Which layers a render shows, greys or hides when the caller chooses for itself (the window's
// layer panel, `korvel convert --layers`), laid over the drawing's own states without changing
// the drawing.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "drawing/drawing.h"

namespace korvel {

// What a layer looks like in a picture: not drawn, drawn in the greyed colour, drawn as it is.
enum class LayerShow : uint8_t { Hidden = 0, Greyed = 1, Shown = 2 };

// How (layer group, layer) draws by the drawing's own states: hidden when either state is 0
// (unless the data draws every layer), greyed when either is 1. A pair outside the 16 x 16 grid
// is hidden unless every layer is drawn.
LayerShow DrawingLayerShow(const Drawing& drawing, int layerGroup, int layer);

// One choice per (layer group, layer); a pair without one draws by the drawing's own states.
class LayerChoice {
public:
    static constexpr int kCells = kLayerGroups * kLayers;

    // Every pair chosen as the drawing has it now: the starting point of the layer panel.
    static LayerChoice Of(const Drawing& drawing);

    void set(int layerGroup, int layer, LayerShow show);
    void setGroup(int layerGroup, LayerShow show);
    void clear(int layerGroup, int layer);
    std::optional<LayerShow> chosen(int layerGroup, int layer) const;
    // The choice, or the drawing's own state where there is none.
    LayerShow showOf(const Drawing& drawing, int layerGroup, int layer) const;
    bool empty() const;
    // True when some pair the drawing shows is hidden, or the other way round: the picture then
    // covers other records, and its frame has to be measured again.
    bool changesVisibility(const Drawing& drawing) const;
    // The pairs that draw, for measuring: 256 flags, group-major.
    std::array<bool, kCells> shownMask(const Drawing& drawing) const;

    bool operator==(const LayerChoice& other) const { return cells_ == other.cells_; }
    bool operator!=(const LayerChoice& other) const { return !(*this == other); }

private:
    static constexpr uint8_t kUnset = 0xFF;
    std::array<uint8_t, kCells> cells_ = filled();
    static std::array<uint8_t, kCells> filled() {
        std::array<uint8_t, kCells> a{};
        a.fill(kUnset);
        return a;
    }
};

// Top-level records per (layer group, layer), group-major; block definitions are not counted
// (an insert counts where it lies). Records outside the grid are counted in `outside`.
std::array<uint32_t, LayerChoice::kCells> CountRecordsByLayer(const Drawing& drawing, uint32_t& outside);

// Top-level records the choice lets draw (inside the grid, and outside it where every layer is
// drawn).
size_t CountShownRecords(const Drawing& drawing, const LayerChoice& choice);

// Applies a layer list such as "0-*,1-3,^F-*" to `choice`, item by item from the left:
//   G-L   shows layer L of group G;   G or G-*   every layer of group G;   *-L   layer L of every group
//   ^item hides it,   ~item greys it (drawn, in the greyed colour)
// G and L are hexadecimal digits 0-F (either case) or *. Blanks around items are ignored.
// False, with `error` saying which item and why, on anything else; `choice` is then unchanged.
bool ApplyLayerSpec(const std::string& list, LayerChoice& choice, std::string& error);

// What --layers takes, for the help of the commands that take it.
extern const char* const kLayerSpecHelp;

}  // namespace korvel
