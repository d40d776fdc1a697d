#include "output/dxf_blocks.h"

#include <cmath>
#include <set>

#include "output/dxf_symbols.h"

namespace korvel {

namespace {

// A dimension stays a DIMENSION when it has a line to measure; a degenerate one is written
// as its line and text.
bool dimensionable(const TDataSunpou& d) {
    if (!DxfCoordinatesUsable(d.line)) return false;
    return std::hypot(d.line.end.x - d.line.start.x, d.line.end.y - d.line.start.y) > 1e-9;
}

void planSymbols(const Drawing& drawing, DxfBlockPlan& plan, std::set<std::string>& taken) {
    if (drawing.header.Version < 300) return;
    bool seen[64] = {};
    for (const RecordSet* set : {&drawing.top, &drawing.members}) {
        for (const TDataTen& p : set->points) {
            const int32_t code = static_cast<int32_t>(p.code);
            if (p.penStyle == 100 && code >= -32 && code < 32) seen[code + 32] = true;
        }
    }
    for (int i = 0; i < 64; ++i) {
        if (!seen[i] || SpecialPointSymbol(i - 32).empty()) continue;
        const std::string name = "JW_POINT_" + std::to_string(i - 32);
        plan.names.symbols[i] = name;
        plan.symbolCodes.push_back(i - 32);
        taken.insert(name);
    }
}

void planDimensions(const Drawing& drawing, DxfBlockPlan& plan) {
    const RecordSet* sets[2] = {&drawing.top, &drawing.members};
    for (int s = 0; s < 2; ++s) {
        auto& names = plan.names.dimensions[s];
        names.assign(sets[s]->dimensions.size(), std::string());
        for (uint32_t i = 0; i < sets[s]->dimensions.size(); ++i) {
            if (!dimensionable(sets[s]->dimensions[i])) continue;
            plan.dimensions.emplace_back(s, i);
            names[i] = "*D" + std::to_string(plan.dimensions.size());
        }
    }
}

void planDefinitions(const Drawing& drawing, const DxfStrings& strings, DxfBlockPlan& plan,
                     std::set<std::string>& taken) {
    const auto& defs = drawing.top.definitions;
    plan.names.definitions.assign(defs.size(), std::string());
    for (uint32_t d = 0; d < defs.size(); ++d) {
        size_t first = 0, count = 0;
        if (!drawing.blockMembers(d, first, count)) continue;
        std::string name = strings.name(defs[d].name);
        if (name.empty()) name = "JW_BLOCK_" + std::to_string(d + 1);
        // Jw_cad lets two blocks share a name; a DXF does not.
        const std::string base = name;
        for (int n = 2; taken.count(name); ++n) name = base + "~" + std::to_string(n);
        taken.insert(name);
        plan.names.definitions[d] = name;
    }
}

// Tarjan's strongly connected components, without recursion: a member insert whose block is
// in the same component as the block it belongs to would make that block contain itself.
void planCycles(const Drawing& drawing, DxfBlockPlan& plan) {
    const size_t n = drawing.top.definitions.size();
    plan.names.cyclicMembers.assign(drawing.members.inserts.size(), false);
    struct Edge {
        uint32_t to;
        uint32_t insert;
    };
    std::vector<std::vector<Edge>> edges(n);
    for (uint32_t d = 0; d < n; ++d) {
        size_t first = 0, count = 0;
        if (!drawing.blockMembers(d, first, count)) continue;
        for (size_t i = first; i < first + count; ++i) {
            const RecordRef& ref = drawing.members.sequence[i];
            if (ref.cls != RecordClass::Block || ref.index >= drawing.members.inserts.size()) continue;
            const uint32_t to = drawing.members.inserts[ref.index].blockNumber;
            if (to < n) edges[d].push_back({to, ref.index});
        }
    }
    std::vector<int> index(n, -1), low(n, 0), component(n, -1);
    std::vector<bool> onStack(n, false);
    std::vector<uint32_t> stack;
    int counter = 0, components = 0;
    struct Frame {
        uint32_t node;
        size_t next;
    };
    for (uint32_t root = 0; root < n; ++root) {
        if (index[root] >= 0) continue;
        std::vector<Frame> frames{{root, 0}};
        index[root] = low[root] = counter++;
        stack.push_back(root);
        onStack[root] = true;
        while (!frames.empty()) {
            Frame& f = frames.back();
            if (f.next < edges[f.node].size()) {
                const uint32_t to = edges[f.node][f.next++].to;
                if (index[to] < 0) {
                    index[to] = low[to] = counter++;
                    stack.push_back(to);
                    onStack[to] = true;
                    frames.push_back({to, 0});
                } else if (onStack[to]) {
                    low[f.node] = std::min(low[f.node], index[to]);
                }
                continue;
            }
            const uint32_t node = f.node;
            frames.pop_back();
            if (!frames.empty()) low[frames.back().node] = std::min(low[frames.back().node], low[node]);
            if (low[node] == index[node]) {
                uint32_t v;
                do {
                    v = stack.back();
                    stack.pop_back();
                    onStack[v] = false;
                    component[v] = components;
                } while (v != node);
                ++components;
            }
        }
    }
    for (uint32_t d = 0; d < n; ++d) {
        for (const Edge& e : edges[d]) {
            if (component[e.to] == component[d]) plan.names.cyclicMembers[e.insert] = true;
        }
    }
}

}  // namespace

DxfBlockPlan PlanDxfBlocks(const Drawing& drawing, const DxfStrings& strings) {
    DxfBlockPlan plan;
    std::set<std::string> taken;
    planSymbols(drawing, plan, taken);
    planDimensions(drawing, plan);
    planDefinitions(drawing, strings, plan, taken);
    planCycles(drawing, plan);
    return plan;
}

}  // namespace korvel
