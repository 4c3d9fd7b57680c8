#pragma once

// What a plot is drawn with, beyond the design: the page, the pen, the simplification, how fills
// are drawn and how fast the plotter goes. An export
// refuses values it cannot draw with, each refusal naming its field, before any work is done,
// so that the user can put right every one at once.

#include "output/Hatching.h"
#include "output/PlotPage.h"
#include "output/PlottingOrder.h"

#include <QString>

#include <vector>

// Finer hatching than this only soaks the paper: no pen draws a line that thin.
constexpr double kFinestHatchSpacingMm = 0.05;
// How far a plotted or printed chord of a precise curve may stray from it: finer than any pen.
constexpr double kPlotChordErrorMm = 0.01;
// PDF readers take pages up to 200 inches a side; a plotted page is held to the same.
constexpr double kLargestPageSideMm = 5000;

// How a filled curve's fill is plotted: as a solid area (for screens and PDF; plotter tools skip
// its layer), as lines of the fill's pen across it, or not at all.
enum class FillStyle { Solid, Hatch, LeaveOut };

// Default: A4 upright, 15 mm margins, the largest drawing that fits, a 0.35 mm pen, points left
// out within 0.05 mm, fills solid.
struct PlotOptions {
    PlotPage page;
    double penWidthMm = 0.35;            // every pen's stroke width on paper
    double simplifyToleranceMm = 0.05;   // how far a point left out may lie from the line; 0 keeps all
    FillStyle fill = FillStyle::Solid;
    HatchSettings hatch;
    double speedMmPerSecond = kDefaultPlotterSpeedMmPerSecond;   // for the time the plot takes
};

enum class PlotField { PageWidth, PageHeight, Margin, DrawingSize, PenWidth, SimplifyTolerance, HatchSpacing,
                       HatchAngle };

struct OptionRefusal {
    PlotField field;
    QString message;   // a sentence that names the field and says what it takes
};

// Every value of `options` that cannot be exported, in the order of the fields above; none
// when it can be. The hatching is looked at only when fills are hatched; the speed, which
// only tells the time, never stops an export.
std::vector<OptionRefusal> optionRefusals(const PlotOptions& options);
