// The bounding box of everything that will be drawn: gathered while records are filed, widened
// by the members of block inserts afterwards, then given its margin and centre.
#pragma once

#include <string>
#include <vector>

#include "drawing/coordinate_range.h"
#include "drawing/drawing.h"

namespace korvel {

class ExtentsBuilder {
public:
    explicit ExtentsBuilder(Drawing& drawing) : d_(drawing), target_(&drawing.extents) {}
    // Measures into `box` instead of the drawing's extents (the box of one block's members).
    ExtentsBuilder(const Drawing& drawing, Extents& box) : d_(drawing), target_(&box) {}

    // Each kind's contribution; records on hidden layers add nothing unless AllLayers is set, and
    // records out of the drawable range (see coordinate_range.h) add nothing at all.
    void AddToExtents(const TDataSen& r);
    void AddToExtents(const TDataEnko& r);
    void AddToExtents(const TDataTen& r);
    void AddToExtents(const TDataMoji& r);
    void AddToExtents(const TDataSunpou& r);
    void AddToExtents(const TDataSolid& r);
    void AddToExtents(const TDataBlock& r);
    void AddToExtents(const TDataList&) {}
    // The record `ref` names in `set`, by its kind.
    void AddRecord(const RecordSet& set, const RecordRef& ref);

    void AddPoint(double x, double y) {
        if (transforming_) {
            addTransformed(x, y);
            return;
        }
        Extents& e = *target_;
        if (x < e.MinX) e.MinX = x;
        if (x > e.MaxX) e.MaxX = x;
        if (y < e.MinY) e.MinY = y;
        if (y > e.MaxY) e.MaxY = y;
    }
    void AddArc(Point2 center, double kind, double flatness, double tiltAngle, double arcAngle,
                double startAngle, double radius);

    // Measures the members of every top-level insert through the insert's transform, as they
    // are drawn (mirrored, turned, inner blocks through their own inserts). An insert whose
    // block has no complete definition is skipped with a warning.
    void ExpandBlockInserts(std::vector<std::string>& warnings);
    void FinishExtents();

private:
    template <typename Record>
    bool counts(const Record& r) const {
        return InDrawableRange(r) && (d_.AllLayers || d_.layerVisible(r.layerGroup, r.layer));
    }
    void addTransformed(double x, double y);
    void addTextBox(Point2 start, Point2 end, double sizeY);
    void addPictureReference(const TDataMoji& r);
    void addMember(const RecordRef& ref, int depth);
    void addInnerInsert(const TDataBlock& insert, int depth);
    // The box of definition `k`'s members in its own coordinates, measured once; null when it
    // holds nothing measurable, has no complete definition, or inserts itself.
    const Extents* definitionBox(uint32_t k, int depth);

    const Drawing& d_;
    Extents* target_;  // the box points go into: the drawing's, a definition's own, or a caller's
    // The top-level insert whose members are being measured (identity otherwise).
    Point2 origin_;
    double scaleX_ = 1.0, scaleY_ = 1.0, angle_ = 0.0;
    bool transforming_ = false;  // false: the identity, and points go straight into the box
    enum class BoxState : uint8_t { Unmeasured, Measuring, Measured };
    std::vector<BoxState> boxState_;
    std::vector<Extents> boxes_;
};

// Reads a number of a picture reference: full-width digits, signs and points made half-width,
// spaces around it ignored; false when the field is not a whole number.
bool ParseReferenceNumber(const std::string& cp932Field, double& value);

}  // namespace korvel
