// A picture of many curves on screen, in a 1000 × 800 view on the offscreen platform, fitted to
// the window: 16 curves of the heavy design (375,308 points each, some 6 million in all), each
// turned 22.5° further than the one before, against one heavy curve alone in the same run (the
// median of three first pictures). It reports how long the first picture of all of them takes
// to show against one curve's; how long the picture after a change of one curve's colour, and
// of its turn, takes against one curve's first picture (the median of three each); each ratio
// on the clock and on the processors (all the process's threads), which a busy machine disturbs
// less. Then how long each frame of a slow drawing of the last curve takes over the others; the
// memory at the peak above the idle process; and the longest the window's thread stops
// answering while all this is drawn and while a curve is turned by hand: how much of that stall
// it worked, and waited for a processor (the rest it was blocked), and the longest it worked
// between two beats of its event loop.

#include "bench/ProcessMemory.h"
#include "art/Composition.h"
#include "view/Rotagraph.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

const QSize kViewSize(1000, 800);
constexpr int kCurves = 16;
constexpr double kTurnStep = 22.5;
constexpr int kHeartbeatMs = 2;
constexpr int kPatienceMs = 300'000;   // the longest any picture here may take
constexpr int kEditSteps = 20;         // a turn dragged by hand: a step every few frames
constexpr int kEditStepMs = 30;
constexpr int kChangedCurve = 7;
// One curve's first picture and each change are timed this many times, and the median taken:
// a machine busy with other work slows single runs.
constexpr int kRuns = 3;

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The processor time of every thread of the process so far, in milliseconds: beside the wall
// time, a measure that other work on the machine hardly changes.
double processorMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// How long a picture took to show: on the clock, and on the processors.
struct Timing {
    double wallMs = -1;   // negative: it never came
    double processorMs = 0;
};

double medianWall(const std::vector<Timing>& timings)
{
    std::vector<double> wall;
    for (const Timing& t : timings)
        wall.push_back(t.wallMs);
    return median(wall);
}

double medianProcessor(const std::vector<Timing>& timings)
{
    std::vector<double> processor;
    for (const Timing& t : timings)
        processor.push_back(t.processorMs);
    return median(processor);
}

ComposedCurve heavyCurve(int index, float penWidth)
{
    ComposedCurve curve;
    curve.art.anchorRadius = 500;
    curve.art.runnerRadius = 3;
    curve.art.penHoleRadius = 2;
    curve.art.rotationsToMake = 60;
    curve.art.penDrawSize = penWidth;
    curve.art.penColor = QColor::fromHsv(index * 360 / kCurves % 360, 255, 200);
    curve.art.numberOfColors = 1;
    curve.turn = kTurnStep * index;
    return curve;
}

Composition heavyComposition(int curves, float penWidth)
{
    Composition composition;
    for (int i = 0; i < curves; ++i)
        composition.curves.push_back(heavyCurve(i, penWidth));
    return composition;
}

// The longest the event loop went without a beat while it lives, how the window's thread spent
// that stall, and the longest it worked between two beats. Linux keeps for each thread the time
// it spent on a processor and the time it waited, runnable, for one: what is neither it spent
// blocked or asleep. The file is opened once, on the window's thread, and read at each beat
// without a call more than needed: the watch must cost the thread it watches next to nothing.
class StallWatch
{
public:
    struct Times {
        qint64 runningNs = 0;
        qint64 queuedNs = 0;
    };

    StallWatch() : m_schedstat(::open("/proc/thread-self/schedstat", O_RDONLY))
    {
        m_clock.start();
        m_lastTimes = times();
        m_beat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_beat, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            const Times timesNow = times();
            const Times spent{timesNow.runningNs - m_lastTimes.runningNs, timesNow.queuedNs - m_lastTimes.queuedNs};
            if (now - m_last > m_longest) {
                m_longest = now - m_last;
                m_inLongest = spent;
            }
            m_longestWorkNs = std::max(m_longestWorkNs, spent.runningNs);
            m_last = now;
            m_lastTimes = timesNow;
        });
        m_beat.start(kHeartbeatMs);
    }
    ~StallWatch()
    {
        if (m_schedstat >= 0)
            ::close(m_schedstat);
    }
    StallWatch(const StallWatch&) = delete;
    StallWatch& operator=(const StallWatch&) = delete;

    qint64 longestMs() const { return m_longest; }
    // Of the longest stall: the time the thread worked, and the time it waited for a processor.
    double workingInLongestMs() const { return double(m_inLongest.runningNs) / 1e6; }
    double queuedInLongestMs() const { return double(m_inLongest.queuedNs) / 1e6; }
    double longestWorkMs() const { return double(m_longestWorkNs) / 1e6; }

private:
    Times times() const
    {
        char text[96] = {};
        if (m_schedstat < 0 || ::pread(m_schedstat, text, sizeof text - 1, 0) <= 0)
            return {};
        char* end = nullptr;
        const qint64 running = std::strtoll(text, &end, 10);
        return {running, std::strtoll(end, nullptr, 10)};
    }

    int m_schedstat;
    QElapsedTimer m_clock;
    QTimer m_beat;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    Times m_lastTimes;
    Times m_inLongest;
    qint64 m_longestWorkNs = 0;
};

// A view at kViewSize on screen.
struct Screen {
    Screen()
    {
        view.resize(kViewSize);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            qWarning("the view did not show");
    }

    // From now to the picture of what the view holds, shown.
    Timing toPicture()
    {
        bool shown = false;
        const QMetaObject::Connection c = QObject::connect(&view, &Rotagraph::drawn, [&] { shown = true; });
        const double processorBefore = processorMilliseconds();
        QElapsedTimer clock;
        clock.start();
        view.update();
        while (!shown && clock.elapsed() < kPatienceMs)
            QTest::qWait(1);
        QObject::disconnect(c);
        Timing timing;
        timing.processorMs = processorMilliseconds() - processorBefore;
        if (shown)
            timing.wallMs = double(clock.nsecsElapsed()) / 1e6;
        return timing;
    }

    Rotagraph view;
};

void sixteenHeavyCurves(benchmark::State& state)
{
    const auto penWidth = float(state.range(0));
    for (auto _ : state) {
        QTest::qWait(100);
        const double idle = residentMegabytes("VmRSS:");
        resetPeakMemory();

        // A first picture each time: a view of its own, which keeps nothing of the one before.
        std::vector<Timing> oneCurveTimes;
        for (int run = 0; run < kRuns; ++run) {
            Screen alone;
            alone.view.setComposition(heavyComposition(1, penWidth), 0);
            oneCurveTimes.push_back(alone.toPicture());
        }
        const double oneCurve = medianWall(oneCurveTimes);
        const double oneCurveProcessor = medianProcessor(oneCurveTimes);

        Screen screen;
        Composition composition = heavyComposition(kCurves, penWidth);
        const auto stall = std::make_unique<StallWatch>();
        screen.view.setComposition(composition, 0);
        const Timing first = screen.toPicture();
        const qint64 stallWhileDrawn = stall->longestMs();
        const double workWhileDrawn = stall->longestWorkMs();
        const double stallDrawnWorking = stall->workingInLongestMs();
        const double stallDrawnQueued = stall->queuedInLongestMs();

        std::vector<Timing> colourChanges;
        std::vector<Timing> turnChanges;
        for (int run = 0; run < kRuns; ++run) {
            composition.curves[kChangedCurve].art.penColor = QColor::fromHsv(run * 40, 255, 100);
            screen.view.setComposition(composition, 0);
            colourChanges.push_back(screen.toPicture());
            composition.curves[kChangedCurve].turn += 5;
            screen.view.setComposition(composition, 0);
            turnChanges.push_back(screen.toPicture());
        }
        const double colourChange = medianWall(colourChanges);
        const double turnChange = medianWall(turnChanges);

        // A turn dragged by hand over the picture, a step each timeout of the hand's timer, then
        // its last picture. The wait between is in steps of a millisecond: QTest::qWait sleeps
        // the thread for up to 10 ms at a time, a stall of its own.
        const auto editStall = std::make_unique<StallWatch>();
        int steps = 0;
        QTimer hand;
        hand.setTimerType(Qt::PreciseTimer);
        QObject::connect(&hand, &QTimer::timeout, [&] {
            composition.curves[kChangedCurve].turn += 1;
            screen.view.setComposition(composition, 0);
            screen.view.update();
            ++steps;
        });
        hand.start(kEditStepMs);
        QElapsedTimer dragging;
        dragging.start();
        while (steps < kEditSteps && dragging.elapsed() < kPatienceMs)
            QTest::qWait(1);
        hand.stop();
        const double afterEdits = screen.toPicture().wallMs;
        const qint64 stallWhileEdited = editStall->longestMs();
        const double workWhileEdited = editStall->longestWorkMs();
        const double stallEditedWorking = editStall->workingInLongestMs();
        const double stallEditedQueued = editStall->queuedInLongestMs();

        // A slow drawing of the last curve over the others, frame by frame.
        double slowestFrame = 0;
        double frames = 0;
        constexpr int kFrames = 10;
        for (int frame = 1; frame <= kFrames; ++frame) {
            screen.view.showDrawingUpTo(kCurves - 1, float(frame * 100 / kFrames));
            const double ms = screen.toPicture().wallMs;
            slowestFrame = std::max(slowestFrame, ms);
            frames += ms;
        }
        screen.view.showWholeDrawing();
        screen.toPicture();

        state.SetIterationTime(first.wallMs / 1000);
        state.counters["oneCurveMs"] = oneCurve;
        state.counters["firstPictureMs"] = first.wallMs;
        state.counters["firstOverOne"] = first.wallMs / oneCurve;
        state.counters["colourChangeMs"] = colourChange;
        state.counters["colourOverOne"] = colourChange / oneCurve;
        state.counters["turnChangeMs"] = turnChange;
        state.counters["turnOverOne"] = turnChange / oneCurve;
        state.counters["oneCurveCpuMs"] = oneCurveProcessor;
        state.counters["firstCpuOverOne"] = first.processorMs / oneCurveProcessor;
        state.counters["colourCpuOverOne"] = medianProcessor(colourChanges) / oneCurveProcessor;
        state.counters["turnCpuOverOne"] = medianProcessor(turnChanges) / oneCurveProcessor;
        state.counters["afterEditsMs"] = afterEdits;
        state.counters["slowFrameMeanMs"] = frames / kFrames;
        state.counters["slowFrameMaxMs"] = slowestFrame;
        state.counters["stallDrawnMs"] = double(stallWhileDrawn);
        state.counters["stallEditedMs"] = double(stallWhileEdited);
        state.counters["stallDrawnWorkingMs"] = stallDrawnWorking;
        state.counters["stallDrawnQueuedMs"] = stallDrawnQueued;
        state.counters["stallEditedWorkingMs"] = stallEditedWorking;
        state.counters["stallEditedQueuedMs"] = stallEditedQueued;
        state.counters["workDrawnMs"] = workWhileDrawn;
        state.counters["workEditedMs"] = workWhileEdited;
        state.counters["peakAboveIdleMB"] = residentMegabytes("VmHWM:") - idle;
    }
}

}

// 64 heavy curves in a 1920 × 1080 view: the resident memory of the whole process once they
// show, and the window's thread's time for the first frame after a zoom step (the picture it had,
// scaled, while the new one is drawn on a worker), the median of three steps.
void sixtyFourHeavyCurves(benchmark::State& state)
{
    for (auto _ : state) {
        Rotagraph view;
        view.resize(1920, 1080);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            qWarning("the view did not show");
        view.setComposition(heavyComposition(64, 1), 0);
        view.finishDrawing();
        QTest::qWait(50);
        state.counters["residentMB"] = residentMegabytes("VmRSS:");
        std::vector<double> frames;
        for (int step = 0; step < kRuns; ++step) {
            QElapsedTimer clock;
            clock.start();
            view.zoomIn();
            view.repaint();   // the first frame, on this thread
            frames.push_back(double(clock.nsecsElapsed()) / 1e6);
            while (view.isDrawing())
                QTest::qWait(5);
        }
        state.counters["zoomFirstFrameMs"] = median(frames);
        state.SetIterationTime(median(frames) / 1e3);
    }
}

BENCHMARK(sixtyFourHeavyCurves)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK(sixteenHeavyCurves)->ArgName("width")->Arg(1)->Arg(3)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
