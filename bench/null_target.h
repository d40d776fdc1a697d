// A canvas that ignores every drawing call; benchmarks derive from it and keep the calls they
// measure.
#pragma once

#include "render/render_target.h"

class NullTarget : public korvel::RenderTarget {
public:
    void polyline(const korvel::DevicePoint*, size_t, const korvel::PenSpec&) override {}
    void polygon(const korvel::DevicePoint*, size_t, const korvel::PenSpec&, const korvel::BrushSpec&) override {}
    void fillRect(const korvel::DeviceRect&, const korvel::BrushSpec&) override {}
    void ellipse(const korvel::DeviceRect&, const korvel::PenSpec&, const korvel::BrushSpec&) override {}
    void arc(const korvel::DeviceRect&, korvel::DevicePoint, korvel::DevicePoint, const korvel::PenSpec&) override {}
    void text(korvel::DevicePoint, const std::u32string&, const korvel::TextStyle&) override {}
    void image(const korvel::DeviceRect&, const korvel::RasterImage&) override {}
};
