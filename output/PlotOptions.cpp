#include "output/PlotOptions.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// A drawing that overhangs the page by less than this fits: sizes typed to the hundredth of a
// millimetre are not refused for a rounding of the paper's own size.
constexpr double kFitSlackMm = 1e-6;

QString tr(const char* text)
{
    return QCoreApplication::translate("PlotOptions", text);
}

bool isPositive(double value)
{
    return std::isfinite(value) && value > 0;
}

bool isNotNegative(double value)
{
    return std::isfinite(value) && value >= 0;
}

// A length as the user typed it: no more digits than it has, to the micrometre.
QString millimetres(double value)
{
    return QString::number(value, 'g', 10);
}

void checkSide(std::vector<OptionRefusal>& refusals, PlotField field, double side, const char* message)
{
    if (!(isPositive(side) && side <= kLargestPageSideMm))
        refusals.push_back({field, tr(message).arg(millimetres(kLargestPageSideMm))});
}

}

std::vector<OptionRefusal> optionRefusals(const PlotOptions& options)
{
    std::vector<OptionRefusal> refusals;
    const PlotPage& page = options.page;
    const QSizeF size = pageSizeMm(page);
    checkSide(refusals, PlotField::PageWidth, size.width(), "The page width must be more than 0 mm and at most %1 mm.");
    checkSide(refusals, PlotField::PageHeight, size.height(), "The page height must be more than 0 mm and at most %1 mm.");
    const bool pageFine = refusals.empty();

    const bool marginFine = isNotNegative(page.marginMm);
    if (!marginFine)
        refusals.push_back({PlotField::Margin, tr("The margin must be 0 mm or more.")});
    else if (pageFine && !(largestDrawingMm(page) > 0))
        refusals.push_back({PlotField::Margin,
                            tr("The margins leave no room for the drawing: on this page they must be less than %1 mm.")
                                .arg(millimetres(std::min(size.width(), size.height()) / 2))});

    if (!isNotNegative(page.drawingSizeMm))
        refusals.push_back({PlotField::DrawingSize, tr("The drawing size must be 0 mm (the largest that fits) or more.")});
    else if (pageFine && marginFine && page.drawingSizeMm > largestDrawingMm(page) + kFitSlackMm
             && largestDrawingMm(page) > 0)
        refusals.push_back({PlotField::DrawingSize,
                            tr("The drawing is larger than the page: with these margins at most %1 mm fits.")
                                .arg(millimetres(largestDrawingMm(page)))});

    if (!isPositive(options.penWidthMm))
        refusals.push_back({PlotField::PenWidth, tr("The pen width must be more than 0 mm.")});
    if (!isNotNegative(options.simplifyToleranceMm))
        refusals.push_back({PlotField::SimplifyTolerance, tr("The simplification tolerance must be 0 mm or more.")});
    if (options.fill == FillStyle::Hatch) {
        if (!(std::isfinite(options.hatch.spacingMm) && options.hatch.spacingMm >= kFinestHatchSpacingMm))
            refusals.push_back({PlotField::HatchSpacing,
                                tr("The hatch spacing must be at least %1 mm.").arg(millimetres(kFinestHatchSpacingMm))});
        if (!std::isfinite(options.hatch.angleDegrees))
            refusals.push_back({PlotField::HatchAngle, tr("The hatch angle must be a number of degrees.")});
    }
    if (options.gradientPens < 0 || options.gradientPens > kMostGradientPens)
        refusals.push_back({PlotField::GradientPens,
                            tr("The gradient pens must be 0 (one per stop colour) to %1.").arg(kMostGradientPens)});
    return refusals;
}
