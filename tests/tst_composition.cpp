// A picture of many curves on screen: each curve keeps its trace and its layer, and a change of
// one draws that one again; the layers laid over one another look as one painter drawing every
// curve in turn; hidden curves are left out; the fit takes in every visible curve; the point
// budget of the whole cuts the later curves and names the first it cut; a slow drawing shows
// the curves up to one, that one in part.

#include "art/DesignPainter.h"
#include "view/DrawingScheduler.h"
#include "view/Rotagraph.h"

#include "TestSupport.h"

#include <QPainter>
#include <QTest>

#include <cmath>
#include <functional>

namespace {


using Edit = std::function<void(Composition&)>;

ComposedCurve curve(float anchor, float runner, float pen, float revolutions, const QColor& colour,
                    float width = 1, double turn = 0)
{
    ComposedCurve c;
    c.art = artDesign(anchor, runner, pen, revolutions);
    c.art.penColor = colour;
    c.art.penDrawSize = width;
    c.art.fillColor = Qt::yellow;
    c.turn = turn;
    return c;
}

// Three curves that cross one another: an outside runner, an inside one turned, a translucent
// one turned the other way.
Composition threeCurves()
{
    return {{curve(160, 72, 53, 9, Qt::red), curve(100, -30, 60, 10, Qt::blue, 3, 30),
             curve(120, 40, 30, 6, QColor(0, 160, 0, 128), 2, -45)}};
}

ScreenRequest requestFor(const Composition& composition)
{
    ScreenRequest request;
    request.composition = composition;
    request.scale = 0.4;
    request.pixels = QSize(300, 240);
    request.centre = QPointF(150, 120);
    return request;
}

// The request drawn onto one picture, every curve in turn, each copy as a curve of its own, as a
// picture in an image is drawn (wide pens and fills by the image's own rasteriser, not the
// painter's).
QImage drawnByOnePainter(const ScreenRequest& request)
{
    QImage image(request.pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(request.pixelRatio);
    image.fill(Qt::transparent);
    const Composition laid = laidOutCopies(request.composition);
    int wheels = -1;
    for (std::size_t i = 0; i < laid.curves.size(); ++i)
        if (wheels < 0 && laid.curves[i].art.showAnchor)
            wheels = int(i);
    const std::vector<CurveParameters> traced = curveParameters(laid);
    for (std::size_t i = 0; i < laid.curves.size(); ++i) {
        const ComposedCurve& curve = laid.curves[i];
        if (!curve.visible)
            continue;
        ArtParameters art = curve.art;
        art.showAnchor = art.showAnchor && int(i) == wheels;
        TracedCurve trace;
        DrawingControl control;
        control.traced = &trace;
        // A painting that says it did not finish is no picture.
        if (!traceForDrawing(traced[i], trace, nullptr)
            || !paintDesignInBands(image, art, curve.turning() * request.transform(), 1, control).finished)
            return {};
    }
    return image;
}

// The picture as a worker draws it, or at once when it is small enough.
const ScreenPicture* drawnPicture(DrawingScheduler& scheduler, const ScreenRequest& request)
{
    const ScreenPicture* picture = scheduler.pictureFor(request);
    QDeadlineTimer deadline(kPatienceMs);
    while (!picture && !deadline.hasExpired()) {
        QTest::qWait(5);
        picture = scheduler.pictureFor(request);
    }
    return picture;
}

QList<int> listOf(const std::vector<int>& curves)
{
    return QList<int>(curves.begin(), curves.end());
}

// What a view shows now, its drawing finished.
QImage shown(Rotagraph& view)
{
    view.finishDrawing();
    return shownBy(view);
}

double farthestInk(const QImage& image, const QPointF& centre)
{
    double farthest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                farthest = std::max(farthest, std::hypot(x + 0.5 - centre.x(), y + 0.5 - centre.y()));
    return farthest;
}

}

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(CurveCopies)
Q_DECLARE_METATYPE(ArtParameters)

class TestComposition : public QObject
{
    Q_OBJECT

private slots:
    // Each curve is drawn alone on a layer of its own and the layers are laid first to last:
    // within one level of what one painter drawing every curve in turn gives, at first and
    // after a change of one curve, as often as it is changed. One curve alone is its layer,
    // exactly as it was drawn before there were layers.
    //
    // Where one painter blends a faint edge pixel over an earlier curve several times, as where
    // the runs of a wide opaque pen meet, each blend rounds to 8 bits and the pixel drifts from
    // what a layer laid once gives: there a few pixels in a hundred may be three levels off.
    void layersLookAsOnePainterDrawsThem_data()
    {
        QTest::addColumn<Composition>("composition");
        QTest::addColumn<int>("changed");        // the curve whose colour changes, twice
        QTest::addColumn<QColor>("alpha");       // of the colours it changes to
        QTest::addColumn<int>("worst");          // levels a channel may differ by
        QTest::addColumn<double>("beyondOne");   // the share of the ink that may differ by more than one
        const QColor opaque(Qt::black);
        const QColor translucent(0, 0, 0, 128);
        QTest::addRow("one curve") << Composition{{curve(160, 72, 53, 9, Qt::red, 3)}} << 0 << opaque << 0 << 0.0;
        QTest::addRow("three crossing, the first changed") << threeCurves() << 0 << opaque << 1 << 0.0;
        QTest::addRow("three crossing, the last changed") << threeCurves() << 2 << translucent << 1 << 0.0;
        Composition filled = threeCurves();
        filled.curves[0].art.fillShape = true;
        filled.curves[2].art.fillShape = true;
        filled.curves[2].art.fillColor = QColor(0, 0, 255, 100);
        QTest::addRow("fills under and over pens") << filled << 2 << translucent << 1 << 0.0;
        Composition wheels = threeCurves();
        wheels.curves[1].art.showAnchor = true;
        wheels.curves[1].art.percentToDraw = 40;
        QTest::addRow("the wheels, and a part of a curve") << wheels << 1 << translucent << 1 << 0.0;
        Composition cutOff = threeCurves();
        cutOff.curves[0].art.anchorRadius = 400;   // beyond the picture's edges
        QTest::addRow("a curve reaching past the picture") << cutOff << 0 << opaque << 1 << 0.0;
        QTest::addRow("a wide opaque pen over other curves") << threeCurves() << 2 << opaque << 3 << 0.01;
        QTest::addRow("a wide opaque pen over a fill") << filled << 1 << opaque << 3 << 0.01;
        Composition rosette = threeCurves();
        rosette.curves[1].copies = {5, 20, 0.9, 40};
        QTest::addRow("copies turned, shrinking, shifted in hue") << rosette << 1 << translucent << 1 << 0.0;
    }

    void layersLookAsOnePainterDrawsThem()
    {
        QFETCH(Composition, composition);
        QFETCH(int, changed);
        QFETCH(QColor, alpha);
        QFETCH(int, worst);
        QFETCH(double, beyondOne);
        DrawingScheduler scheduler;
        ScreenRequest request = requestFor(composition);
        for (QColor colour : {QColor(), QColor(Qt::darkMagenta), QColor(Qt::darkCyan)}) {
            if (colour.isValid()) {
                colour.setAlpha(alpha.alpha());
                request.composition.curves[std::size_t(changed)].art.penColor = colour;
            }
            const PictureDifference difference = pictureDifference(scheduler.finish(request).image, drawnByOnePainter(request));
            QVERIFY2(difference.largest <= worst, qPrintable(difference.where));
            QVERIFY2(difference.pixelsBeyondOne <= beyondOne * difference.inkedPixels,
                     qPrintable(QString("%1 of %2 pixels").arg(difference.pixelsBeyondOne).arg(difference.inkedPixels)));
        }
    }

    // A change of one curve paints that curve's layer again, and traces it again only when its
    // points change; every other curve comes from what was kept, and a hidden curve's layer is
    // held for it. On a worker, as a large picture is drawn.
    void aChangeDrawsOnlyTheCurveItChanges_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QList<int>>("repainted");
        QTest::addColumn<QList<int>>("retraced");
        QTest::addRow("pen colour") << Edit([](Composition& c) { c.curves[1].art.penColor = Qt::darkRed; })
                                    << QList<int>{1} << QList<int>{};
        QTest::addRow("turn") << Edit([](Composition& c) { c.curves[2].turn = 10; }) << QList<int>{2} << QList<int>{};
        QTest::addRow("pen width") << Edit([](Composition& c) { c.curves[0].art.penDrawSize = 4; })
                                   << QList<int>{0} << QList<int>{};
        QTest::addRow("revolutions") << Edit([](Composition& c) { c.curves[0].art.rotationsToMake = 5; })
                                     << QList<int>{0} << QList<int>{0};
        QTest::addRow("a curve hidden") << Edit([](Composition& c) { c.curves[1].visible = false; })
                                        << QList<int>{} << QList<int>{};
        QTest::addRow("two curves swapped") << Edit([](Composition& c) { std::swap(c.curves[0], c.curves[2]); })
                                            << QList<int>{} << QList<int>{};
        QTest::addRow("a curve added") << Edit([](Composition& c) { c.curves.push_back(curve(90, 20, 10, 3, Qt::black)); })
                                       << QList<int>{3} << QList<int>{3};
        QTest::addRow("two curves changed") << Edit([](Composition& c) {
            c.curves[0].art.penColor = Qt::black;
            c.curves[2].art.penHoleRadius = 10;
        }) << QList<int>{0, 2} << QList<int>{2};
    }

    void aChangeDrawsOnlyTheCurveItChanges()
    {
        QFETCH(Edit, edit);
        QFETCH(QList<int>, repainted);
        QFETCH(QList<int>, retraced);
        Composition composition = threeCurves();
        composition.curves[1].art.anchorRadius = 500;   // 75,000 points: a worker's
        composition.curves[1].art.runnerRadius = 3;
        composition.curves[1].art.penHoleRadius = 2;
        composition.curves[1].art.rotationsToMake = 12;
        DrawingScheduler scheduler;
        const ScreenPicture* first = drawnPicture(scheduler, requestFor(composition));
        QVERIFY2(first, "the first picture");
        QCOMPARE(listOf(first->repaintedCurves), (QList<int>{0, 1, 2}));
        edit(composition);
        const ScreenRequest request = requestFor(composition);
        const ScreenPicture* next = drawnPicture(scheduler, request);
        QVERIFY2(next, "the picture after the change");
        QCOMPARE(listOf(next->repaintedCurves), repainted);
        QCOMPARE(listOf(next->retracedCurves), retraced);
        const PictureDifference difference = pictureDifference(next->image, drawnByOnePainter(request));
        QVERIFY2(difference.largest <= 1, qPrintable(difference.where));
        // What the change made stale is let go of: a layer for each place, a trace for each
        // curve shown.
        QCOMPARE(scheduler.keptLayerCount(), composition.curves.size());
        QCOMPARE(scheduler.keptTraceCount(), std::size_t(std::count_if(composition.curves.begin(), composition.curves.end(),
                                                                        [](const ComposedCurve& c) { return c.visible; })));
    }

    // A hidden curve is not drawn, and the fit goes by the visible ones alone: the view shows
    // exactly what it shows without the curve.
    void hiddenCurvesAreLeftOut()
    {
        const ComposedCurve shownCurve = curve(100, 30, 20, 3, Qt::red, 2);
        ComposedCurve hidden = curve(900, 50, 50, 4, Qt::blue, 8, 20);
        hidden.visible = false;
        hidden.art.showAnchor = true;
        Rotagraph alone;
        alone.resize(300, 240);
        alone.setComposition({{shownCurve}}, 0);
        for (int selected : {0, 1}) {
            Rotagraph view;
            view.resize(300, 240);
            view.setComposition({{hidden, shownCurve, hidden}}, selected);
            QCOMPARE(view.screenScale(), alone.screenScale());
            QCOMPARE(shown(view), shown(alone));
        }
    }

    // Fit to Window takes in every visible curve whole, however it is turned: the largest reach
    // of them, with room for half the widest pen, fills 2 / 2.05 of the narrower side.
    void fitTakesInTheWholeComposition_data()
    {
        QTest::addColumn<Composition>("composition");
        QTest::addColumn<float>("reach");
        QTest::addColumn<float>("widestPen");
        // The pen of an inside runner reaches |anchor + runner| + pen: 390 here.
        QTest::addRow("a turned inside runner reaching furthest")
            << Composition{{curve(200, 50, 30, 5, Qt::red), curve(300, -90, 180, 9, Qt::blue, 1, 37)}} << 390.0f << 1.0f;
        QTest::addRow("the widest pen on the smaller curve")
            << Composition{{curve(300, -90, 180, 9, Qt::blue, 1, 37), curve(50, 20, 10, 3, Qt::red, 24)}} << 390.0f << 24.0f;
        QTest::addRow("one curve, as the design alone")
            << Composition{{curve(300, -90, 180, 9, Qt::blue, 2, 37)}} << 390.0f << 2.0f;
        // 130 grown twice by 1.1.
        Composition growing{{curve(100, 20, 10, 1, Qt::red)}};
        growing.curves[0].copies = {3, NAN, 1.1, 0};
        QTest::addRow("copies growing, the last reaching furthest") << growing << 157.3f << 1.0f;
    }

    void fitTakesInTheWholeComposition()
    {
        QFETCH(Composition, composition);
        QFETCH(float, reach);
        QFETCH(float, widestPen);
        Rotagraph view;
        view.resize(400, 300);
        view.setComposition(composition, 0);
        const double scale = ViewZoom::fitScale(view.size(), {reach, widestPen});
        QCOMPARE(view.screenScale(), scale);
        const double ink = farthestInk(shown(view), QPointF(200, 150));
        const double room = 300 / 2.05;
        QVERIFY2(ink <= room + 1, qPrintable(QString("ink %1 from the centre, room %2").arg(ink).arg(room)));
        // The curve that reaches furthest comes within a pixel or two of its reach.
        QVERIFY2(ink >= reach * scale - 2, qPrintable(QString("ink %1 from the centre").arg(ink)));
    }

    // Copies laid out one after another: each turned a step further (a full turn shared out
    // unless set), each grown by the factor, each one's colours a hue step on.
    void copiesAreLaidOutInTurn_data()
    {
        QTest::addColumn<CurveCopies>("copies");
        QTest::addColumn<QList<double>>("turns");
        QTest::addColumn<QList<double>>("scales");
        QTest::addColumn<QList<QColor>>("colours");
        const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255);
        QTest::addRow("one: the curve alone") << CurveCopies{} << QList<double>{10} << QList<double>{1} << QList<QColor>{red};
        QTest::addRow("four, a full turn shared out")
            << CurveCopies{4, NAN, 1, 0} << QList<double>{10, 100, 190, 280} << QList<double>{1, 1, 1, 1}
            << QList<QColor>{red, red, red, red};
        QTest::addRow("three by 15°, doubling, a third of the hue circle apart")
            << CurveCopies{3, 15, 2, 120} << QList<double>{10, 25, 40} << QList<double>{1, 2, 4}
            << QList<QColor>{red, green, blue};
        QTest::addRow("two, the hue stepping back") << CurveCopies{2, -30, 0.5, -120} << QList<double>{10, -20}
                                                    << QList<double>{1, 0.5} << QList<QColor>{red, blue};
    }

    void copiesAreLaidOutInTurn()
    {
        QFETCH(CurveCopies, copies);
        QFETCH(QList<double>, turns);
        QFETCH(QList<double>, scales);
        QFETCH(QList<QColor>, colours);
        Composition rosette{{curve(100, 30, 20, 3, Qt::red, 1, 10)}, Qt::white};
        rosette.curves[0].copies = copies;
        rosette.curves[0].art.showAnchor = true;
        const Composition laid = laidOutCopies(rosette);
        QCOMPARE(laid.background, QColor(Qt::white));
        QCOMPARE(qsizetype(laid.curves.size()), turns.size());
        for (qsizetype k = 0; k < turns.size(); ++k) {
            const ComposedCurve& copy = laid.curves[std::size_t(k)];
            QCOMPARE(copy.turn, turns[k]);
            QCOMPARE(copy.scale, scales[k]);
            QCOMPARE(copy.art.penColor.name(), colours[k].name());
            QCOMPARE(copy.art.showAnchor, k == 0);   // the wheels once
            QCOMPARE(copyCount(copy), 1);
        }
    }

    // Copies whose turns differ by a whole number of the curve's symmetries lie exactly on one
    // another: the status line tells how many, so that a newcomer does not take it for a fault.
    void copiesThatLieOnEachOther_data()
    {
        QTest::addColumn<ArtParameters>("art");
        QTest::addColumn<CurveCopies>("copies");
        QTest::addColumn<double>("symmetry");
        QTest::addColumn<int>("coinciding");
        const ArtParameters nineLobes = artDesign(90, 10, 5, 1);
        QTest::addRow("nine lobes, twelve copies: four places") << nineLobes << CurveCopies{12} << 40.0 << 8;
        QTest::addRow("nine lobes, nine copies by 40°: all on the first") << nineLobes << CurveCopies{9, 40} << 40.0 << 8;
        QTest::addRow("nine lobes, nine copies 4° apart: all apart") << nineLobes << CurveCopies{9, 4} << 40.0 << 0;
        QTest::addRow("nine lobes, scaled: none alike") << nineLobes << CurveCopies{9, 40, 1.1} << 40.0 << 0;
        // 160 and 72 turn the pen's arm 29/9 as fast as the runner's centre: 20 lobes.
        QTest::addRow("the default curve, twelve copies") << artDesign(160, 72, 53, 9) << CurveCopies{12} << 18.0 << 9;
        QTest::addRow("inside, five lobes, five copies") << artDesign(100, -20, 10, 1) << CurveCopies{5} << 72.0 << 4;
        ArtParameters nested = nineLobes;
        nested.nested.count = 1;
        nested.nested.radii[0] = 4;
        QTest::addRow("nested wheels: only whole turns") << nested << CurveCopies{4, 180} << 360.0 << 2;
    }

    void copiesThatLieOnEachOther()
    {
        QFETCH(ArtParameters, art);
        QFETCH(CurveCopies, copies);
        QFETCH(double, symmetry);
        QFETCH(int, coinciding);
        QCOMPARE(symmetryDegrees(art), symmetry);
        QCOMPARE(coincidingCopies(copies, symmetry), coinciding);
    }

    // A zoom shows the picture it had at once, scaled about the design's centre, while the
    // picture at the new scale is drawn on a worker.
    void aZoomShowsThePictureScaledAtOnce()
    {
        Rotagraph view;
        view.resize(400, 300);
        setHeavyDesign(view);
        view.finishDrawing();
        const QPointF centre(200, 150);
        const double before = farthestInk(shownBy(view), centre);
        const double scale = view.screenScale();
        HeldWork held;
        DrawingScheduler::setDrawingStartHook([&held](const std::atomic<bool>& cancelled) { held.hold(&cancelled); });
        view.zoomIn();
        const double during = farthestInk(shownBy(view), centre);
        const bool drawing = view.isDrawing();
        held.release();
        DrawingScheduler::setDrawingStartHook({});
        QVERIFY(drawing);   // the picture at the new scale is not drawn yet
        const double expected = before * view.screenScale() / scale;
        QVERIFY2(std::abs(during - expected) < 3, qPrintable(QString("%1 against %2").arg(during).arg(expected)));
    }

    // The visible curves share one budget of points, first to last: a curve that would pass it
    // is cut where it runs out and those after it have no point; a hidden curve takes none of
    // it. The view names the first curve cut, there or at its own budget, and counts the points
    // of all it drew: what the status line tells.
    void pointBudgetOfTheWholeCutsTheLaterCurves_data()
    {
        QTest::addColumn<Composition>("composition");
        QTest::addColumn<int>("firstCut");   // -1: none
        QTest::addColumn<qulonglong>("points");
        const ComposedCurve large = curve(500, 3, 2, 500, QColor());   // some 3 million points
        const qulonglong largePoints = estimatedPointCount(curveParameters(large.art));
        const auto times = [](const ComposedCurve& c, int n) { return Composition{std::vector<ComposedCurve>(std::size_t(n), c)}; };
        const qulonglong all = kCompositionPointBudget;
        QTest::addRow("within the budget") << times(large, 5) << -1 << 5 * largePoints;
        QTest::addRow("the sixth of seven cut") << times(large, 7) << 5 << all;
        Composition hidden = times(large, 7);
        hidden.curves[2].visible = false;
        QTest::addRow("a hidden curve takes none of it") << hidden << 6 << all;
        Composition fits = times(large, 5);
        const ComposedCurve small = curve(160, 72, 53, 9, QColor());
        fits.curves.push_back(small);
        fits.curves.push_back(large);
        QTest::addRow("a small curve fits in what is left") << fits << 6 << all;
        Composition ownBudget = times(large, 2);
        ownBudget.curves[1].art.rotationsToMake = 1000;
        QTest::addRow("a curve cut at its own budget") << ownBudget << 1 << largePoints + 4'194'304;
    }

    void pointBudgetOfTheWholeCutsTheLaterCurves()
    {
        QFETCH(Composition, composition);
        QFETCH(int, firstCut);
        QFETCH(qulonglong, points);
        // No pen colour: nothing is stroked, and the count is what is checked here.
        Rotagraph view;
        view.resize(100, 100);
        view.setComposition(composition, 0);
        shown(view);
        QCOMPARE(view.lastDrawingFirstCutCurve(), firstCut);
        QCOMPARE(view.lastDrawingTruncated(), firstCut >= 0);
        QCOMPARE(qulonglong(view.lastDrawingPointCount()), points);
        // A curve before the cut keeps its own parameters, so that its layer stays whatever
        // the curves after it do.
        const std::vector<CurveParameters> traced = curveParameters(composition);
        for (int i = 0; i < firstCut; ++i)
            QCOMPARE(traced[std::size_t(i)].pointBudget, std::size_t(4'194'304));
    }

    // A slow drawing across the curves shows those before the one it is at whole, that one in
    // part and none after it, fitted as the whole composition is; then every curve again.
    void slowDrawingShowsTheCurvesUpToOne_data()
    {
        QTest::addColumn<int>("curve");
        QTest::addColumn<float>("percent");
        QTest::addColumn<int>("drawnUpTo");   // where the drawing is, as shown
        QTest::addRow("the first, a third of it") << 0 << 33.0f << 0;
        QTest::addRow("the middle one, a quarter") << 1 << 25.0f << 1;
        QTest::addRow("the hidden one, half of it") << 2 << 50.0f << 2;
        QTest::addRow("the last, whole") << 3 << 100.0f << 3;
        QTest::addRow("past the last") << 7 << 40.0f << 3;
        QTest::addRow("before the first") << -2 << 60.0f << 0;
    }

    void slowDrawingShowsTheCurvesUpToOne()
    {
        QFETCH(int, curve);
        QFETCH(float, percent);
        QFETCH(int, drawnUpTo);
        Composition composition = threeCurves();
        composition.curves.insert(composition.curves.begin() + 2, ::curve(250, 60, 40, 4, Qt::black));
        composition.curves[2].visible = false;
        composition.curves[3].art.anchorRadius = 400;   // the fit is the whole composition's
        Rotagraph view;
        view.resize(300, 240);
        view.setComposition(composition, 1);
        const double scale = view.screenScale();
        const QImage whole = shown(view);

        view.showDrawingUpTo(curve, percent);
        QCOMPARE(view.composition(), composition);
        QCOMPARE(view.screenScale(), scale);
        Composition expected = composition;
        expected.curves[std::size_t(drawnUpTo)].art.percentToDraw = percent;
        for (std::size_t i = std::size_t(drawnUpTo) + 1; i < expected.curves.size(); ++i)
            expected.curves[i].visible = false;
        ScreenRequest placed = requestFor(expected);   // where the view puts it
        placed.scale = scale;
        const PictureDifference difference = pictureDifference(shown(view), drawnByOnePainter(placed));
        QVERIFY2(difference.largest <= 1, qPrintable(difference.where));

        view.showWholeDrawing();
        QCOMPARE(shown(view), whole);
    }

    // Frame by frame, a slow drawing paints only the curve that grows: those before it come from
    // their kept layers, and none is traced but the growing one. The layers of the curve it
    // grows and of those it hides are held: its last frame, and the whole picture after it, are
    // laid without painting anything, as they were before.
    void slowDrawingFramesDrawOnlyTheGrowingCurve()
    {
        DrawingScheduler scheduler;
        const Composition composition = threeCurves();
        const QImage whole = scheduler.finish(requestFor(composition)).image;
        for (float percent : {10.0f, 20.0f, 45.0f, 80.0f, 100.0f}) {
            Composition frame = composition;
            frame.curves[1].art.percentToDraw = percent;
            frame.curves[2].visible = false;
            const ScreenPicture& picture = scheduler.finish(requestFor(frame));
            QVERIFY(picture.outcome.finished);
            QCOMPARE(listOf(picture.repaintedCurves), percent < 100 ? QList<int>{1} : QList<int>{});
            QCOMPARE(listOf(picture.retracedCurves), percent < 100 ? QList<int>{1} : QList<int>{});
        }
        const ScreenPicture& again = scheduler.finish(requestFor(composition));
        QCOMPARE(listOf(again.repaintedCurves), QList<int>{});
        QCOMPARE(listOf(again.retracedCurves), QList<int>{});
        QCOMPARE(again.image, whole);
    }

    // A slow drawing taken back from a later curve to an earlier one shows what it shows then,
    // none of the curves laid under the later one since hidden.
    void slowDrawingTakenBackShowsOnlyTheCurvesUpToIt()
    {
        DrawingScheduler scheduler;
        Composition composition = threeCurves();
        composition.curves.push_back(curve(90, 20, 10, 3, Qt::black));
        scheduler.finish(requestFor(composition));
        composition.curves[3].art.percentToDraw = 50;
        scheduler.finish(requestFor(composition));
        composition.curves[1].art.percentToDraw = 30;
        composition.curves[2].visible = false;
        composition.curves[3].visible = false;
        const ScreenRequest request = requestFor(composition);
        const PictureDifference difference = pictureDifference(scheduler.finish(request).image, drawnByOnePainter(request));
        QVERIFY2(difference.largest <= 1, qPrintable(difference.where));
    }
};

QTEST_MAIN(TestComposition)
#include "tst_composition.moc"
