// What one export of a 5000-pixel image costs, and where the time goes: the rendering, the PNG
// encoding, and the whole way from the confirmed dialog to the file on disk. The design is the
// heaviest that the revolution limit lets through: about 375,000 points; a composition of 16
// such curves, each turned, is rendered too. The encoding is set beside Qt's own PNG writer, at
// zlib's fastest level (as the export used it) and at its default level, whose file size the
// export's encoder must not exceed.

#include "app/AppDelegate.h"
#include "output/ExportDialog.h"
#include "output/PngEncoding.h"
#include "output/PngExport.h"
#include "output/SafeWrite.h"
#include "output/SaveOptions2.h"

#include <QBuffer>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QImageWriter>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kEdge = kMaximumImageEdge;
constexpr bool kEnlarge = true;

// The heavy design, with the pen width given as the benchmark's argument.
void setHeavyDesign(Rotagraph& view, int64_t penWidth)
{
    view.setAnchorRadius(500);
    view.setRunnerRadius(3);
    view.setPenHoleRadius(2);
    view.setRotationsToMake(60);
    view.setPenColor(Qt::red);
    view.setNumberOfColors(1);
    view.setPenDrawSize(static_cast<float>(penWidth));
}

void render(benchmark::State& state)
{
    Rotagraph art;
    setHeavyDesign(art, state.range(0));
    for (auto _ : state) {
        const QImage image = renderExportImage(art.composition(), kEdge, kEnlarge, false);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// 16 copies of the heavy design, each turned a little further than the one before.
void renderSixteenCurves(benchmark::State& state)
{
    constexpr int kCurves = 16;
    Rotagraph art;
    setHeavyDesign(art, state.range(0));
    Composition composition;
    for (int i = 0; i < kCurves; ++i) {
        ComposedCurve curve;
        curve.art = art.parameters();
        curve.turn = 360.0 * i / kCurves;
        composition.curves.push_back(curve);
    }
    for (auto _ : state) {
        const QImage image = renderExportImage(composition, kEdge, kEnlarge, false);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void encode(benchmark::State& state)
{
    Rotagraph art;
    setHeavyDesign(art, state.range(0));
    const QImage image = renderExportImage(art.composition(), kEdge, kEnlarge, false);
    QString error;
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray png = encodePng(image, &error);
        if (png.isEmpty())
            state.SkipWithError(qPrintable(error));
        bytes = png.size();
    }
    state.counters["png_bytes"] = static_cast<double>(bytes);
}

// The export's encoder on a given number of threads.
void encodeOnThreads(benchmark::State& state)
{
    Rotagraph art;
    setHeavyDesign(art, state.range(0));
    const QImage image = renderExportImage(art.composition(), kEdge, kEnlarge, false);
    PngEncodingOptions options;
    options.threads = static_cast<int>(state.range(1));
    QString error;
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray png = encodePngImage(image, options, &error);
        if (png.isEmpty())
            state.SkipWithError(qPrintable(error));
        bytes = png.size();
    }
    state.counters["png_bytes"] = static_cast<double>(bytes);
}

// Qt's PNG writer at a compression on its scale of 0 to 100: 11 is zlib's level 1, -1 zlib's
// default level.
void encodeWithImageWriter(benchmark::State& state)
{
    Rotagraph art;
    setHeavyDesign(art, state.range(0));
    const QImage image = renderExportImage(art.composition(), kEdge, kEnlarge, false);
    qsizetype bytes = 0;
    for (auto _ : state) {
        QBuffer encoded;
        encoded.open(QIODevice::WriteOnly);
        QImageWriter writer(&encoded, QByteArrayLiteral("png"));
        writer.setCompression(static_cast<int>(state.range(1)));
        if (!writer.write(image))
            state.SkipWithError(qPrintable(writer.errorString()));
        bytes = encoded.data().size();
    }
    state.counters["png_bytes"] = static_cast<double>(bytes);
}

void write(benchmark::State& state)
{
    Rotagraph art;
    setHeavyDesign(art, state.range(0));
    QString error;
    const QByteArray png = encodePng(renderExportImage(art.composition(), kEdge, kEnlarge, false), &error);
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("art.png"));
    for (auto _ : state)
        if (!writeFileSafely(path, png, &error))
            state.SkipWithError(qPrintable(error));
}

// From the user's confirmation in the real dialog to the file on disk.
void exportFromDialog(benchmark::State& state)
{
    AppDelegate app;
    app.applicationDidFinishLaunching();
    setHeavyDesign(*app.artView(), state.range(0));
    app.wheelGrease()->setChecked(false);
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("art.png"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);   // a file already there would make the dialog ask first
        QFileDialog* dialog = openPngExportDialog(app.mainWindow(), {app.artView()->composition(), app.artView()->selectedCurve(), false, {}});
        dialog->selectFile(path);
        dialog->findChild<QComboBox*>(QStringLiteral("savePixelSize"))->setCurrentText(QString::number(kEdge));
        state.ResumeTiming();
        dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save)->click();
        state.PauseTiming();
        if (!QFile::exists(path))
            state.SkipWithError("no file was written");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

}

BENCHMARK(render)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(renderSixteenCurves)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(2);
// The encoders' time on the clock, and their processor time on every thread they use.
BENCHMARK(encode)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(encodeOnThreads)->ArgsProduct({{1, 3}, {1, 2}})->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(encodeWithImageWriter)->ArgsProduct({{1, 3}, {11, -1}})->Unit(benchmark::kMillisecond)->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(write)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(exportFromDialog)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(3);
