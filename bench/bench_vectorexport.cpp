// What a vector export costs, from the design to the file on disk: the SVG of the heavy design
// (about 375,000 points) with every point and simplified, the SVG of a design at the trace's
// point budget, and the PDF of the heavy design. The file's size is reported beside the time.

#include "art/Rotagraph.h"
#include "output/VectorExport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr float kHeavyRevolutions = 60;
constexpr float kBudgetRevolutions = 700;   // 6284 points a revolution: cut at the budget
constexpr double kSizeMm = 200;
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

void exportDesign(benchmark::State& state, float revolutions, VectorFormat format)
{
    Rotagraph art;
    setDesign(art, revolutions);
    const QTemporaryDir folder;
    VectorExportSettings settings;
    settings.target = folder.filePath(format == VectorFormat::Svg ? QStringLiteral("art.svg") : QStringLiteral("art.pdf"));
    settings.sizeMm = kSizeMm;
    settings.simplifyToleranceMm = double(state.range(0)) / kMicrometresPerMillimetre;
    QString error;
    for (auto _ : state)
        if (!exportVector(art.parameters(), format, settings, &error))
            state.SkipWithError(qPrintable(error));
    state.counters["file_MB"] = double(QFileInfo(settings.target).size()) / 1e6;
}

void svgHeavy(benchmark::State& state)
{
    exportDesign(state, kHeavyRevolutions, VectorFormat::Svg);
}

void svgAtPointBudget(benchmark::State& state)
{
    exportDesign(state, kBudgetRevolutions, VectorFormat::Svg);
}

void pdfHeavy(benchmark::State& state)
{
    exportDesign(state, kHeavyRevolutions, VectorFormat::Pdf);
}

}

BENCHMARK(svgHeavy)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(svgAtPointBudget)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond);
BENCHMARK(pdfHeavy)->Arg(0)->Unit(benchmark::kMillisecond);
