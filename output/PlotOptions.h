#pragma once

// What a plot is drawn with, beyond the design: the page and the hatching of fills. An export
// refuses values it cannot draw with, each refusal naming its field, before any work is done,
// so that the user can put right every one at once.

#include "output/Hatching.h"
#include "output/PlotPage.h"

#include <QString>

#include <vector>

// Finer hatching than this only soaks the paper: no pen draws a line that thin.
constexpr double kFinestHatchSpacingMm = 0.05;
// PDF readers take pages up to 200 inches a side; a plotted page is held to the same.
constexpr double kLargestPageSideMm = 5000;

// Default: A4 upright, 15 mm margins, the largest drawing that fits, fills not hatched.
struct PlotOptions {
    PlotPage page;
    bool hatchFills = false;
    HatchSettings hatch;
};

enum class PlotField { PageWidth, PageHeight, Margin, DrawingSize, HatchSpacing, HatchAngle };

struct OptionRefusal {
    PlotField field;
    QString message;   // a sentence that names the field and says what it takes
};

// Every value of `options` that cannot be exported, in the order of the fields above; none
// when it can be. The hatching is looked at only when fills are hatched.
std::vector<OptionRefusal> optionRefusals(const PlotOptions& options);
