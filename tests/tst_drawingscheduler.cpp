// The on-screen view draws large designs on workers: every change is answered at once, the
// picture shown is always that of the latest design, and a finished picture is shown again
// without drawing it again.

#include "view/DrawingScheduler.h"
#include "view/Rotagraph.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {


// Large enough to go to a worker, small enough to draw in a few milliseconds even under a
// thread sanitizer.
ArtParameters workerDesign(const QColor& pen = Qt::red)
{
    ArtParameters art = artDesign(500, 3, 2, 10);
    art.penColor = pen;
    return art;
}

ScreenRequest requestFor(const ArtParameters& art)
{
    ScreenRequest request;
    request.composition.curves = {ComposedCurve{art, {}, true, 0, {}, 1}};
    request.scale = 0.5;
    request.pixels = QSize(400, 300);
    request.centre = QPointF(200, 150);
    return request;
}

// While it lives, every drawing waits at its start for the test to release it.
struct HeldDrawings {
    HeldDrawings()
    {
        DrawingScheduler::setDrawingStartHook([this](const std::atomic<bool>& cancelled) { work.hold(&cancelled); });
    }
    ~HeldDrawings() { DrawingScheduler::setDrawingStartHook({}); }
    HeldWork work;
};

QImage drawnAtOnce(const ArtParameters& art, const QSize& size)
{
    Rotagraph view;
    view.resize(size);
    view.setParameters(art);
    view.finishDrawing();
    return shownBy(view);
}

}

class TestDrawingScheduler : public QObject
{
    Q_OBJECT

private slots:
    void smallWorkIsDrawnInTheSameFrame()
    {
        DrawingScheduler scheduler;
        ArtParameters art = workerDesign();
        art.rotationsToMake = 1;
        const ScreenPicture* picture = scheduler.pictureFor(requestFor(art));
        QVERIFY(picture && picture->outcome.finished);
        QVERIFY(!scheduler.isDrawing());
    }

    // A burst of changes: only the last is drawn to the end and shown, and a drawing made stale
    // by a newer one never shows, not even when it finishes later.
    void onlyTheLatestRequestIsShown()
    {
        DrawingScheduler scheduler;
        QSignalSpy ready(&scheduler, &DrawingScheduler::pictureReady);
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta, Qt::darkYellow};
        for (const QColor& colour : colours)
            QVERIFY(!scheduler.pictureFor(requestFor(workerDesign(colour))));
        const ScreenRequest last = requestFor(workerDesign(colours[std::size(colours) - 1]));
        QVERIFY(ready.wait(kPatienceMs));
        QCOMPARE(scheduler.latest()->request.composition, last.composition);
        QVERIFY(scheduler.pictureFor(last) == scheduler.latest());
        QTest::qWait(200);   // the stale drawings run out
        QCOMPARE(ready.count(), 1);
        QCOMPARE(scheduler.latest()->request.composition, last.composition);
    }

    // In the window: while a large design is drawn the view shows the picture before, placed
    // as it was; then the new one, the same as a drawing made at once.
    void theViewShowsTheLastFinishedPictureUntilTheNewOne()
    {
        Rotagraph view;
        view.resize(400, 300);
        view.setParameters(workerDesign(Qt::red));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY_WITH_TIMEOUT(!view.isDrawing(), kPatienceMs);
        const QImage red = shownBy(view);
        QVERIFY(red == drawnAtOnce(workerDesign(Qt::red), view.size()));

        QSignalSpy drawn(&view, &Rotagraph::drawn);
        view.setPenColor(Qt::blue);
        view.repaint();
        QVERIFY(view.isDrawing());
        QCOMPARE(drawn.count(), 0);
        QCOMPARE(shownBy(view), red);
        QTRY_VERIFY_WITH_TIMEOUT(drawn.count() > 0, kPatienceMs);
        QCOMPARE(shownBy(view), drawnAtOnce(workerDesign(Qt::blue), view.size()));
    }

    // An expose, and a resize that moves the design by whole pixels with nothing of it cut off,
    // show the finished picture again: nothing is drawn anew.
    void aFinishedPictureIsShownAgain()
    {
        Rotagraph view;
        view.resize(400, 300);
        ArtParameters small = workerDesign();   // 101 across, with room round it
        small.anchorRadius = 100;
        small.runnerRadius = 0.6f;
        small.penHoleRadius = 0.4f;
        view.setParameters(small);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY_WITH_TIMEOUT(!view.isDrawing(), kPatienceMs);
        const QImage before = shownBy(view);

        QSignalSpy drawn(&view, &Rotagraph::drawn);
        view.repaint();
        QCOMPARE(drawn.count(), 1);
        view.resize(440, 340);
        view.repaint();
        QCOMPARE(drawn.count(), 2);
        QVERIFY(!view.isDrawing());
        QCOMPARE(shownBy(view).copy(20, 20, 400, 300), before);
    }

    // With the wheels showing, what reaches furthest is the runner: a resize that would show
    // the part of it that the picture before cut off draws the picture anew.
    void aResizeThatShowsMoreOfTheWheelsDrawsAnew()
    {
        ArtParameters art = workerDesign();
        art.anchorRadius = 100;   // the curve reaches 135 from the centre, the runner 160
        art.runnerRadius = 30;
        art.penHoleRadius = 5;
        art.rotationsToMake = 1;
        art.percentToDraw = 25;   // the runner stands straight above the centre
        art.showAnchor = true;
        Rotagraph view;
        view.resize(400, 300);
        view.setParameters(art);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY_WITH_TIMEOUT(!view.isDrawing(), kPatienceMs);
        view.resize(440, 400);
        view.repaint();
        QTRY_VERIFY_WITH_TIMEOUT(!view.isDrawing(), kPatienceMs);
        QCOMPARE(shownBy(view), drawnAtOnce(art, view.size()));
    }

    // A drawing that takes a while says how far it has come, all its curves taken together;
    // nothing is said in its first moments, as a drawing that takes no longer says nothing.
    void aLongDrawingReportsItsProgress()
    {
        HeldDrawings held;
        DrawingScheduler scheduler;
        QSignalSpy progress(&scheduler, &DrawingScheduler::progressed);
        QSignalSpy ready(&scheduler, &DrawingScheduler::pictureReady);
        ScreenRequest request = requestFor(workerDesign());
        request.composition.curves.push_back(ComposedCurve{workerDesign(Qt::blue), {}, true, 0, {}, 1});
        QElapsedTimer sinceAsked;
        sinceAsked.start();
        QVERIFY(!scheduler.pictureFor(request));
        QVERIFY(progress.wait(kPatienceMs));
        QVERIFY2(sinceAsked.elapsed() >= 200, qPrintable(QString::number(sinceAsked.elapsed())));
        QCOMPARE(progress.last().at(0).toInt(), 0);   // held before its first curve
        held.work.release();
        QVERIFY(ready.wait(kPatienceMs));
        QVERIFY(scheduler.latest()->outcome.finished);
    }

    // Closing the view while a worker draws for it: the worker is told to stop and waited for.
    void goingAwayDuringADrawingIsClean()
    {
        HeldDrawings held;
        auto view = std::make_unique<Rotagraph>();
        view->resize(400, 300);
        view->setParameters(workerDesign());
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QVERIFY(view->isDrawing());
        QTRY_COMPARE_WITH_TIMEOUT(held.work.arrived(), 1, kPatienceMs);
        view.reset();
    }
};

QTEST_MAIN(TestDrawingScheduler)
#include "tst_drawingscheduler.moc"
