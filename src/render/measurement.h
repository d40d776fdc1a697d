// Distances and angles between two drawing points, and how they read: in drawing millimetres
// and at a layer group's scale ("12.50 mm = 1,250 mm at 1/100").
#pragma once

#include <string>

#include "drawing/records.h"

namespace korvel {

struct Measurement {
    double distance = 0.0;  // drawing millimetres
    double angle = 0.0;     // degrees from the x axis, counter-clockwise, 0 up to 360
    double dx = 0.0, dy = 0.0;
};

Measurement Measure(Point2 from, Point2 to);

// A layer group's scale as Jw_cad writes it: "1/100", and enlargements "2/1"; empty when the
// scale is no usable number.
std::string ScaleText(double scale);
// "12.50 mm = 1,250 mm at 1/100"; at 1/1, or without a usable scale, only "12.50 mm".
std::string DistanceText(double distance, double scale);
// "36.87°"
std::string AngleText(double degrees);
// The pointer in drawing millimetres for the status bar: "X 12.50  Y -3.00".
std::string CoordinatesText(Point2 p);
// A number with thousands separators and at most `decimals` decimals, trailing zeros dropped:
// 1250 -> "1,250", 1234.5 -> "1,234.5", -0.001 at 2 -> "0".
std::string GroupedNumber(double value, int decimals);

}  // namespace korvel
