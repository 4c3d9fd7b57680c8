// What preparing the heavy design (about 375,000 points) for a pen plotter costs: simplifying
// its pen path at a tolerance, hatching its fill, with and without cross-hatching, and ordering
// the hatch lines to shorten the pen's travel. The same design traced to the point budget
// (4,194,304 points) shows that a line of millions of points costs no more per point. The design is drawn on the default page (A4
// upright, 15 mm margins, the largest drawing that fits) with a 0.35 mm pen. The counters give
// the points kept, the lines drawn and the travel saved.

#include "art/ArtParameters.h"
#include "art/CurveTrace.h"
#include "output/Hatching.h"
#include "output/PlotPage.h"
#include "output/PlottingOrder.h"
#include "output/Simplify.h"

#include <QPolygonF>
#include <QTransform>

#include <benchmark/benchmark.h>

namespace {

constexpr double kPenWidthMm = 0.35;
// The arguments are lengths on paper in micrometres.
constexpr double kMicrometresPerMillimetre = 1000;

constexpr float kHeavyRevolutions = 60;
constexpr float kBudgetRevolutions = 700;

float revolutions(std::int64_t atTheBudget)
{
    return atTheBudget != 0 ? kBudgetRevolutions : kHeavyRevolutions;
}

// The heavy design's pen path or fill outline, in millimetres on the page.
QPolygonF heavyDesignOnPage(bool outline, float revolutions = kHeavyRevolutions)
{
    CurveParameters design;
    design.anchorRadius = 500;
    design.runnerRadius = 3;
    design.penHoleRadius = 2;
    design.rotationsToMake = revolutions;
    design.numberOfColors = 1;
    const TracedCurve curve = traceCurve(design);
    const QTransform toPage = curveToPage(PlotPage{}, boundingRadius(design.anchorRadius, design.runnerRadius,
                                                                      design.penHoleRadius));
    QPolygonF points;
    for (const CurvePoint& p : outline ? curve.fillPath() : curve.penPath())
        points << toPage.map(QPointF(p.x, p.y));
    return points;
}

double millimetres(std::int64_t micrometres)
{
    return double(micrometres) / kMicrometresPerMillimetre;
}

void simplifyHeavy(benchmark::State& state)
{
    const QPolygonF line = heavyDesignOnPage(false, revolutions(state.range(1)));
    QPolygonF kept;
    for (auto _ : state)
        kept = simplifiedPolyline(line, millimetres(state.range(0)));
    state.counters["points"] = double(line.size());
    state.counters["kept_points"] = double(kept.size());
}

void hatchHeavy(benchmark::State& state)
{
    const QPolygonF outline = heavyDesignOnPage(true, revolutions(state.range(2)));
    HatchSettings settings;
    settings.spacingMm = millimetres(state.range(0));
    settings.crossHatch = state.range(1) != 0;
    QList<QLineF> lines;
    for (auto _ : state)
        lines = hatchOutline(outline, settings);
    state.counters["edges"] = double(outline.size());
    state.counters["lines"] = double(lines.size());
}

void orderHeavyHatching(benchmark::State& state)
{
    HatchSettings settings;
    settings.spacingMm = millimetres(state.range(0));
    settings.crossHatch = true;
    const QList<QLineF> lines = hatchOutline(heavyDesignOnPage(true), settings);
    PlottingOrder order;
    for (auto _ : state)
        order = plottingOrder(lines);
    state.counters["lines"] = double(lines.size());
    state.counters["pen_up_m_before"] = order.travelBeforeMm / kMicrometresPerMillimetre;
    state.counters["pen_up_m_after"] = order.travelAfterMm / kMicrometresPerMillimetre;
}

}

BENCHMARK(simplifyHeavy)
    ->ArgNames({"tolerance_um", "at_budget"})
    ->Args({50, 0})
    ->Args({10, 0})
    ->Args({50, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(hatchHeavy)
    ->ArgNames({"spacing_um", "cross", "at_budget"})
    ->Args({1000, 0, 0})
    ->Args({1000, 1, 0})
    ->Args({100, 1, 0})
    ->Args({1000, 1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(orderHeavyHatching)->ArgName("spacing_um")->Arg(1000)->Unit(benchmark::kMillisecond);
