#pragma once

// Curve tracing: the pen's path for one design, in curve space (origin at the anchor's centre,
// y up, angles counter-clockwise). Pure C++: this file and its source include no Qt.

#include <cstddef>
#include <cstdint>
#include <vector>

struct CurvePoint { double x; double y; };
using Polyline = std::vector<CurvePoint>;

struct CurveParameters {
    float anchorRadius = 0, runnerRadius = 0, penHoleRadius = 0;
    float rotationsToMake = 0, percentToDraw = 100;
    bool greaseIt = false; int32_t numberOfColors = 0; bool closeCurve = false;
};

struct TracedCurve {
    Polyline penPath, pen2Path, pen3Path, fillPath;
    CurvePoint startPoint, lastRunnerCenter;
    float lastRunnerAngle = 0;
    bool truncated = false;   // cut at kTracePointBudget, or where the orbit angle stopped advancing
};

// The most points one tracing produces. Beyond it a design would cost seconds per redraw and
// hundreds of megabytes; tracing stops there as if the curve ended and sets `truncated`.
constexpr std::size_t kTracePointBudget = 4'194'304;

TracedCurve traceCurve(const CurveParameters& p);
