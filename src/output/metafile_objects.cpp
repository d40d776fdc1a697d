// A drawing uses a handful of pens and brushes a million times over: making each once and
// switching between them costs one select record per change instead of a create, a select and a
// delete per line. Fonts vary more (each angle of text is a font of its own), which is why the
// table is bounded and recycles the object used longest ago.
#include "output/metafile_objects.h"

#include <functional>
#include <string>

namespace korvel {

MetafileObject MetafileObject::of(const PenSpec& pen) {
    MetafileObject o;
    o.kind = MetafileObjectKind::Pen;
    o.pen = pen;
    return o;
}

MetafileObject MetafileObject::of(const BrushSpec& brush) {
    MetafileObject o;
    o.kind = MetafileObjectKind::Brush;
    o.brush = brush;
    return o;
}

MetafileObject MetafileObject::of(const FontSpec& font) {
    MetafileObject o;
    o.kind = MetafileObjectKind::Font;
    o.font = font;
    return o;
}

MetafileObject MetafileObject::nullPen() {
    MetafileObject o;
    o.kind = MetafileObjectKind::NullPen;
    return o;
}

bool MetafileObject::operator==(const MetafileObject& o) const {
    if (kind != o.kind) return false;
    switch (kind) {
    case MetafileObjectKind::Pen: return pen == o.pen;
    case MetafileObjectKind::Brush: return brush == o.brush;
    case MetafileObjectKind::Font: return font == o.font;
    case MetafileObjectKind::NullPen: return true;
    }
    return true;
}

size_t MetafileObjects::Hash::operator()(const MetafileObject& o) const {
    size_t h = static_cast<size_t>(o.kind);
    auto mix = [&h](size_t v) { h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2); };
    switch (o.kind) {
    case MetafileObjectKind::Pen:
        mix(o.pen.color);
        mix(static_cast<size_t>(o.pen.width));
        mix(static_cast<size_t>(o.pen.geometric) | static_cast<size_t>(o.pen.cap) << 1 |
            static_cast<size_t>(o.pen.join) << 3);
        break;
    case MetafileObjectKind::Brush:
        mix(o.brush.color);
        mix(static_cast<size_t>(o.brush.style));
        break;
    case MetafileObjectKind::Font:
        mix(std::hash<std::string>()(o.font.face));
        mix(static_cast<size_t>(o.font.height));
        mix(static_cast<size_t>(o.font.width));
        mix(static_cast<size_t>(o.font.escapement));
        mix(static_cast<size_t>(o.font.orientation));
        mix(static_cast<size_t>(o.font.weight));
        mix(static_cast<size_t>(o.font.italic) | static_cast<size_t>(o.font.underline) << 1 |
            static_cast<size_t>(o.font.strikeOut) << 2);
        break;
    case MetafileObjectKind::NullPen: break;
    }
    return h;
}

MetafileObjects::MetafileObjects(MetafileObjectRecords& records, int firstSlot, int capacity)
    : records_(records), firstSlot_(firstSlot), capacity_(capacity < 3 ? 3 : capacity) {}

int MetafileObjects::groupOf(MetafileObjectKind kind) {
    switch (kind) {
    case MetafileObjectKind::Brush: return 1;
    case MetafileObjectKind::Font: return 2;
    default: return 0;
    }
}

void MetafileObjects::use(int index, int group) {
    entries_[index].lastUse = ++clock_;
    if (selected_[group] == index) return;
    records_.selectObject(firstSlot_ + index);
    selected_[group] = index;
}

void MetafileObjects::select(const PenSpec& pen) {
    // Most calls ask for the pen already selected; this answers them without hashing.
    const int current = selected_[0];
    if (current >= 0 && entries_[current].object.kind == MetafileObjectKind::Pen &&
        entries_[current].object.pen == pen) {
        entries_[current].lastUse = ++clock_;
        return;
    }
    select(MetafileObject::of(pen));
}

void MetafileObjects::select(const MetafileObject& object) {
    const int group = groupOf(object.kind);
    const auto found = slots_.find(object);
    if (found != slots_.end()) {
        use(found->second, group);
        return;
    }
    const int index = makeRoom();
    Entry& entry = entries_[index];
    entry.used = true;
    entry.object = object;
    slots_.emplace(object, index);
    records_.createObject(firstSlot_ + index, object);
    ++made_;
    if (firstSlot_ + index + 1 > tableSize_) tableSize_ = firstSlot_ + index + 1;
    use(index, group);
}

// The lowest free slot; when every slot is taken, the one used longest ago that is not selected
// is deleted first. Three selected objects at most, so a table of three or more always has one.
int MetafileObjects::makeRoom() {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (!entries_[i].used) return static_cast<int>(i);
    if (static_cast<int>(entries_.size()) < capacity_) {
        entries_.emplace_back();
        return static_cast<int>(entries_.size() - 1);
    }
    int oldest = -1;
    for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
        if (i == selected_[0] || i == selected_[1] || i == selected_[2]) continue;
        if (oldest < 0 || entries_[i].lastUse < entries_[oldest].lastUse) oldest = i;
    }
    records_.deleteObject(firstSlot_ + oldest);
    slots_.erase(entries_[oldest].object);
    entries_[oldest].used = false;
    return oldest;
}

void MetafileObjects::deleteAll() {
    for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
        if (!entries_[i].used) continue;
        records_.deleteObject(firstSlot_ + i);
        entries_[i].used = false;
    }
    slots_.clear();
    selected_[0] = selected_[1] = selected_[2] = -1;
}

}  // namespace korvel
