// Drawings hold few colours over large plain areas, so every pass skips runs of one colour.
#include "output/palette_builder.h"

#include <algorithm>
#include <array>
#include <memory>
#include <unordered_map>

namespace korvel {

namespace {

// Calls fn(color, runLength) for each run of equal pixels along the rows.
template <typename Fn>
void forEachRun(const ImageView& image, Fn fn) {
    for (int y = 0; y < image.height; ++y) {
        int x = 0;
        while (x < image.width) {
            const uint32_t c = image.colorAt(x, y);
            int end = x + 1;
            while (end < image.width && image.colorAt(end, y) == c) ++end;
            fn(c, static_cast<uint64_t>(end - x));
            x = end;
        }
    }
}

// --- octree ---

struct OctreeNode {
    uint64_t pixels = 0;
    uint64_t red = 0, green = 0, blue = 0;
    std::array<std::unique_ptr<OctreeNode>, 8> children;
    bool leaf = false;
};

constexpr int kOctreeDepth = 8;
// Leaves allowed while colours are added; a deeper level is folded away when there are more.
constexpr size_t kOctreeBuildBudget = 4096;

int childIndex(uint32_t c, int level) {
    const int shift = 7 - level;
    return (((RedOf(c) >> shift) & 1) << 2) | (((GreenOf(c) >> shift) & 1) << 1) |
           ((BlueOf(c) >> shift) & 1);
}

// Nodes below `depthLimit_` do not exist: when a level is folded away, colours added later stop
// at the level above. `reducible_[L]` lists the inner nodes of level L, only for L < depthLimit_.
class Octree {
public:
    void add(uint32_t c, uint64_t count) {
        OctreeNode* node = &root_;
        for (int level = 0; !node->leaf && level < depthLimit_; ++level) {
            auto& child = node->children[childIndex(c, level)];
            if (!child) {
                child = std::make_unique<OctreeNode>();
                if (level + 1 == depthLimit_) {
                    child->leaf = true;
                    ++leaves_;
                } else {
                    reducible_[level + 1].push_back(child.get());
                }
            }
            node = child.get();
        }
        node->pixels += count;
        node->red += RedOf(c) * count;
        node->green += GreenOf(c) * count;
        node->blue += BlueOf(c) * count;
        while (leaves_ > kOctreeBuildBudget && depthLimit_ > 1) foldDeepestLevel();
    }

    // Merges nodes of the deepest level, least used first, until `maxColors` leaves remain.
    void reduceTo(size_t maxColors) {
        while (leaves_ > maxColors && depthLimit_ > 1) {
            auto& nodes = reducible_[depthLimit_ - 1];
            for (OctreeNode* n : nodes) sumChildren(n);
            std::stable_sort(nodes.begin(), nodes.end(), [](const OctreeNode* a, const OctreeNode* b) {
                return a->pixels < b->pixels;
            });
            for (OctreeNode* n : nodes) {
                if (leaves_ <= maxColors) return;
                merge(n);
            }
            nodes.clear();
            --depthLimit_;
        }
        if (leaves_ > maxColors) {
            sumChildren(&root_);
            merge(&root_);
        }
    }

    std::vector<uint32_t> palette() const {
        std::vector<uint32_t> out;
        collect(root_, out);
        return out;
    }

private:
    // Inner nodes of the level just above the leaves: their children are all leaves.
    static void sumChildren(OctreeNode* n) {
        if (n->leaf) return;
        uint64_t p = 0, r = 0, g = 0, b = 0;
        for (auto& c : n->children) {
            if (!c) continue;
            sumChildren(c.get());
            p += c->pixels, r += c->red, g += c->green, b += c->blue;
        }
        n->pixels = p, n->red = r, n->green = g, n->blue = b;
    }

    void merge(OctreeNode* n) {
        if (n->leaf) return;
        size_t removed = 0;
        for (auto& c : n->children)
            if (c) ++removed, c.reset();
        n->leaf = true;
        leaves_ = leaves_ - removed + 1;
    }

    void foldDeepestLevel() {
        auto& nodes = reducible_[depthLimit_ - 1];
        for (OctreeNode* n : nodes) {
            sumChildren(n);
            merge(n);
        }
        nodes.clear();
        --depthLimit_;
    }

    static void collect(const OctreeNode& n, std::vector<uint32_t>& out) {
        if (n.leaf) {
            if (n.pixels)
                out.push_back(MakeColor(static_cast<int>(n.red / n.pixels),
                                        static_cast<int>(n.green / n.pixels),
                                        static_cast<int>(n.blue / n.pixels)));
            return;
        }
        for (auto& c : n.children)
            if (c) collect(*c, out);
    }

    OctreeNode root_;
    size_t leaves_ = 0;
    int depthLimit_ = kOctreeDepth;
    std::array<std::vector<OctreeNode*>, kOctreeDepth> reducible_;
};

// --- median cut ---

constexpr int kBits = 5;
constexpr int kSide = 1 << kBits;

int histIndex(int r, int g, int b) { return (r << (2 * kBits)) | (g << kBits) | b; }

struct Box {
    int lo[3] = {0, 0, 0};
    int hi[3] = {kSide - 1, kSide - 1, kSide - 1};
    uint64_t pixels = 0;
};

class MedianCut {
public:
    explicit MedianCut(const ImageView& image) : hist_(kSide * kSide * kSide, 0) {
        forEachRun(image, [this](uint32_t c, uint64_t n) {
            hist_[histIndex(RedOf(c) >> 3, GreenOf(c) >> 3, BlueOf(c) >> 3)] += n;
            const int i = histIndex(RedOf(c) >> 3, GreenOf(c) >> 3, BlueOf(c) >> 3);
            sums_[i][0] += RedOf(c) * n;
            sums_[i][1] += GreenOf(c) * n;
            sums_[i][2] += BlueOf(c) * n;
        });
    }

    std::vector<uint32_t> palette(size_t maxColors) {
        std::vector<Box> boxes(1);
        shrink(boxes[0]);
        while (boxes.size() < maxColors) {
            int best = -1;
            for (size_t i = 0; i < boxes.size(); ++i) {
                if (!splittable(boxes[i])) continue;
                if (best < 0 || boxes[i].pixels > boxes[best].pixels) best = static_cast<int>(i);
            }
            if (best < 0) break;
            Box other;
            split(boxes[best], other);
            boxes.push_back(other);
        }
        std::vector<uint32_t> out;
        for (const Box& b : boxes)
            if (b.pixels) out.push_back(average(b));
        return out;
    }

private:
    template <typename Fn>
    void forEachCell(const Box& b, Fn fn) const {
        for (int r = b.lo[0]; r <= b.hi[0]; ++r)
            for (int g = b.lo[1]; g <= b.hi[1]; ++g)
                for (int bl = b.lo[2]; bl <= b.hi[2]; ++bl) {
                    const int i = histIndex(r, g, bl);
                    if (hist_[i]) fn(r, g, bl, i);
                }
    }

    // Tightens the box around its used cells and counts its pixels.
    void shrink(Box& b) const {
        int lo[3] = {kSide, kSide, kSide}, hi[3] = {-1, -1, -1};
        uint64_t pixels = 0;
        forEachCell(b, [&](int r, int g, int bl, int i) {
            const int v[3] = {r, g, bl};
            for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
            pixels += hist_[i];
        });
        b.pixels = pixels;
        if (!pixels) return;
        for (int k = 0; k < 3; ++k) b.lo[k] = lo[k], b.hi[k] = hi[k];
    }

    static bool splittable(const Box& b) {
        return b.hi[0] > b.lo[0] || b.hi[1] > b.lo[1] || b.hi[2] > b.lo[2];
    }

    void split(Box& b, Box& other) const {
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (b.hi[k] - b.lo[k] > b.hi[axis] - b.lo[axis]) axis = k;
        std::vector<uint64_t> along(kSide, 0);
        forEachCell(b, [&](int r, int g, int bl, int i) {
            const int v[3] = {r, g, bl};
            along[v[axis]] += hist_[i];
        });
        uint64_t running = 0;
        int cut = b.lo[axis];
        for (int v = b.lo[axis]; v < b.hi[axis]; ++v) {
            running += along[v];
            cut = v;
            if (running * 2 >= b.pixels) break;
        }
        other = b;
        b.hi[axis] = cut;
        other.lo[axis] = cut + 1;
        shrink(b);
        shrink(other);
    }

    uint32_t average(const Box& b) const {
        uint64_t r = 0, g = 0, bl = 0;
        forEachCell(b, [&](int, int, int, int i) {
            r += sums_[i][0], g += sums_[i][1], bl += sums_[i][2];
        });
        return MakeColor(static_cast<int>(r / b.pixels), static_cast<int>(g / b.pixels),
                         static_cast<int>(bl / b.pixels));
    }

    std::vector<uint64_t> hist_;
    std::vector<std::array<uint64_t, 3>> sums_ =
        std::vector<std::array<uint64_t, 3>>(kSide * kSide * kSide, {0, 0, 0});
};

}  // namespace

std::vector<uint32_t> ExactPalette(const ImageView& image, size_t limit) {
    std::vector<uint32_t> colors;
    std::unordered_map<uint32_t, bool> seen;
    uint32_t last = 0xFFFFFFFF;
    bool overflow = false;
    forEachRun(image, [&](uint32_t c, uint64_t) {
        if (overflow || c == last) return;
        last = c;
        if (seen.emplace(c, true).second) {
            colors.push_back(c);
            if (colors.size() > limit) overflow = true;
        }
    });
    if (overflow) colors.clear();
    return colors;
}

std::vector<uint32_t> OctreePalette(const ImageView& image, size_t maxColors) {
    Octree tree;
    forEachRun(image, [&tree](uint32_t c, uint64_t n) { tree.add(c, n); });
    tree.reduceTo(std::max<size_t>(maxColors, 1));
    return tree.palette();
}

std::vector<uint32_t> MedianCutPalette(const ImageView& image, size_t maxColors) {
    MedianCut cut(image);
    return cut.palette(std::max<size_t>(maxColors, 1));
}

uint32_t DominantColor(const ImageView& image) {
    auto cellOf = [](uint32_t c) { return histIndex(RedOf(c) >> 3, GreenOf(c) >> 3, BlueOf(c) >> 3); };
    auto lowBitsOf = [](uint32_t c) {
        return ((RedOf(c) & 7) << 6) | ((GreenOf(c) & 7) << 3) | (BlueOf(c) & 7);
    };
    std::vector<uint64_t> cells(kSide * kSide * kSide, 0);
    forEachRun(image, [&](uint32_t c, uint64_t n) { cells[cellOf(c)] += n; });
    const int cell = static_cast<int>(std::max_element(cells.begin(), cells.end()) - cells.begin());
    std::array<uint64_t, 512> within{};
    forEachRun(image, [&](uint32_t c, uint64_t n) {
        if (cellOf(c) == cell) within[lowBitsOf(c)] += n;
    });
    const int low = static_cast<int>(std::max_element(within.begin(), within.end()) - within.begin());
    const int r = (cell >> (2 * kBits)) << 3 | low >> 6;
    const int g = ((cell >> kBits) & (kSide - 1)) << 3 | ((low >> 3) & 7);
    const int b = (cell & (kSide - 1)) << 3 | (low & 7);
    return MakeColor(r, g, b);
}

void PinColor(std::vector<uint32_t>& palette, uint32_t color) {
    if (palette.empty() || std::find(palette.begin(), palette.end(), color) != palette.end()) return;
    size_t nearest = 0;
    int best = 1 << 30;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = RedOf(palette[i]) - RedOf(color), dg = GreenOf(palette[i]) - GreenOf(color),
                  db = BlueOf(palette[i]) - BlueOf(color);
        const int d = dr * dr + dg * dg + db * db;
        if (d < best) best = d, nearest = i;
    }
    palette[nearest] = color;
}

}  // namespace korvel
