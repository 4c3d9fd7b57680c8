// A whole slow drawing of a heavy design, in a real window on the offscreen platform. The
// worker paces a frame every 0.05 s; the animation keeps its pace when the main thread draws
// each frame within that time. Reports the wall time against the pace, and how many of the
// frames were painted.

#include "app/AppDelegate.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr double kFrameSeconds = 0.05;

void setField(NumberField* field, const char* text)
{
    field->setText(QString::fromLatin1(text));
    emit field->numberEdited();
}

void slowDrawingOfHeavyDesign(benchmark::State& state)
{
    const float penWidth = static_cast<float>(state.range(0));
    const float speed = 10;
    for (auto _ : state) {
        AppDelegate app;
        app.applicationDidFinishLaunching();
        app.mainWindow()->resize(1400, 1100);
        app.mainWindow()->show();
        if (!QTest::qWaitForWindowExposed(app.mainWindow()))
            state.SkipWithError("window not exposed");
        setField(app.anchorRadiusInput(), "500");
        setField(app.runnerRadiusInput(), "3");
        setField(app.penRadiusInput(), "2");
        setField(app.revolutionsInput(), "60");
        app.penWidthSlider()->setFloatValue(penWidth);
        app.drawNow();
        app.drawSpeedControl()->setFloatValue(speed);
        QTest::qWait(500);

        int paints = 0;
        QObject::connect(app.artView(), &Rotagraph::drawn, [&paints] { ++paints; });
        const float step = speed / 60.0f;
        const double frames = std::floor(100.0 / step) + 2;   // the last one past 100, the final
        QElapsedTimer timer;
        timer.start();
        app.drawSlowButton()->click();
        while (app.drawSlowButton()->text() != QLatin1String("Draw Slowly"))
            QTest::qWait(5);
        const double seconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        state.counters["frames"] = frames;
        state.counters["painted"] = paints;
        state.counters["paceRatio"] = seconds / (frames * kFrameSeconds);
    }
}

}

BENCHMARK(slowDrawingOfHeavyDesign)->Arg(1)->Arg(3)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
