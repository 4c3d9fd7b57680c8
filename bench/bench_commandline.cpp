// The shell's throughput: the gallery drawn into 2000-pixel PNGs by `rotagraph --export`, one
// process after another, and one process per processor at a time, as a job runner (a shell loop,
// xargs -P, a batch system's array job) would run it. Reports designs per second.

#include "app/Design.h"
#include "app/DesignFormat.h"

#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

QStringList galleryFiles()
{
    const QDir gallery(QStringLiteral(ROTAGRAPH_GALLERY));
    QStringList files;
    for (const QString& name : gallery.entryList({QStringLiteral("*.rotagraph")}, QDir::Files, QDir::Name))
        files << gallery.filePath(name);
    return files;
}

// Exports every file, `atOnce` processes running at a time.
void exportGallery(benchmark::State& state)
{
    const int atOnce = state.range(0) == 0 ? QThread::idealThreadCount() : int(state.range(0));
    const QStringList files = galleryFiles();
    QTemporaryDir output;
    for (auto _ : state) {
        std::vector<std::unique_ptr<QProcess>> running;
        qsizetype next = 0;
        int failed = 0;
        while (next < files.size() || !running.empty()) {
            while (next < files.size() && int(running.size()) < atOnce) {
                auto process = std::make_unique<QProcess>();
                process->start(QStringLiteral(ROTAGRAPH_BINARY),
                               {QStringLiteral("--export"), output.filePath(QString::number(next) + QStringLiteral(".png")),
                                QStringLiteral("--size"), QStringLiteral("2000"), QStringLiteral("--enlarge"),
                                files[next]});
                running.push_back(std::move(process));
                ++next;
            }
            running.front()->waitForFinished(-1);
            failed += running.front()->exitCode() != 0;
            running.erase(running.begin());
        }
        if (failed > 0)
            state.SkipWithError("an export failed");
    }
    state.counters["designs_per_second"] = benchmark::Counter(double(files.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["processes"] = atOnce;
}

// 64 curves, each filled, at 100,000 revolutions, each a little larger and turned a little more.
QByteArray heavyDesign()
{
    Design design;
    design.curves.clear();
    for (int i = 0; i < Design::kMaximumCurves; ++i) {
        CurveDesign curve;
        curve.name = curveName(i + 1);
        curve.anchorRadius = QString::number(100 + i);
        curve.runnerRadius = QString::number(37 + i * 0.7);
        curve.revolutions = QStringLiteral("100000");
        curve.fillShape = true;
        curve.fillColor = QColor(255, 204, 0, 128);
        curve.turn = i * 5.625;
        design.curves << curve;
    }
    return designToJson(design);
}

// The program run once with `arguments`, waited for alone, so that its own use of the machine
// is what is told.
rusage runAlone(const QStringList& arguments, int* status)
{
    std::vector<QByteArray> bytes{QByteArrayLiteral(ROTAGRAPH_BINARY)};
    for (const QString& argument : arguments)
        bytes.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    rusage usage{};
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0 || wait4(child, status, 0, &usage) < 0)
        *status = -1;
    return usage;
}

void thumbnailOfHeavyDesign(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString design = folder.filePath(QStringLiteral("heavy.rotagraph"));
    QFile file(design);
    file.open(QIODevice::WriteOnly);
    file.write(heavyDesign());
    file.close();
    double cpu = 0;
    double peak = 0;
    for (auto _ : state) {
        int status = 0;
        const rusage usage = runAlone({QStringLiteral("--thumbnail"), design, folder.filePath(QStringLiteral("t.png")),
                                       QStringLiteral("--size"), QString::number(state.range(0))},
                                      &status);
        if (status != 0)
            state.SkipWithError("the thumbnail failed");
        cpu = std::max(cpu, double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                                + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
        peak = std::max(peak, double(usage.ru_maxrss) / 1024);
    }
    state.counters["cpu_seconds"] = cpu;
    state.counters["peak_MB"] = peak;
}

}

BENCHMARK(thumbnailOfHeavyDesign)->ArgName("edge")->Arg(256)->Arg(1024)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);

// 1: one process after another; 0: one per processor.
BENCHMARK(exportGallery)->ArgName("atOnce")->Arg(1)->Arg(0)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
