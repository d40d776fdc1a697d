// A canvas that ignores every drawing call; benchmarks derive from it and keep the calls they
// measure.
#pragma once

#include "render/render_target.h"

class NullTarget : public korvel::RenderTarget {
public:
    void setPen(const korvel::PenSpec&) override {}
    void setBrush(const korvel::BrushSpec&) override {}
    void fillRect(int, int, int, int) override {}
    void moveTo(int, int) override {}
    void lineTo(int, int) override {}
    void polyline(const korvel::DevicePoint*, size_t) override {}
    void polygon(const korvel::DevicePoint*, size_t) override {}
    void ellipse(int, int, int, int) override {}
    void arc(int, int, int, int, int, int, int, int) override {}
    void setFont(const korvel::FontSpec&) override {}
    void setTextColor(uint32_t) override {}
    void textOut(int, int, const std::u32string&) override {}
    void beginPath() override {}
    void endPath() override {}
    void strokeAndFillPath() override {}
    void stretchPicture(int, int, int, int, const korvel::RasterImage&) override {}
};
