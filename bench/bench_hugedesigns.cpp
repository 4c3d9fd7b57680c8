// Designs whose points lie far beyond the picture: a runner typed as 1e30, a pen hole of 3e6.
// Qt's rasteriser walks every edge it is given, inside the picture or not, and beyond its
// coordinate range it hands the whole path to a general clipper; the view clips first. Each
// drawing here is the on-screen view at 640 by 640, filled, with a wide pen.

#include "view/Rotagraph.h"

#include <benchmark/benchmark.h>

namespace {

struct HugeDesign {
    float anchor, runner, pen, revolutions;
};

constexpr HugeDesign kHugeDesigns[] = {
    {72, 1e30f, 46, 1},      // 64 points, every one of them about 1e30 from the centre
    {72, 1e30f, 46, 100},    // 6,301 points
    {72, 1e30f, 46, 1000},   // 63,001 points
    {160, 72, 3e6f, 9},      // 1,260 points on a circle of radius 3e6 about the view
};

void drawHugeDesign(benchmark::State& state)
{
    const HugeDesign& d = kHugeDesigns[state.range(0)];
    Rotagraph view;
    view.resize(view.sizeHint());
    view.setAnchorRadius(d.anchor);
    view.setRunnerRadius(d.runner);
    view.setPenHoleRadius(d.pen);
    view.setRotationsToMake(d.revolutions);
    view.setPenColor(Qt::red);
    view.setNumberOfColors(1);
    view.setPenDrawSize(static_cast<float>(state.range(1)));
    view.setFillShape(true);
    view.setFillColor(Qt::yellow);
    view.actualSize();   // one unit per point: the design reaches far beyond the view
    bool red = true;
    for (auto _ : state) {
        // Another colour each time, so that nothing drawn before is shown again.
        red = !red;
        view.setPenColor(red ? Qt::red : Qt::darkRed);
        view.finishDrawing();
    }
    state.counters["points"] = static_cast<double>(view.lastDrawingPointCount());
}

}

BENCHMARK(drawHugeDesign)
    ->ArgNames({"design", "width"})
    ->ArgsProduct({{0, 1, 2, 3}, {1, 3}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
