// What one drawing costs: the trace alone, and the trace with the rendering that every redraw
// and every frame of slow drawing repeats.

#include "art/CurveTrace.h"
#include "art/CurveTraceOptions.h"
#include "art/DesignPainter.h"
#include "view/Rotagraph.h"
#include "view/ViewZoom.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct Design {
    float anchor, runner, pen, revolutions;
};

// The default design: 1260 points.
constexpr Design kDefault{160, 72, 53, 9};
// An anchor 100+ times the runner takes the smallest step: about 375,000 points.
constexpr Design kHeavy{500, 3, 2, 60};
// Past the point budget: 4,194,304 points.
constexpr Design kBudget{500, 3, 2, 1000};

const Design& designAt(int64_t index)
{
    const Design* const designs[] = {&kDefault, &kHeavy, &kBudget};
    return *designs[index];
}

CurveParameters curveParameters(const Design& d)
{
    CurveParameters p;
    p.anchorRadius = d.anchor;
    p.runnerRadius = d.runner;
    p.penHoleRadius = d.pen;
    p.rotationsToMake = d.revolutions;
    return p;
}

void setPointCounter(benchmark::State& state, std::size_t points)
{
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points));
    // Seconds per point, shown with an SI prefix ("22n" is 22 ns).
    state.counters["per_point"] = benchmark::Counter(static_cast<double>(points),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Qt's AVX2 routines, run while the application starts, can leave the upper halves of the vector
// registers in use, which makes every SSE instruction after them several times slower until a
// vzeroupper. The view clears that state before it traces; so does this benchmark, or it would
// time Qt's leftovers instead of the trace.
void clearUpperVectorState()
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (__builtin_cpu_supports("avx"))
        __asm__ volatile("vzeroupper" ::: "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6",
                         "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
#endif
}

void traceOnly(benchmark::State& state)
{
    const CurveParameters p = curveParameters(designAt(state.range(0)));
    std::size_t points = 0;
    clearUpperVectorState();
    for (auto _ : state) {
        const TracedCurve curve = traceCurve(p);
        points = curve.pointCount();
        benchmark::DoNotOptimize(curve.fillPath().data());
    }
    setPointCounter(state, points);
}

// One thread, one path: what the vectorised sines and cosines gain over the scalar loop. The
// curve is traced into the same TracedCurve each time, as a redraw reusing its buffer does.
void traceOnePath(benchmark::State& state)
{
    const CurveParameters p = curveParameters(designAt(state.range(0)));
    TraceOptions options;
    options.path = static_cast<TracePath>(state.range(1));
    options.mayUseSecondThread = false;
    if (!isTracePathAvailable(options.path)) {
        state.SkipWithError("the processor lacks this path");
        return;
    }
    std::size_t recomputed = 0;
    options.recomputedPoints = &recomputed;
    TracedCurve curve;
    clearUpperVectorState();
    for (auto _ : state) {
        traceCurve(p, curve, options);
        benchmark::DoNotOptimize(curve.fillPath().data());
    }
    state.counters["recomputed"] = static_cast<double>(recomputed);
    setPointCounter(state, curve.pointCount());
}

// A fresh curve every time against one reused, on one thread: allocating, and the system's
// zeroing of fresh pages, against neither.
void traceColdOrWarm(benchmark::State& state)
{
    const CurveParameters p = curveParameters(kBudget);
    const bool reuse = state.range(0) != 0;
    TraceOptions options;
    options.mayUseSecondThread = false;
    TracedCurve reused;
    std::size_t points = 0;
    clearUpperVectorState();
    for (auto _ : state) {
        TracedCurve fresh;
        TracedCurve& curve = reuse ? reused : fresh;
        traceCurve(p, curve, options);
        points = curve.pointCount();
        benchmark::DoNotOptimize(curve.fillPath().data());
    }
    setPointCounter(state, points);
}

// A million points on one thread: a design of two wheels on the widest vector path, against
// designs of three and four wheels, whose trace takes its angles from each point's index.
void traceNestedWheels(benchmark::State& state)
{
    CurveParameters p = curveParameters(kHeavy);
    const int nested = static_cast<int>(state.range(0));
    if (nested > 0) {
        p = curveParameters(Design{100, -50, 10, 1});
        p.nested.count = nested;
        p.nested.radii = {20, -7};
    }
    constexpr double kPoints = 1'000'000;
    p.rotationsToMake = static_cast<float>(kPoints / pointsPerRevolution(p));
    TraceOptions options;
    options.mayUseSecondThread = false;
    TracedCurve curve;
    clearUpperVectorState();
    for (auto _ : state) {
        traceCurve(p, curve, options);
        benchmark::DoNotOptimize(curve.fillPath().data());
    }
    setPointCounter(state, curve.pointCount());
}

// An on-screen view of 1000 by 1000 showing a design with one red pen.
void setUpView(Rotagraph& view, const Design& d, float penWidth)
{
    view.resize(1000, 1000);
    view.setAnchorRadius(d.anchor);
    view.setRunnerRadius(d.runner);
    view.setPenHoleRadius(d.pen);
    view.setRotationsToMake(d.revolutions);
    view.setPenColor(Qt::red);
    view.setNumberOfColors(1);
    view.setPenDrawSize(penWidth);
}

// A redraw of the on-screen view at 1000 by 1000, antialiased, as the view draws a changed
// design at once, on one thread (its pen colour changes every time, so nothing is kept).
void traceAndRender(benchmark::State& state)
{
    Rotagraph view;
    setUpView(view, designAt(state.range(0)), static_cast<float>(state.range(1)));
    view.actualSize();   // as the view drew before it could fit a design to the window
    bool red = true;
    for (auto _ : state) {
        red = !red;
        view.setPenColor(red ? Qt::red : Qt::darkRed);
        view.finishDrawing();
    }
    setPointCounter(state, view.lastDrawingPointCount());
}

// A repaint after the user zoomed: the same design at another scale. Alternates between zooming
// in and out, so that no two repaints in a row are at the same scale.
void repaintAtChangedZoom(benchmark::State& state)
{
    Rotagraph view;
    setUpView(view, designAt(state.range(0)), 1);
    bool zoomIn = true;
    for (auto _ : state) {
        zoomIn ? view.zoomIn() : view.zoomOut();
        zoomIn = !zoomIn;
        view.finishDrawing();
    }
    setPointCounter(state, view.lastDrawingPointCount());
}

}

// Wall-clock time: a long trace runs on two threads.
BENCHMARK(traceOnly)->ArgName("design")->Arg(0)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(traceOnePath)
    ->ArgNames({"design", "path"})
    ->ArgsProduct({{1, 2},
                   {static_cast<int64_t>(TracePath::Scalar), static_cast<int64_t>(TracePath::Avx2),
                    static_cast<int64_t>(TracePath::Avx512)}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(traceNestedWheels)->ArgName("nested")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(traceColdOrWarm)->ArgName("reused")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(traceAndRender)
    ->ArgNames({"design", "width"})
    ->ArgsProduct({{0, 1}, {1, 3}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(repaintAtChangedZoom)->ArgName("design")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

namespace {

// The picture the drawing benchmarks draw into: a window's view.
const QSize kPicture(1000, 800);

// A design with one red pen of the given width, filled yellow or not.
ArtParameters redPen(const Design& d, int64_t penWidth, bool fill)
{
    ArtParameters art;
    art.anchorRadius = d.anchor;
    art.runnerRadius = d.runner;
    art.penHoleRadius = d.pen;
    art.rotationsToMake = d.revolutions;
    art.penColor = Qt::red;
    art.numberOfColors = 1;
    art.penDrawSize = static_cast<float>(penWidth);
    art.fillShape = fill;
    art.fillColor = Qt::yellow;
    return art;
}

// The design fitted to kPicture, as the window's view fits it.
QTransform fittedToThePicture(const ArtParameters& art)
{
    const double scale = ViewZoom::fitScale(kPicture, {boundingRadius(art), art.penDrawSize});
    return QTransform(scale, 0, 0, -scale, kPicture.width() / 2.0, kPicture.height() / 2.0);
}

// The on-screen picture of a design, drawn by the view's routine with its pens stroked by one
// band or by one thread per processor.
// Times the picture of `art` fitted to kPicture, its pens stroked by `bands` threads.
void timePicture(benchmark::State& state, const ArtParameters& art, int bands)
{
    QImage image(kPicture, QImage::Format_ARGB32_Premultiplied);
    const QTransform transform = fittedToThePicture(art);
    DrawingBuffers buffers;
    DrawingControl control;
    control.buffers = &buffers;
    std::size_t points = 0;
    for (auto _ : state) {
        image.fill(Qt::transparent);
        points = paintDesignInBands(image, art, transform, bands, control).pointCount;
    }
    setPointCounter(state, points);
}

void pictureInBands(benchmark::State& state)
{
    timePicture(state, redPen(designAt(state.range(0)), state.range(1), state.range(3) != 0),
                static_cast<int>(state.range(2)));
}

// Colour along the curve against one colour, on one thread: the heavy design in one red pen
// (colours 0), a five-stop gradient run ten times along it (1), or a colour per revolution,
// blended (2).
void colourAlongTheCurve(benchmark::State& state)
{
    ArtParameters art = redPen(designAt(state.range(0)), state.range(1), false);
    if (state.range(2) != 0) {
        art.colouring.mode = state.range(2) == 1 ? ColourMode::Gradient : ColourMode::PerRevolution;
        art.colouring.stops = {{0, Qt::red}, {0.25, QColor(255, 160, 0)}, {0.5, Qt::darkGreen}, {0.75, Qt::blue},
                               {1, QColor(120, 0, 140)}};
        art.colouring.repeat = 10;
        art.colouring.blend = true;
    }
    timePicture(state, art, 1);
}

}

BENCHMARK(colourAlongTheCurve)
    ->ArgNames({"design", "width", "colours"})
    ->ArgsProduct({{1}, {1, 3}, {0, 1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(pictureInBands)
    ->ArgNames({"design", "width", "bands", "fill"})
    ->Args({1, 3, 1, 0})
    ->Args({1, 3, 2, 0})
    ->Args({2, 1, 1, 0})
    ->Args({2, 1, 2, 0})
    ->Args({2, 3, 1, 0})
    ->Args({2, 3, 2, 0})
    ->Args({2, 1, 2, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

namespace {

// How soon a drawing made stale stops: a worker draws the design at the budget, and after the
// given time it is told to stop; the time until it has stopped is what is reported.
void stopsWhenStale(benchmark::State& state)
{
    const ArtParameters art = redPen(designAt(2), state.range(1), state.range(2) != 0);
    const QTransform transform = fittedToThePicture(art);
    for (auto _ : state) {
        QImage image(kPicture, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        std::atomic<bool> cancelled{false};
        DrawingControl control;
        control.cancelled = &cancelled;
        std::thread worker([&] { paintDesignInBands(image, art, transform, 2, control); });
        std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
        const auto told = std::chrono::steady_clock::now();
        cancelled = true;
        worker.join();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - told).count());
    }
}

}

// Told after 5 ms (tracing), 150 ms (stroking, or filling).
BENCHMARK(stopsWhenStale)
    ->ArgNames({"afterMs", "width", "fill"})
    ->Args({5, 1, 0})
    ->Args({150, 1, 0})
    ->Args({150, 3, 0})
    ->Args({150, 20, 0})
    ->Args({150, 1, 1})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
