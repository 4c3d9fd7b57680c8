#pragma once

// The paper a plot is drawn on and where the drawing lies on it: a sheet of a usual size or of
// the user's own, upright or turned, a margin on every side, and the square the design is fitted
// into, centred within the margins. Lengths are millimetres from the page's top left corner,
// y down, as the plotter's own coordinates run.

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>

enum class PaperSize { A5, A4, A3, Letter, Legal, Tabloid, Square, Custom };
enum class PaperOrientation { Portrait, Landscape };

constexpr double kMillimetresPerInch = 25.4;
constexpr double kPointsPerInch = 72;
constexpr double kMillimetresPerPoint = kMillimetresPerInch / kPointsPerInch;

// The side of the Square paper: a common sheet for pen plotters.
constexpr double kSquarePaperMm = 200;

struct PlotPage {
    PaperSize paper = PaperSize::A4;
    PaperOrientation orientation = PaperOrientation::Portrait;
    QSizeF customSizeMm{210, 297};   // a Custom page's width and height, as the user gives them
    double marginMm = 15;            // on every side
    double drawingSizeMm = 0;        // the side of the drawing's square; 0: the largest that fits
};

// What the paper is called where the user picks it ("A4", "Letter", "Square", "Custom").
QString paperName(PaperSize paper);

// The page's width and height: a preset upright (the narrower side across) or turned, a Custom
// page as given whichever way it is said to stand.
QSizeF pageSizeMm(const PlotPage& page);

// The page's narrower side less a margin on each side: the largest drawing that fits.
double largestDrawingMm(const PlotPage& page);

// The drawing's square, centred on the page: the drawing size, or the largest that fits.
QRectF drawingRectMm(const PlotPage& page);

// From curve space (y up, the centre at the origin) onto the page: the circle of radius `reach`
// about the design's centre becomes the circle that the drawing's square encloses, so that the
// drawing size is the design's drawn diameter. A pen's width lies half outside it, in the margin.
QTransform curveToPage(const PlotPage& page, float reach);
