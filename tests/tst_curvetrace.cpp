#include "art/CurveClosure.h"
#include "art/CurveTrace.h"

#include <QTest>

#include <cmath>
#include <limits>

// Traced coordinates are 32-bit results widened to double: they are compared exactly, never
// within a tolerance.
#define COMPARE_POINT(actual, ex, ey)                                                     \
    do {                                                                                  \
        const CurvePoint p_ = (actual);                                                   \
        QVERIFY2(p_.x == double(ex) && p_.y == double(ey),                                \
                 qPrintable(QString("(%1, %2) != (%3, %4)").arg(p_.x, 0, 'g', 9)          \
                                .arg(p_.y, 0, 'g', 9).arg(double(ex), 0, 'g', 9)          \
                                .arg(double(ey), 0, 'g', 9)));                            \
    } while (false)

namespace {

CurveParameters design(float anchor, float runner, float pen, float revolutions)
{
    CurveParameters p;
    p.anchorRadius = anchor;
    p.runnerRadius = runner;
    p.penHoleRadius = pen;
    p.rotationsToMake = revolutions;
    return p;
}

CurveParameters defaultDesign() { return design(160, 72, 53, 9); }

bool sameCurve(const Polyline& a, const Polyline& b, std::size_t count)
{
    if (a.size() < count || b.size() < count)
        return false;
    for (std::size_t i = 0; i < count; ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y)
            return false;
    return true;
}

}

class TestCurveTrace : public QObject
{
    Q_OBJECT

private slots:
    void defaultDesignPointForPoint()
    {
        const TracedCurve c = traceCurve(defaultDesign());
        QCOMPARE(c.fillPath.size(), std::size_t(1 + 1260));
        QCOMPARE(c.penPath.size(), std::size_t(1 + 1260));
        COMPARE_POINT(c.startPoint, 285.0f, 0.0f);
        COMPARE_POINT(c.fillPath[0], 285.0f, 0.0f);
        COMPARE_POINT(c.fillPath[1], 285.0f, 0.0f);   // point 0 is the start point
        COMPARE_POINT(c.fillPath[2], 284.21317f, 18.046444f);
        COMPARE_POINT(c.fillPath[3], 281.86469f, 35.912476f);
        COMPARE_POINT(c.fillPath.back(), 284.20261f, -18.115435f);
        COMPARE_POINT(c.lastRunnerCenter, 231.76659f, -10.404191f);
        QCOMPARE(c.lastRunnerAngle, 182.06636f);
        QVERIFY(c.lastRunnerAngle == 182.06636f);
        QVERIFY(c.pen2Path.empty() && c.pen3Path.empty());
        QVERIFY(!c.truncated);
        QVERIFY(sameCurve(c.penPath, c.fillPath, c.fillPath.size()));
    }

    void colorSplits()
    {
        CurveParameters p = defaultDesign();
        p.numberOfColors = 2;
        TracedCurve c = traceCurve(p);
        // Points 0–629 and 630–1259; the second colour starts at point 629.
        QCOMPARE(c.penPath.size(), std::size_t(1 + 630));
        QCOMPARE(c.pen2Path.size(), std::size_t(1 + 630));
        COMPARE_POINT(c.pen2Path.front(), -284.21390f, 18.039988f);
        COMPARE_POINT(c.pen2Path.front(), c.penPath.back().x, c.penPath.back().y);
        QVERIFY(c.pen3Path.empty());

        p.numberOfColors = 3;
        c = traceCurve(p);
        QCOMPARE(c.penPath.size(), std::size_t(1 + 416));
        QCOMPARE(c.pen2Path.size(), std::size_t(1 + 416));
        QCOMPARE(c.pen3Path.size(), std::size_t(1 + 428));
        COMPARE_POINT(c.pen2Path.front(), c.penPath.back().x, c.penPath.back().y);
        COMPARE_POINT(c.pen3Path.front(), c.pen2Path.back().x, c.pen2Path.back().y);
        COMPARE_POINT(c.pen3Path.back(), 284.20261f, -18.115435f);
        QCOMPARE(c.fillPath.size(), std::size_t(1 + 1260));
    }

    void insideAndGreaseVariants()
    {
        CurveParameters inside = defaultDesign();
        inside.runnerRadius = -72;
        TracedCurve c = traceCurve(inside);
        COMPARE_POINT(c.startPoint, 141.0f, 0.0f);
        COMPARE_POINT(c.fillPath[2], 140.83168f, 1.0423429f);
        QCOMPARE(c.fillPath.size(), std::size_t(1 + 1260));   // same step as outside

        CurveParameters greased = defaultDesign();
        greased.greaseIt = true;
        c = traceCurve(greased);
        COMPARE_POINT(c.fillPath[2], 283.71552f, 20.910387f);
    }

    void stepBounds_data()
    {
        QTest::addColumn<float>("anchor");
        QTest::addColumn<float>("runner");
        QTest::addColumn<std::size_t>("pointsPerTurn");
        QTest::addRow("no anchor: 63 steps, both ends traced") << 0.0f << 50.0f << std::size_t(64);
        QTest::addRow("runner larger than anchor") << 30.0f << 90.0f << std::size_t(64);
        QTest::addRow("anchor 100 times the runner: 6284 steps") << 300.0f << 3.0f << std::size_t(6284);
        QTest::addRow("anchor 500 times the runner") << 500.0f << 1.0f << std::size_t(6284);
    }

    void stepBounds()
    {
        QFETCH(float, anchor);
        QFETCH(float, runner);
        QFETCH(std::size_t, pointsPerTurn);
        const TracedCurve c = traceCurve(design(anchor, runner, 10, 1));
        // 6284 steps overshoot one turn by rounding; 63 steps end within rounding of it.
        QCOMPARE(c.fillPath.size() - 1, pointsPerTurn);
    }

    void noAnchorRunsOnACircle()
    {
        const TracedCurve plain = traceCurve(design(0, 50, 20, 1));
        for (const CurvePoint& p : plain.fillPath)
            QVERIFY(std::abs(std::hypot(p.x, p.y) - 70) < 1e-3);
        QVERIFY(std::abs(plain.fillPath.back().x - 70) < 1e-3);

        CurveParameters greased = design(0, 50, 20, 1);
        greased.greaseIt = true;   // turn ratio 0: the runner does not turn
        for (const CurvePoint& p : traceCurve(greased).fillPath)
            QVERIFY(std::abs(std::hypot(p.x - 20, p.y) - 50) < 1e-3);
    }

    void zeroAndNegativeTotalAngle()
    {
        CurveParameters p = defaultDesign();
        p.percentToDraw = 0;
        TracedCurve c = traceCurve(p);
        QCOMPARE(c.fillPath.size(), std::size_t(2));
        QCOMPARE(c.penPath.size(), std::size_t(2));   // the start point, and point 0 on it
        COMPARE_POINT(c.penPath[1], 285.0f, 0.0f);

        p.percentToDraw = -5;
        c = traceCurve(p);
        QCOMPARE(c.fillPath.size(), std::size_t(1));
        QCOMPARE(c.penPath.size(), std::size_t(1));
        COMPARE_POINT(c.lastRunnerCenter, 0.0f, 0.0f);
        QCOMPARE(c.lastRunnerAngle, -0.144613f);   // minus the runner increment
        QVERIFY(c.lastRunnerAngle == 0.0f - (232.0f / 72.0f) * (6.2831855f / 140.0f));

        p.percentToDraw = std::numeric_limits<float>::quiet_NaN();
        QCOMPARE(traceCurve(p).fillPath.size(), std::size_t(1));
    }

    void firstPointInALaterColourStartsAtTheStart()
    {
        // No revolutions with two colours: point 0 is in the second range. Its path begins at
        // the start point, not at the anchor's centre.
        CurveParameters p = defaultDesign();
        p.rotationsToMake = 0;
        p.numberOfColors = 2;
        const TracedCurve c = traceCurve(p);
        QCOMPARE(c.penPath.size(), std::size_t(1));
        QCOMPARE(c.pen2Path.size(), std::size_t(2));
        COMPARE_POINT(c.pen2Path[0], 285.0f, 0.0f);
        COMPARE_POINT(c.pen2Path[1], 285.0f, 0.0f);
    }

    void colourBoundaryGoesByTheAccumulatedAngle()
    {
        // Point 630's orbit angle 28.274343 is just at or past half of 56.548668.
        CurveParameters p = defaultDesign();
        p.numberOfColors = 2;
        const TracedCurve c = traceCurve(p);
        COMPARE_POINT(c.pen2Path[1], c.fillPath[1 + 630].x, c.fillPath[1 + 630].y);
    }

    void partialTraceIsAnExactPrefix_data()
    {
        QTest::addColumn<float>("anchor");
        QTest::addColumn<float>("runner");
        QTest::addColumn<float>("pen");
        QTest::addColumn<float>("revolutions");
        QTest::addRow("default design") << 160.0f << 72.0f << 53.0f << 9.0f;
        // Long enough to be traced in two halves at once; the prefix is traced in one.
        QTest::addRow("heavy design") << 500.0f << 3.0f << 2.0f << 60.0f;
    }

    void partialTraceIsAnExactPrefix()
    {
        QFETCH(float, anchor);
        QFETCH(float, runner);
        QFETCH(float, pen);
        QFETCH(float, revolutions);
        CurveParameters p = design(anchor, runner, pen, revolutions);
        p.numberOfColors = 3;
        p.closeCurve = true;
        const TracedCurve full = traceCurve(p);
        for (float percent : {1.0f, 30.0f, 50.0f, 99.0f}) {
            p.percentToDraw = percent;
            const TracedCurve part = traceCurve(p);
            QVERIFY(part.fillPath.size() < full.fillPath.size());
            QVERIFY(sameCurve(part.fillPath, full.fillPath, part.fillPath.size()));
            QVERIFY(sameCurve(part.penPath, full.penPath, part.penPath.size()));
            QVERIFY(sameCurve(part.pen2Path, full.pen2Path, part.pen2Path.size()));
            // No closing below 100 %.
            if (!part.pen3Path.empty())
                COMPARE_POINT(part.pen3Path.back(), part.fillPath.back().x, part.fillPath.back().y);
        }
    }

    void beyondTheWholeCurve()
    {
        CurveParameters p = defaultDesign();
        p.numberOfColors = 2;
        p.percentToDraw = 150;
        const TracedCurve c = traceCurve(p);
        QVERIFY(c.fillPath.size() > 1 + 1800);
        QCOMPARE(c.penPath.size(), std::size_t(1 + 630));   // the extra points are the last colour's
        QCOMPARE(c.pen2Path.size(), c.fillPath.size() - 630);
    }

    void closing_data()
    {
        QTest::addColumn<int>("colors");
        QTest::addColumn<float>("percent");
        QTest::addColumn<int>("closedPath");   // -1: none
        QTest::addRow("one colour, whole curve") << 1 << 100.0f << 0;
        QTest::addRow("two colours") << 2 << 100.0f << 1;
        QTest::addRow("three colours") << 3 << 100.0f << 2;
        QTest::addRow("seven colours count as one") << 7 << 100.0f << 0;
        QTest::addRow("past the whole curve") << 3 << 120.0f << 2;
        QTest::addRow("partial curve") << 2 << 99.9f << -1;
    }

    void closing()
    {
        QFETCH(int, colors);
        QFETCH(float, percent);
        QFETCH(int, closedPath);
        CurveParameters p = defaultDesign();
        p.numberOfColors = colors;
        p.percentToDraw = percent;
        p.closeCurve = true;
        const TracedCurve closed = traceCurve(p);
        p.closeCurve = false;
        const TracedCurve open = traceCurve(p);
        const Polyline TracedCurve::*paths[] = {&TracedCurve::penPath, &TracedCurve::pen2Path,
                                                &TracedCurve::pen3Path};
        for (int i = 0; i < 3; ++i) {
            const Polyline& c = closed.*paths[i];
            const Polyline& o = open.*paths[i];
            QCOMPARE(c.size(), o.size() + (i == closedPath ? 1 : 0));
            if (i == closedPath)
                COMPARE_POINT(c.back(), 285.0f, 0.0f);
        }
        QCOMPARE(closed.fillPath.size(), open.fillPath.size());   // the fill is never closed
    }

    void shortCurvesSkipColourRanges()
    {
        // Anchor and runner alike: 63 steps a turn, so these curves hold two points.
        CurveParameters p = design(10, 10, 5, 0.02f);
        p.numberOfColors = 3;
        p.closeCurve = true;
        TracedCurve c = traceCurve(p);
        QVERIFY(c.pen2Path.empty());   // the second point lies past the middle range
        QCOMPARE(c.pen3Path.size(), std::size_t(3));
        COMPARE_POINT(c.pen3Path.front(), c.penPath.back().x, c.penPath.back().y);
        COMPARE_POINT(c.pen3Path.back(), 25.0f, 0.0f);

        p.rotationsToMake = 0.03f;   // now the second point is in the middle range
        c = traceCurve(p);
        QCOMPARE(c.pen2Path.size(), std::size_t(2));
        QVERIFY(c.pen3Path.empty());   // and the closing has no path to start from
    }

    void zeroRunnerTracesTheStartOnly()
    {
        for (float anchor : {160.0f, 0.0f}) {
            CurveParameters p = design(anchor, 0, 53, 9);
            p.numberOfColors = 3;
            p.closeCurve = true;
            const TracedCurve c = traceCurve(p);
            QCOMPARE(c.fillPath.size(), std::size_t(2));
            for (const Polyline* path : {&c.penPath, &c.pen2Path, &c.pen3Path, &c.fillPath})
                for (const CurvePoint& point : *path)
                    QVERIFY(std::isfinite(point.x) && std::isfinite(point.y));
            QVERIFY(std::isfinite(c.lastRunnerAngle));
        }
    }

    void hugeDesignsStopAtTheBudget()
    {
        for (float revolutions : {1e7f, std::numeric_limits<float>::infinity()}) {
            const TracedCurve c = traceCurve(design(500, 3, 2, revolutions));
            QVERIFY(c.truncated);
            QCOMPARE(c.fillPath.size(), kTracePointBudget + 1);
            QCOMPARE(c.penPath.size(), kTracePointBudget + 1);
        }
        QVERIFY(!traceCurve(design(500, 3, 2, 60)).truncated);
    }

    void closingRevolutions_data()
    {
        QTest::addColumn<float>("anchor");
        QTest::addColumn<float>("runner");
        QTest::addColumn<float>("penHole");
        QTest::addColumn<bool>("grease");
        QTest::addColumn<int>("maxRevolutions");
        QTest::addColumn<int>("revolutions");   // 0: does not close
        const float third = 1.0f / 3;
        QTest::addRow("default design: 72 / gcd(160, 72)") << 160.0f << 72.0f << 53.0f << false << 1000 << 9;
        QTest::addRow("runner inside") << 160.0f << -72.0f << 53.0f << false << 1000 << 9;
        QTest::addRow("greased: k = 320 / 72") << 160.0f << 72.0f << 53.0f << true << 1000 << 9;
        QTest::addRow("k = 5 / 2") << 3.0f << 2.0f << 1.0f << false << 1000 << 2;
        QTest::addRow("greased, k = 6 / 2") << 3.0f << 2.0f << 1.0f << true << 1000 << 1;
        QTest::addRow("fractional runner: k = 93 / 29") << 160.0f << 72.5f << 53.0f << false << 1000 << 29;
        QTest::addRow("radii as typed: k = 2329 / 729") << 160.0f << 72.9f << 53.0f << false << 1000 << 729;
        QTest::addRow("fractional anchor: k = 87 / 20") << 100.5f << 30.0f << 20.0f << false << 1000 << 20;
        QTest::addRow("exactly the maximum") << 160.0f << 72.0f << 53.0f << false << 9 << 9;
        QTest::addRow("beyond the maximum") << 160.0f << 72.9f << 53.0f << false << 728 << 0;
        QTest::addRow("a third has no decimal") << 100.0f << third << 0.2f << false << 1'000'000 << 0;
        QTest::addRow("pen at the runner's centre: a circle") << 160.0f << third << 0.0f << false << 1000 << 1;
        QTest::addRow("no anchor: a circle") << 0.0f << 72.5f << 53.0f << false << 1000 << 1;
        QTest::addRow("no anchor, greased: the runner does not turn") << 0.0f << 72.5f << 53.0f << true << 1000 << 1;
        QTest::addRow("runner centred on the anchor") << 72.5f << -72.5f << 53.0f << false << 1000 << 1;
        QTest::addRow("runner centred, greased: k = -2") << 72.5f << -72.5f << 53.0f << true << 1000 << 1;
        QTest::addRow("no runner") << 160.0f << 0.0f << 53.0f << false << 1000 << 0;
        QTest::addRow("pen hole not a number") << 160.0f << 72.0f << std::numeric_limits<float>::quiet_NaN() << false << 1000 << 0;
        QTest::addRow("no revolution allowed") << 160.0f << 72.0f << 53.0f << false << 0 << 0;
    }

    void closingRevolutions()
    {
        QFETCH(float, anchor);
        QFETCH(float, runner);
        QFETCH(float, penHole);
        QFETCH(bool, grease);
        QFETCH(int, maxRevolutions);
        QFETCH(int, revolutions);
        QCOMPARE(::closingRevolutions(anchor, runner, penHole, grease, maxRevolutions).value_or(0), revolutions);
    }
};

QTEST_APPLESS_MAIN(TestCurveTrace)
#include "tst_curvetrace.moc"
