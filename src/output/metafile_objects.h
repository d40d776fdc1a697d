// The pens, brushes and fonts of a metafile's object table: each distinct one is made once and
// kept, selected only when a drawing call needs another one, and when the table is full the one
// used longest ago is deleted to make room.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "render/render_target.h"

namespace korvel {

enum class MetafileObjectKind : uint8_t { Pen, NullPen, Brush, Font };

// A style as an object of the table, compared by value.
struct MetafileObject {
    MetafileObjectKind kind = MetafileObjectKind::Pen;
    PenSpec pen;
    BrushSpec brush;
    FontSpec font;

    static MetafileObject of(const PenSpec& pen);
    static MetafileObject of(const BrushSpec& brush);
    static MetafileObject of(const FontSpec& font);
    static MetafileObject nullPen();
    bool operator==(const MetafileObject& o) const;
};

// The records a metafile writes for its objects. The slot of a new object is always the lowest
// free one: WMF players take that slot themselves, EMF names it in the record.
class MetafileObjectRecords {
public:
    virtual ~MetafileObjectRecords() = default;
    virtual void createObject(int slot, const MetafileObject& object) = 0;
    virtual void selectObject(int slot) = 0;
    virtual void deleteObject(int slot) = 0;
};

class MetafileObjects {
public:
    // Slots run from `firstSlot` (EMF's slot 0 is the metafile itself) and at most `capacity`
    // of them hold objects at once.
    MetafileObjects(MetafileObjectRecords& records, int firstSlot, int capacity);

    // Makes the object current for its kind: created when the table does not hold it, selected
    // when another of its kind is selected. Pens and the null pen are one kind here.
    void select(const MetafileObject& object);
    void select(const PenSpec& pen);
    // The metafile selected something of its own (a stock object) in place of the pen.
    void penReplaced() { selected_[0] = -1; }

    // Deletes every object still in the table, selecting nothing first: the metafile ends.
    void deleteAll();

    // One past the highest slot ever used: the size of the table a player must allocate.
    int tableSize() const { return tableSize_; }
    size_t objectsMade() const { return made_; }

private:
    struct Entry {
        bool used = false;
        MetafileObject object;
        uint64_t lastUse = 0;
    };
    struct Hash {
        size_t operator()(const MetafileObject& o) const;
    };

    static int groupOf(MetafileObjectKind kind);
    void use(int slot, int group);
    int makeRoom();

    MetafileObjectRecords& records_;
    int firstSlot_;
    int capacity_;
    std::vector<Entry> entries_;  // by slot - firstSlot
    std::unordered_map<MetafileObject, int, Hash> slots_;
    int selected_[3] = {-1, -1, -1};  // pen, brush, font
    uint64_t clock_ = 0;
    int tableSize_ = 0;
    size_t made_ = 0;
};

}  // namespace korvel
