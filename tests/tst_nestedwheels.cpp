#include "art/ArtParameters.h"
#include "art/CurveClosure.h"
#include "art/CurveTrace.h"
#include "art/DesignPainter.h"
#include "view/Rotagraph.h"
#include "TestSupport.h"

#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <atomic>
#include <cmath>
#include <complex>
#include <cstring>
#include <initializer_list>
#include <optional>

Q_DECLARE_METATYPE(CurveParameters)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

CurveParameters design(float anchor, float runner, float pen, float revolutions, std::initializer_list<float> nested,
                       bool grease = false)
{
    CurveParameters p = curveDesign(anchor, runner, pen, revolutions);
    p.greaseIt = grease;
    for (float r : nested)
        p.nested.radii[std::size_t(p.nested.count++)] = r;
    return p;
}

// The same design as the art view holds it.
ArtParameters artOf(const CurveParameters& p)
{
    ArtParameters art;
    art.anchorRadius = p.anchorRadius;
    art.runnerRadius = p.runnerRadius;
    art.penHoleRadius = p.penHoleRadius;
    art.rotationsToMake = p.rotationsToMake;
    art.nested = p.nested;
    return art;
}

// The pen at orbit angle t as a sum of steadily turning arms: each arm's length, and its turns
// for one turn of the orbit.
std::complex<double> penOfArms(const QList<QPointF>& arms, double t)
{
    std::complex<double> pen;
    for (const QPointF& arm : arms)
        pen += arm.x() * std::polar(1.0, arm.y() * t);
    return pen;
}

double distance(CurvePoint a, std::complex<double> b) { return std::hypot(a.x - b.real(), a.y - b.imag()); }

}

class TestNestedWheels : public QObject
{
    Q_OBJECT

private slots:
    void handWorkedPoints_data()
    {
        QTest::addColumn<double>("orbit");
        QTest::addColumn<QPointF>("nestedCentre");
        QTest::addColumn<QPointF>("pen");
        // A = 100, runner -50 inside: d1 = 50, ω1 = 50 / -50 = -1. The nested wheel 20 outside
        // it: d2 = 50 + 20 = 70, α2 = (ω1 + 1)θ = 0, ω2 = -1 + 70/20 = 2.5. Pen hole 10:
        // pen = 50·e^(iθ) + 70 + 10·e^(2.5iθ).
        QTest::addRow("at the start") << 0.0 << QPointF(120, 0) << QPointF(130, 0);
        QTest::addRow("a quarter round") << M_PI / 2 << QPointF(70, 50)
                                         << QPointF(70 - 5 * M_SQRT2, 50 - 5 * M_SQRT2);   // 10·e^(1.25πi)
        QTest::addRow("half round") << M_PI << QPointF(20, 0) << QPointF(20, 10);   // 10·e^(2.5πi) = 10i
    }
    void handWorkedPoints()
    {
        QFETCH(double, orbit);
        QFETCH(QPointF, nestedCentre);
        QFETCH(QPointF, pen);
        const WheelsAt at = wheelsAt(design(100, -50, 10, 1, {20}), orbit);
        QCOMPARE(at.count, 3);
        QVERIFY(std::hypot(at.wheels[2].x - nestedCentre.x(), at.wheels[2].y - nestedCentre.y()) < 1e-9);
        QVERIFY(std::hypot(at.penX - pen.x(), at.penY - pen.y()) < 1e-9);
        QCOMPARE(at.wheels[2].radius, 20.0);
    }

    // Each arm reaches from one wheel's centre to the next's (the anchor's and the runner's
    // radii added, then the one a wheel rolls on and its own), and turns as the wheel before it:
    // a wheel turns (its centre's distance) / (its radius) more than the one it rolls on, or,
    // greased, twice the radius under it over its own. The pen's arm turns with the last wheel.
    void pointsFollowTheClosedForm_data()
    {
        QTest::addColumn<CurveParameters>("parameters");
        QTest::addColumn<QList<QPointF>>("arms");
        // 96 + 40 = 136, turning 136/40 = 3.4; 40 + 24 = 64, 64/24 = 8/3 more; 24 + 8 = 32, 4 more.
        QTest::addRow("all outside") << design(96, 40, 12, 7, {24, 8})
                                     << QList<QPointF>{{136, 1}, {64, 4.4}, {32, 106.0 / 15}, {12, 151.0 / 15}};
        // 150 - 56 = 94, -47/28; 56 - 21 = 35, -5/3 more; 21 - 7.5 = 13.5, -1.8 more.
        QTest::addRow("inside in inside") << design(150, -56, 9, 11, {-21, -7.5f})
                                          << QList<QPointF>{{94, 1}, {35, -19.0 / 28}, {13.5, -197.0 / 84}, {9, -2161.0 / 420}};
        // 120 - 45 = 75, 240/-45 = -16/3; 45 + 15 = 60, 90/15 = 6 more; 15 - 4 = 11, 30/-4 more.
        QTest::addRow("outside in inside, greased") << design(120, -45, 6, 5, {15, -4}, true)
                                                    << QList<QPointF>{{75, 1}, {60, -13.0 / 3}, {11, 5.0 / 3}, {6, -41.0 / 6}};
        // 105 + 63 = 168, 8/3; 63 - 2.5 = 60.5, -24.2 more; 2.5 + 1.25 = 3.75, 3 more.
        QTest::addRow("a fast small wheel, 40 revolutions") << design(105, 63, 3, 40, {-2.5f, 1.25f})
                                                            << QList<QPointF>{{168, 1}, {60.5, 11.0 / 3}, {3.75, -308.0 / 15}, {3, -278.0 / 15}};
        // As in handWorkedPoints.
        QTest::addRow("one nested, half drawn") << [] {
            CurveParameters p = design(100, -50, 10, 2, {20});
            p.percentToDraw = 50;
            return p;
        }() << QList<QPointF>{{50, 1}, {70, 0}, {10, 2.5}};
    }
    // Every point within a float's rounding of the closed form at its index's share of the total
    // angle, the count as estimated, and no wheel turning further in a step than the runner of
    // the two-wheel curve.
    void pointsFollowTheClosedForm()
    {
        QFETCH(CurveParameters, parameters);
        QFETCH(QList<QPointF>, arms);
        const CurveParameters& p = parameters;
        const TracedCurve curve = traceCurve(p);
        const std::size_t n = curve.pointCount();
        QCOMPARE(estimatedPointCount(p), n);
        const double perRevolution = pointsPerRevolution(p);
        const double step = 2 * M_PI / perRevolution;
        const double wholeSteps = std::ceil(double(p.rotationsToMake) * perRevolution - 1e-9);
        if (p.percentToDraw >= 100)
            QCOMPARE(double(n - 1), wholeSteps);   // the last point at the total angle
        const double reach = wheelTrain(p).penReach();
        for (std::size_t i = 0; i < n; ++i) {
            const double t = double(p.rotationsToMake) * 2 * M_PI * double(i) / wholeSteps;
            const std::complex<double> expected = penOfArms(arms, t);
            QVERIFY2(distance(curve.fillPath()[1 + i], expected) <= reach * 1e-6,
                     qPrintable(QString("point %1 of %2 is (%3, %4), not (%5, %6)").arg(i).arg(n)
                                    .arg(curve.fillPath()[1 + i].x).arg(curve.fillPath()[1 + i].y)
                                    .arg(expected.real()).arg(expected.imag())));
        }
        QCOMPARE(distance(curve.startPoint, penOfArms(arms, 0)) < 1e-4, true);

        CurveParameters twoWheels = p;
        twoWheels.nested = {};
        const double runnerStep = std::abs(wheelTrain(twoWheels).turnRate[1]) * 2 * M_PI / pointsPerRevolution(twoWheels);
        const WheelTrain train = wheelTrain(p);
        for (std::size_t k = 1; k < std::size_t(train.count); ++k)
            QVERIFY2(std::abs(train.turnRate[k]) * step <= runnerStep * (1 + 1e-6), qPrintable(QString("wheel %1").arg(k + 1)));
        QVERIFY(perRevolution >= pointsPerRevolution(twoWheels) - 1);
    }

    void radiusZeroIsTheTwoWheelCurve_data()
    {
        QTest::addColumn<CurveParameters>("parameters");
        QTest::addRow("outside") << design(160, 72, 53, 9, {0});
        QTest::addRow("inside, two nested") << design(150, -56, 40, 28, {0, 0});
        QTest::addRow("greased, three colours, closed") << [] {
            CurveParameters p = design(100, 30, 25, 3.5f, {0, 0}, true);
            p.numberOfColors = 3;
            p.closeCurve = true;
            return p;
        }();
        QTest::addRow("a large runner inside, turning slower than it goes round") << design(150, -100, 30, 20, {0});
        QTest::addRow("a third drawn") << [] {
            CurveParameters p = design(500, 3, 2, 6, {0});
            p.percentToDraw = 33;
            return p;
        }();
    }
    // Nested wheels of radius 0 ride at the runner's centre: the precise two-wheel curve, the
    // same points within a float's rounding of the reach. They differ in the last bit where a
    // double sum lands within a rounding of a float's boundary, and near 0, where floats are
    // finer than the sums.
    void radiusZeroIsTheTwoWheelCurve()
    {
        QFETCH(CurveParameters, parameters);
        CurveParameters twoWheels = parameters;
        twoWheels.nested = {};
        twoWheels.precise = true;
        const TracedCurve nested = traceCurve(parameters);
        const TracedCurve plain = traceCurve(twoWheels);
        QCOMPARE(nested.fillPath().size(), plain.fillPath().size());
        QCOMPARE(nested.penPath().size(), plain.penPath().size());
        QCOMPARE(nested.pen2Path().size(), plain.pen2Path().size());
        QCOMPARE(nested.pen3Path().size(), plain.pen3Path().size());
        const float reach = boundingRadius(parameters.anchorRadius, parameters.runnerRadius, parameters.penHoleRadius);
        const double ulp = std::nextafter(reach, INFINITY) - reach;
        for (std::size_t i = 0; i < plain.fillPath().size(); ++i) {
            const CurvePoint a = nested.fillPath()[i], b = plain.fillPath()[i];
            QVERIFY(std::abs(a.x - b.x) <= ulp && std::abs(a.y - b.y) <= ulp);
        }
        QCOMPARE(nested.lastRunnerCenter.x, plain.lastRunnerCenter.x);
        QCOMPARE(nested.lastRunnerAngle, plain.lastRunnerAngle);
    }

    // A part drawn, a lower budget and a cancel: as the two-wheel traces do.
    void partsBudgetsAndCancelling()
    {
        const CurveParameters whole = design(105, 63, 3, 40, {-2.5f, 1.25f});
        const TracedCurve all = traceCurve(whole);
        CurveParameters part = whole;
        part.percentToDraw = 37;
        CurveParameters cut = whole;
        cut.pointBudget = 1000;
        for (const CurveParameters& p : {part, cut}) {
            const TracedCurve curve = traceCurve(p);
            QVERIFY(curve.pointCount() < all.pointCount());
            QCOMPARE(estimatedPointCount(p), curve.pointCount());
            QVERIFY(std::memcmp(curve.fillPath().data(), all.fillPath().data(), curve.fillPath().size() * sizeof(TracedPoint)) == 0);
        }
        QCOMPARE(traceCurve(cut).pointCount(), std::size_t(1000));
        QVERIFY(traceCurve(cut).truncated && !traceCurve(part).truncated && !all.truncated);
        QVERIFY(all.allPointsFinite);
        QVERIFY(!traceCurve(design(100, 50, 10, 1, {3e38f, 3e38f})).allPointsFinite);   // beyond a float's range

        TracedCurve curve = all;
        std::atomic<bool> cancel{true};
        QVERIFY(!traceCurve(whole, curve, &cancel));
        QVERIFY(curve.fillPath().empty());
    }

    void zeroRunnerTracesItsFirstPointAsBefore()
    {
        const TracedCurve curve = traceCurve(design(100, 0, 10, 3, {20, 5}));
        QCOMPARE(curve.pointCount(), std::size_t(1));
        QCOMPARE(curve.fillPath()[1].x, 110.0);
    }

    void closingRevolutions_data()
    {
        QTest::addColumn<CurveParameters>("parameters");
        QTest::addColumn<std::optional<int>>("revolutions");
        QTest::addRow("the hand-worked design") << design(100, -50, 10, 0, {20}) << std::optional<int>(2);
        // ω1 = 232/72 = 29/9, then + 88/16 = 11/2: 157/18, the pen's rate.
        QTest::addRow("outside in outside") << design(160, 72, 53, 0, {16}) << std::optional<int>(18);
        QTest::addRow("greased") << design(160, 72, 53, 0, {16}, true) << std::optional<int>(9);   // 40/9 + 9
        QTest::addRow("decimals") << design(100, -50, 10, 0, {7.5f}) << std::optional<int>(3);   // -1 + 57.5/7.5
        QTest::addRow("radius 0 closes as two wheels") << design(160, 72, 53, 0, {0, 0}) << std::optional<int>(9);
        QTest::addRow("a pen at the centre: the arms' rates") << design(100, -50, 0, 0, {20}) << std::optional<int>(1);
        QTest::addRow("beyond the most") << design(160, 72, 53, 0, {16.1f}) << std::optional<int>();
        QTest::addRow("a third") << design(160, 72, 53, 0, {1.0f / 3}) << std::optional<int>();
        QTest::addRow("not finite") << design(160, 72, 53, 0, {NAN}) << std::optional<int>();
    }
    // And a curve traced to its closing revolutions meets its start.
    void closingRevolutions()
    {
        QFETCH(CurveParameters, parameters);
        QFETCH(std::optional<int>, revolutions);
        CurveParameters p = parameters;
        const std::optional<int> closing = ::closingRevolutions(p.anchorRadius, p.runnerRadius, p.penHoleRadius,
                                                                p.greaseIt, p.nested, 200);
        QCOMPARE(closing, revolutions);
        if (!closing)
            return;
        p.rotationsToMake = float(*closing);
        const TracedCurve curve = traceCurve(p);
        QVERIFY(distance(curve.fillPath().back(), {curve.startPoint.x, curve.startPoint.y}) < 1e-3);
    }

    void boundingRadiusHoldsEveryPoint()
    {
        ArtParameters art = artOf(design(96, 40, -12, 7, {}));
        QCOMPARE(boundingRadius(art), 148.0f);   // two wheels, as ever
        art.nested = design(0, 0, 0, 0, {-24, 8}).nested;
        QCOMPARE(boundingRadius(art), 136 + 16 + 32 + 12.0f);
        const TracedCurve curve = traceCurve(curveParameters(art));
        double furthest = 0;
        for (CurvePoint q : curve.fillPath())
            furthest = std::max(furthest, std::hypot(q.x, q.y));
        QVERIFY(furthest <= boundingRadius(art));
        QVERIFY(furthest > boundingRadius(art) * 0.95);

        // The wheels shown reach further: the last one's rim, 136 + 16 + 32 + 8 out.
        const WheelTrain train = wheelTrain(curveParameters(art));
        QCOMPARE(train.rimReach(), 192.0);
        for (double t = 0; t < 2 * M_PI; t += 0.01) {
            const WheelsAt at = train.at(t);
            for (int k = 1; k < at.count; ++k) {
                const WheelPlace& w = at.wheels[std::size_t(k)];
                QVERIFY(std::hypot(w.x, w.y) + std::abs(w.radius) <= train.rimReach() + 1e-9);
            }
        }
    }

    // Part drawn, with the wheels showing: each wheel's rim where the trace left it, and the arm
    // of the last one to the pen, which stands at the curve's last point.
    void theOverlayShowsEveryWheel()
    {
        ArtParameters art = artOf(design(100, -50, 10, 2, {20}));
        art.percentToDraw = 12.5;   // about a quarter round: the nested wheel's centre near (70, 50)
        art.showAnchor = true;
        art.drawMode = ScreenMode;
        QImage image(400, 400, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        paintDesign(painter, art, QTransform(1, 0, 0, -1, 200, 200));
        painter.end();

        const TracedCurve curve = traceCurve(curveParameters(art));
        const WheelsAt at = wheelsAt(curveParameters(art), curve.lastOrbitAngle);
        QVERIFY(distance(curve.fillPath().back(), {at.penX, at.penY}) < 1e-3);
        const WheelPlace runner = at.wheels[1], nested = at.wheels[2];
        QVERIFY(std::hypot(nested.x - 70, nested.y - 50) < 2);
        const auto inked = [&](double x, double y) { return qAlpha(image.pixel(int(std::floor(200 + x)), int(std::floor(200 - y)))) > 0; };
        QVERIFY(inked(nested.x + 20, nested.y));   // the nested wheel's rim
        QVERIFY(inked(nested.x, nested.y - 20));
        QVERIFY(inked(runner.x - 50, runner.y));   // the runner's
        QVERIFY(inked((nested.x + at.penX) / 2, (nested.y + at.penY) / 2));   // the pen's arm
        // Inside the nested wheel, off its arms: its disc's faint tint alone.
        QVERIFY(qAlpha(image.pixel(int(std::floor(200 + nested.x + 10)), int(std::floor(200 - nested.y)))) < 60);
    }

    // The view keeps the traces it drew from; wheels added to a design are a new trace, not the
    // one kept for the design without them.
    void aDesignWithWheelsAddedIsTracedAnew()
    {
        ArtParameters art = artOf(design(500, 3, 2, 10, {}));   // drawn on a worker
        art.penDrawSize = 1;
        art.penColor = Qt::red;
        art.numberOfColors = 1;
        Rotagraph view;
        view.resize(300, 300);
        view.setParameters(art);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY_WITH_TIMEOUT(!view.isDrawing(), kPatienceMs);   // the design without wheels drawn
        art.nested.count = 1;
        art.nested.radii = {-60, 0};
        view.setParameters(art);
        view.repaint();
        QTRY_VERIFY_WITH_TIMEOUT(!view.isDrawing(), kPatienceMs);   // the design with its wheel drawn
        const QImage withWheel = shownBy(view);
        Rotagraph fresh;
        fresh.resize(view.size());
        fresh.setParameters(art);
        fresh.finishDrawing();
        QCOMPARE(withWheel, shownBy(fresh));
    }
};

QTEST_MAIN(TestNestedWheels)
#include "tst_nestedwheels.moc"
