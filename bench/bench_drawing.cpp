// What the window costs its user while it draws, in the real window on the offscreen platform
// with a 1000 × 800 view: how long the main thread stops answering during a drag of the width
// slider, how long a repaint of an unchanged design takes, how long a change takes to show its
// finished picture, and the memory a drawing at the point budget takes. The drag is measured on
// a quiet machine and again with every processor kept busy by processes of lower priority, as
// a build or a browser beside the window keeps them: a stall that only shows under load is
// still one the user feels.
//
// It uses only what every version of the window has (the controller, its controls, the view
// and its drawn signal), so that it measures an older build the same way.

#include "app/AppDelegate.h"
#if __has_include("widgets/ColouringControls.h")
#include "widgets/ColouringControls.h"
#endif
#include "bench/ProcessMemory.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QMainWindow>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

const QSize kViewSize(1000, 800);
constexpr int kHeartbeatMs = 2;
constexpr int kDragSteps = 20;
constexpr int kDragStepMs = 30;       // a slider moved by hand: a step every few frames
constexpr int kPatienceMs = 120'000;  // the longest any drawing here may take

struct Design {
    const char* anchor;
    const char* runner;
    const char* pen;
    const char* revolutions;
};

constexpr Design kDefault{"160", "72", "53", "9"};
constexpr Design kHeavy{"500", "3", "2", "60"};             // 375,308 points
constexpr Design kAtTheBudget{"500", "3", "2", "700"};     // 4,194,304 points

const Design& designAt(int64_t index)
{
    switch (index) {
    case 0: return kDefault;
    case 1: return kHeavy;
    default: return kAtTheBudget;
    }
}

void setField(NumberField* field, const char* text)
{
    field->setText(QString::fromLatin1(text));
    emit field->numberEdited();
}

// A window with the view at kViewSize, showing a design drawn in full.
class Session
{
public:
    // `gradient`: the pens coloured along the curve by a five-stop gradient run ten times.
    Session(const Design& design, float penWidth, bool fill, bool gradient = false)
    {
        app.applicationDidFinishLaunching();
        QMainWindow* window = app.mainWindow();
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            qWarning("the window did not show");
        window->resize(window->size() + kViewSize - app.artView()->size());
        QTest::qWait(50);
        if (app.confinePen()->isChecked())
            app.confinePen()->click();
        setField(app.anchorRadiusInput(), design.anchor);
        setField(app.runnerRadiusInput(), design.runner);
        setField(app.penRadiusInput(), design.pen);
        setField(app.revolutionsInput(), design.revolutions);
        if (fill != app.fillCheckbox()->isChecked())
            app.fillCheckbox()->click();
        app.penWidthSlider()->setFloatValue(penWidth);
#if __has_include("widgets/ColouringControls.h")
        if (gradient) {
            CurveColouring colouring;
            colouring.mode = ColourMode::Gradient;
            colouring.stops = {{0, Qt::red}, {0.25, QColor(255, 160, 0)}, {0.5, Qt::darkGreen}, {0.75, Qt::blue},
                               {1, QColor(120, 0, 140)}};
            colouring.repeat = 10;
            app.colouringControls()->setColouring(colouring);
        }
#endif
#if __has_include("view/ViewZoom.h") || __has_include("view/ViewZoom.h")
        // One unit per point, as every version of the view draws: the same work for each.
        app.artView()->actualSize();
#endif
        app.drawNow();
        waitForPicture();
    }

    // Waits for the picture of the design as it stands.
    bool waitForPicture()
    {
        bool shown = false;
        const QMetaObject::Connection c = QObject::connect(app.artView(), &Rotagraph::drawn, [&] { shown = true; });
        app.artView()->update();
        QElapsedTimer waited;
        waited.start();
        while (!shown && waited.elapsed() < kPatienceMs)
            QTest::qWait(1);
        QObject::disconnect(c);
        return shown;
    }

    AppDelegate app;
};

// Processes that keep every processor busy while they live, each at a lower priority than the
// window's (nice 10), as other work on the machine does.
class BusyProcessors
{
public:
    explicit BusyProcessors(int count)
    {
        for (int i = 0; i < count; ++i) {
            auto spinner = std::make_unique<QProcess>();
            spinner->start(QStringLiteral("nice"), {QStringLiteral("-n"), QStringLiteral("10"), QStringLiteral("sh"),
                                                    QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
            if (spinner->waitForStarted())
                m_spinners.push_back(std::move(spinner));
            else
                qWarning("a busy process did not start");
        }
    }
    ~BusyProcessors()
    {
        for (const auto& spinner : m_spinners) {
            spinner->kill();
            spinner->waitForFinished();
        }
    }
    BusyProcessors(const BusyProcessors&) = delete;
    BusyProcessors& operator=(const BusyProcessors&) = delete;

private:
    std::vector<std::unique_ptr<QProcess>> m_spinners;
};

// How the calling thread spent its time so far: on a processor, and runnable but waiting for
// one. Linux keeps both for each thread; what is neither was spent asleep or blocked.
class ThreadTimes
{
public:
    struct Reading {
        qint64 runningNs = 0;
        qint64 queuedNs = 0;
    };

    ThreadTimes() : m_file(::open("/proc/thread-self/schedstat", O_RDONLY)) {}
    ~ThreadTimes()
    {
        if (m_file >= 0)
            ::close(m_file);
    }
    ThreadTimes(const ThreadTimes&) = delete;
    ThreadTimes& operator=(const ThreadTimes&) = delete;

    Reading read() const
    {
        char text[128] = {};
        if (m_file < 0 || ::pread(m_file, text, sizeof text - 1, 0) <= 0)
            return {};
        const QList<QByteArray> fields = QByteArray(text).simplified().split(' ');
        return {fields.value(0).toLongLong(), fields.value(1).toLongLong()};
    }

private:
    int m_file;
};

// A drag of the pen width slider over a design at the budget, replayed as a hand moves: the
// slider goes where the hand is when the window gets to it, so a window that is busy drawing
// skips positions. Reports the event loop's longest stall, seen by a 2 ms heartbeat, how much of
// it the window's thread spent working and how much waiting for a processor (the rest it was
// blocked), the longest it worked between two beats, and how many of the positions were applied. With `busy` set, every processor is kept busy from the start
// of the drag to its finished picture.
void dragOverABudgetDesign(benchmark::State& state)
{
    const bool fill = state.range(0) != 0;
    const bool busy = state.range(1) != 0;
    for (auto _ : state) {
        Session session(kAtTheBudget, 3, fill, state.range(2) != 0);
        const BusyProcessors others(busy ? QThread::idealThreadCount() : 0);
        FloatSlider* slider = session.app.penWidthSlider();
        const int from = slider->value();

        QElapsedTimer clock;
        clock.start();
        qint64 lastBeat = 0;
        qint64 longestStall = 0;
        const ThreadTimes times;
        ThreadTimes::Reading lastTimes = times.read();
        ThreadTimes::Reading inLongestStall;
        qint64 longestWorkNs = 0;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            const ThreadTimes::Reading timesNow = times.read();
            const ThreadTimes::Reading spent{timesNow.runningNs - lastTimes.runningNs,
                                             timesNow.queuedNs - lastTimes.queuedNs};
            if (now - lastBeat > longestStall) {
                longestStall = now - lastBeat;
                inLongestStall = spent;
            }
            longestWorkNs = std::max(longestWorkNs, spent.runningNs);
            lastBeat = now;
            lastTimes = timesNow;
        });
        int applied = 0;
        QTimer hand;
        hand.setTimerType(Qt::PreciseTimer);
        QObject::connect(&hand, &QTimer::timeout, [&] {
            const int step = std::min<int>(kDragSteps, int(clock.elapsed() / kDragStepMs) + 1);
            if (from + step != slider->value()) {
                slider->setValue(from + step);   // as a drag moves it: valueChanged, then drawn
                ++applied;
            }
        });
        heartbeat.start(kHeartbeatMs);
        hand.start(kHeartbeatMs);
        while (slider->value() != from + kDragSteps && clock.elapsed() < kPatienceMs)
            QTest::qWait(1);
        const qint64 dragEnded = clock.elapsed();
        hand.stop();
        session.waitForPicture();
        const qint64 pictureShown = clock.elapsed();
        heartbeat.stop();

        state.SetIterationTime(double(pictureShown) / 1000);
        state.counters["longestStallMs"] = double(longestStall);
        state.counters["stallWorkingMs"] = double(inLongestStall.runningNs) / 1e6;
        state.counters["stallQueuedMs"] = double(inLongestStall.queuedNs) / 1e6;
        state.counters["longestWorkMs"] = double(longestWorkNs) / 1e6;
        state.counters["applied"] = applied;
        state.counters["finalPictureAfterDragMs"] = double(pictureShown - dragEnded);
    }
}

// A repaint of a design whose picture is finished: what an expose costs.
void exposeRepaint(benchmark::State& state)
{
    Session session(designAt(state.range(0)), float(state.range(1)), false);
    Rotagraph* view = session.app.artView();
    for (auto _ : state)
        view->repaint();
}

// From a change of the design (its pen colour, which needs a new trace nowhere but in this
// view) to its finished picture on screen.
void changeToFinishedPicture(benchmark::State& state)
{
    const bool fill = state.range(2) != 0;
    Session session(designAt(state.range(0)), float(state.range(1)), fill);
    Rotagraph* view = session.app.artView();
    bool red = true;
    for (auto _ : state) {
        red = !red;
        view->setPenColor(red ? Qt::red : Qt::darkRed);
        QElapsedTimer clock;
        clock.start();
        if (!session.waitForPicture())
            state.SkipWithError("no picture");
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}

// The worst design the controls make: the point budget with a 20 pt pen and the fill. From a
// change to its finished picture.
void worstDesign(benchmark::State& state)
{
    Session session(kAtTheBudget, 20, true);
    Rotagraph* view = session.app.artView();
    for (auto _ : state) {
        view->setPenColor(Qt::darkRed);
        QElapsedTimer clock;
        clock.start();
        if (!session.waitForPicture())
            state.SkipWithError("no picture");
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}

// The memory a drawing at the budget takes above the process before it, at its peak.
void peakMemoryOfABudgetDrawing(benchmark::State& state)
{
    const bool fill = state.range(0) != 0;
    for (auto _ : state) {
        Session session(kDefault, 1, fill);
        QTest::qWait(100);
        const double idle = residentMegabytes("VmRSS:");
        resetPeakMemory();
        // One change to the budget design, straight into the view: one drawing.
        Rotagraph* view = session.app.artView();
        view->setAnchorRadius(QByteArray(kAtTheBudget.anchor).toFloat());
        view->setRunnerRadius(QByteArray(kAtTheBudget.runner).toFloat());
        view->setPenHoleRadius(QByteArray(kAtTheBudget.pen).toFloat());
        view->setRotationsToMake(QByteArray(kAtTheBudget.revolutions).toFloat());
        QElapsedTimer clock;
        clock.start();
        session.waitForPicture();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        state.counters["idleMB"] = idle;
        state.counters["peakAboveIdleMB"] = residentMegabytes("VmHWM:") - idle;
    }
}

}

BENCHMARK(dragOverABudgetDesign)
    ->ArgNames({"fill", "busy", "gradient"})
    ->Args({0, 0, 0})
    ->Args({1, 0, 0})
    ->Args({0, 1, 0})
    ->Args({1, 1, 0})
    ->Args({0, 0, 1})
    ->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(exposeRepaint)->ArgNames({"design", "width"})->Args({0, 1})->Args({2, 3})->Unit(benchmark::kMillisecond);
BENCHMARK(changeToFinishedPicture)
    ->ArgNames({"design", "width", "fill"})
    ->Args({0, 1, 0})
    ->Args({1, 3, 0})
    ->Args({2, 1, 0})
    ->Args({2, 3, 0})
    ->Args({2, 1, 1})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(worstDesign)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(peakMemoryOfABudgetDrawing)->ArgName("fill")->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
