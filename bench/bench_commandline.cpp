// The shell's throughput: the gallery drawn into 2000-pixel PNGs by `rotagraph --export`, one
// process after another, and one process per processor at a time, as a job runner (a shell loop,
// xargs -P, a batch system's array job) would run it. Reports designs per second.

#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

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

}

// 1: one process after another; 0: one per processor.
BENCHMARK(exportGallery)->ArgName("atOnce")->Arg(1)->Arg(0)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
