// How soon the window is painted after the program starts, against a minimal Qt Widgets window
// (a main window with a label) started the same way: each is this program started anew, as a
// process of its own, timed from the start to the moment its window is first painted.
//
//   bench_startup            runs each kind 15 times, alternating, and prints the medians
//   bench_startup --rounds N

#include "app/AppDelegate.h"
#include "app/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QPaintEvent>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kDefaultRounds = 15;
const char* const kRotagraph = "--child-rotagraph";
const char* const kMinimal = "--child-minimal";
const char* const kPainted = "painted";

// Says so, once, when the watched widget is first painted, and ends the program.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_told) {
            m_told = true;
            QMetaObject::invokeMethod(qApp, [] {
                std::fputs(kPainted, stdout);
                std::fflush(stdout);
                QApplication::exit(0);
            }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_told = false;
};

// As app/main.cpp starts the program, up to the first paint of the drawing.
int runRotagraph(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rotagraph"));
    QApplication::setOrganizationName(QStringLiteral("Rotagraph"));
    FirstPaint firstPaint;
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    delegate.artView()->installEventFilter(&firstPaint);
    delegate.mainWindow()->show();
    return application.exec();
}

int runMinimal(int argc, char* argv[])
{
    QApplication application(argc, argv);
    FirstPaint firstPaint;
    QMainWindow window;
    auto* label = new QLabel(QStringLiteral("A minimal window"));
    window.setCentralWidget(label);
    label->installEventFilter(&firstPaint);
    window.show();
    return application.exec();
}

double launchMilliseconds(const QString& program, const char* kind, const QString& settings)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), settings);   // the user's settings stay untouched
    child.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    child.start(program, {QString::fromLatin1(kind)});
    while (!child.readAllStandardOutput().contains(kPainted)) {
        if (!child.waitForReadyRead(10'000))
            return -1;
    }
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    child.waitForFinished();
    return elapsed;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], kRotagraph) == 0)
        return runRotagraph(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], kMinimal) == 0)
        return runMinimal(argc, argv);

    QCoreApplication application(argc, argv);
    const int rounds = argc > 2 && qstrcmp(argv[1], "--rounds") == 0 ? std::max(1, atoi(argv[2])) : kDefaultRounds;
    const QTemporaryDir settings;
    std::vector<double> rotagraph;
    std::vector<double> minimal;
    for (int round = 0; round < rounds; ++round) {
        minimal.push_back(launchMilliseconds(QCoreApplication::applicationFilePath(), kMinimal, settings.path()));
        rotagraph.push_back(launchMilliseconds(QCoreApplication::applicationFilePath(), kRotagraph, settings.path()));
    }
    const double ours = median(rotagraph);
    const double theirs = median(minimal);
    std::printf("start to first paint, median of %d: Rotagraph %.1f ms, minimal window %.1f ms, ratio %.2f\n", rounds,
                ours, theirs, theirs > 0 ? ours / theirs : 0.0);
    return 0;
}
