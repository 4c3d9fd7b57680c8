// What a vector export costs, from the design to the file on disk, on an A4 page: the SVG of the
// heavy design (about 375,000 points) with every point and simplified by the default 0.05 mm,
// filled and hatched every millimetre, the SVG of a design at the trace's point budget, and the
// PDF of the heavy design, and its SVG coloured by a gradient of 5 stops repeated 10 times; then a
// composition of 16 heavy curves, each turned, as SVG and PDF.
// The file's size is reported beside the time.
// And what the window feels of it: a large design exported and printed to a PDF file as the
// window does it, the longest the main thread went without a turn of its event loop beside the
// whole time.

#include "art/CurveColouring.h"
#include "view/Rotagraph.h"
#include "output/Printing.h"
#include "output/VectorExport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#include <benchmark/benchmark.h>

namespace {

constexpr float kHeavyRevolutions = 60;
constexpr float kBudgetRevolutions = 700;   // 6284 points a revolution: cut at the budget
// The argument is the simplification tolerance in micrometres.
constexpr double kMicrometresPerMillimetre = 1000;

void setDesign(Rotagraph& view, float revolutions)
{
    view.setAnchorRadius(500);
    view.setRunnerRadius(3);
    view.setPenHoleRadius(2);
    view.setRotationsToMake(revolutions);
    view.setPenColor(Qt::red);
    view.setNumberOfColors(1);
    view.setPenDrawSize(1);
}

// `curves` copies of the design, each turned a little further than the one before.
Composition turnedCopies(const ArtParameters& design, int curves)
{
    Composition composition;
    for (int i = 0; i < curves; ++i) {
        ComposedCurve curve;
        curve.art = design;
        curve.name = QStringLiteral("Curve %1").arg(i + 1);
        curve.turn = 360.0 * i / curves;
        composition.curves.push_back(curve);
    }
    return composition;
}

void exportDesign(benchmark::State& state, float revolutions, VectorFormat format, int curves = 1, bool hatched = false,
                  const CurveColouring& colouring = {})
{
    Rotagraph art;
    setDesign(art, revolutions);
    art.setColouring(colouring);
    art.setFillShape(hatched);
    art.setFillColor(Qt::yellow);
    const Composition composition = turnedCopies(art.parameters(), curves);
    const QTemporaryDir folder;
    VectorExportSettings settings;
    settings.target = folder.filePath(format == VectorFormat::Svg ? QStringLiteral("art.svg") : QStringLiteral("art.pdf"));
    settings.plot.simplifyToleranceMm = double(state.range(0)) / kMicrometresPerMillimetre;
    settings.plot.fill = hatched ? FillStyle::Hatch : FillStyle::Solid;
    QString error;
    for (auto _ : state)
        if (!exportVector(composition, format, settings, &error))
            state.SkipWithError(qPrintable(error));
    state.counters["file_MB"] = double(QFileInfo(settings.target).size()) / 1e6;
}

// The design that took the window about 10 s to export as a PDF while it answered nothing.
Composition largeDesign()
{
    ArtParameters design;
    design.anchorRadius = 160;
    design.runnerRadius = 71.3f;
    design.penHoleRadius = 53;
    design.rotationsToMake = 20000;
    design.penDrawSize = 1;
    design.penColor = Qt::red;
    design.numberOfColors = 1;
    return turnedCopies(design, 1);
}

// The longest wait between two turns of the main thread's event loop while it lives, as a 1 ms
// timer on that thread sees it: the gap between its ticks, and up to the end.
class StallMeter
{
public:
    StallMeter()
    {
        m_ticks.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_ticks, &QTimer::timeout, [this] { tick(); });
        m_clock.start();
        m_ticks.start(1);
    }

    double longestMilliseconds()
    {
        tick();
        return double(m_longest) / 1e6;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_ticks;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

enum Output { Svg, Pdf, Print };

// One output of the large design, from the window's event loop, as the export dialog or the
// print dialog starts it.
void windowWhileWriting(benchmark::State& state)
{
    QWidget window;
    window.resize(800, 600);
    window.show();
    const QTemporaryDir folder;
    const auto output = static_cast<Output>(state.range(0));
    const QString target = folder.filePath(output == Svg ? QStringLiteral("art.svg") : QStringLiteral("art.pdf"));
    VectorExportSettings settings;
    settings.target = target;
    settings.title = QStringLiteral("art");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(target);
    double longestStall = 0;
    for (auto _ : state) {
        StallMeter meter;
        QString error;
        const bool written = output == Print ? printWithProgress(&window, largeDesign(), printer, &error)
                                             : exportVectorWithProgress(&window, largeDesign(), output == Svg ? VectorFormat::Svg : VectorFormat::Pdf,
                                                                        settings, &error);
        longestStall = std::max(longestStall, meter.longestMilliseconds());
        if (!written)
            state.SkipWithError(qPrintable(error));
    }
    state.counters["longest_stall_ms"] = longestStall;
    state.counters["file_MB"] = double(QFileInfo(target).size()) / 1e6;
}

void svgHeavy(benchmark::State& state)
{
    exportDesign(state, kHeavyRevolutions, VectorFormat::Svg);
}

void svgHeavyHatched(benchmark::State& state)
{
    exportDesign(state, kHeavyRevolutions, VectorFormat::Svg, 1, true);
}

// A rainbow run ten times along the line: 2560 colour steps.
void svgHeavyGradient(benchmark::State& state)
{
    constexpr int kRuns = 10;
    CurveColouring rainbow;
    rainbow.mode = ColourMode::Gradient;
    rainbow.stops = {{0, QColor(255, 0, 0)}, {0.25, QColor(255, 200, 0)}, {0.5, QColor(0, 170, 0)},
                     {0.75, QColor(0, 0, 255)}, {1, QColor(140, 0, 200)}};
    rainbow.repeat = kRuns;
    exportDesign(state, kHeavyRevolutions, VectorFormat::Svg, 1, false, rainbow);
}

void svgAtPointBudget(benchmark::State& state)
{
    exportDesign(state, kBudgetRevolutions, VectorFormat::Svg);
}

void pdfHeavy(benchmark::State& state)
{
    exportDesign(state, kHeavyRevolutions, VectorFormat::Pdf);
}

constexpr int kManyCurves = 16;

void svgSixteenHeavyCurves(benchmark::State& state)
{
    exportDesign(state, kHeavyRevolutions, VectorFormat::Svg, kManyCurves);
}

void pdfSixteenHeavyCurves(benchmark::State& state)
{
    exportDesign(state, kHeavyRevolutions, VectorFormat::Pdf, kManyCurves);
}

}

BENCHMARK(svgHeavy)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(svgHeavyGradient)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(svgAtPointBudget)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(svgHeavyHatched)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(pdfHeavy)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(svgSixteenHeavyCurves)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(pdfSixteenHeavyCurves)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(windowWhileWriting)->ArgName("svg_pdf_print")->Arg(Svg)->Arg(Pdf)->Arg(Print)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
