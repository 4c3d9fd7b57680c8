#pragma once

// A fill as a plotter can draw it: parallel lines across the region an outline encloses, which a
// pen draws one by one. Each line is cut exactly where the region begins and ends by the
// non-zero winding rule, the rule the view fills by, so the hatching covers what the fill
// covers: where a self-crossing outline winds twice, the region is hatched too.
//
// The outline is swept once per direction, its edges sorted by the first line they cross, so
// that an outline of millions of edges costs about as much as sorting them, whatever its shape.

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QPolygonF>

#include <atomic>
#include <cstddef>

struct HatchSettings {
    double angleDegrees = 45;   // of the lines, from the page's horizontal, counter-clockwise as seen
    double spacingMm = 1;       // between neighbouring lines
    bool crossHatch = false;    // a second set of lines at right angles to the first
};

// Unless it is Done, no line is added.
enum class HatchResult {
    Done,
    Cancelled,   // the flag turned true part way
    Refused,     // a spacing that is not a positive number, an angle that is not finite, or
                 // more lines across the outline than kMostHatchLines
};

// More lines than this across one outline is no drawing a plotter can make: a page of 5 m
// hatched every 0.05 mm has 100,000 lines.
constexpr double kMostHatchLines = 1e7;

// The lines hatching the region `points` enclose (the last point joins the first), in the
// outline's coordinates, appended to `lines`, each drawn from left to right along its
// direction. The lines lie on a grid through the origin, so neighbouring regions hatched alike
// line up. A point that is not finite is left out, the outline joining the points on either
// side of it, as the view fills it. `cancelled` is looked at between lines.
HatchResult hatchOutline(const QPointF* points, std::size_t count, const HatchSettings& settings,
                         QList<QLineF>& lines, const std::atomic<bool>* cancelled = nullptr);

// The same, never cancelled; no lines for settings that are refused.
QList<QLineF> hatchOutline(const QPolygonF& outline, const HatchSettings& settings);
