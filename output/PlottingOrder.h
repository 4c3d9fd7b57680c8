#pragma once

// The order a pen plotter draws one pen's paths in. It draws each path with the pen down and
// moves between them with the pen up; a path may be drawn from either end. Taking next the path
// whose nearer end is closest to where the pen stands shortens that travel a great deal for
// hatching and for many small paths; an order that would travel further than the given one is
// never chosen. The plotter starts at `home`, the page's top left corner unless told otherwise.

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QPolygonF>

#include <cstddef>
#include <vector>

// Where a path begins and ends: all the ordering needs to know of it.
struct PathEnds {
    QPointF start;
    QPointF end;
};

struct PlotStep {
    std::size_t path = 0;    // its index in the paths given
    bool reversed = false;   // drawn from its end to its start
};

struct PlottingOrder {
    std::vector<PlotStep> steps;   // every path once
    double travelBeforeMm = 0;     // pen-up travel in the order given, from home
    double travelAfterMm = 0;      // pen-up travel in the order of `steps`, never more than before
};

// The order to draw `paths` in: from home, each time the path with an end nearest the pen, drawn
// from that end; the given order when that would travel further. Coordinates must be finite.
PlottingOrder plottingOrder(const std::vector<PathEnds>& paths, QPointF home = {});
// The same for polylines and for segments (hatching). A polyline without points is drawn last,
// where it costs no travel.
PlottingOrder plottingOrder(const QList<QPolygonF>& paths, QPointF home = {});
PlottingOrder plottingOrder(const QList<QLineF>& segments, QPointF home = {});

// The paths in `order`, those marked reversed turned end for end.
QList<QPolygonF> inPlottingOrder(const QList<QPolygonF>& paths, const PlottingOrder& order);
QList<QLineF> inPlottingOrder(const QList<QLineF>& segments, const PlottingOrder& order);

// What drawing paths in the order given costs the plotter.
struct PlotLength {
    double penDownMm = 0;   // along the paths
    double penUpMm = 0;     // from home to the first path and from each path's end to the next one's start
};

PlotLength plotLength(const QList<QPolygonF>& paths, QPointF home = {});
PlotLength plotLength(const QList<QLineF>& segments, QPointF home = {});

// The speed a plotter is assumed to draw and travel at when the user has said none: slow
// enough for most pens on most paper.
constexpr double kDefaultPlotterSpeedMmPerSecond = 25;

// How long the plotter takes at `speedMmPerSecond`, pen up or down; not a number (no time can be
// told) for a speed that is not a positive number.
double plottingSeconds(const PlotLength& length, double speedMmPerSecond = kDefaultPlotterSpeedMmPerSecond);

// What one pen costs the plotter, as the export tells it before the file is written.
struct PenCost {
    double penDownMetres = 0;
    double penUpMetres = 0;
    double seconds = 0;   // see plottingSeconds
};

PenCost penCost(const PlotLength& length, double speedMmPerSecond = kDefaultPlotterSpeedMmPerSecond);
