#include "art/CurveClosure.h"
#include "art/CurveTrace.h"
#include "art/CurveTraceOptions.h"
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <chrono>
#include <thread>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

Q_DECLARE_METATYPE(TracePath)
Q_DECLARE_METATYPE(CurveParameters)

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

const auto design = curveDesign;
CurveParameters defaultDesign() { return design(160, 72, 53, 9); }
CurveParameters pastTheBudget() { return heavyDesign(1000); }

// The design drawn to `percent`, in `colors` colours (closed when more than one), greased or not.
CurveParameters with(CurveParameters p, float percent, int32_t colors = 1, bool grease = false)
{
    p.percentToDraw = percent;
    p.numberOfColors = colors;
    p.closeCurve = colors > 1;
    p.greaseIt = grease;
    return p;
}

const char* pathName(TracePath path)
{
    switch (path) {
    case TracePath::Automatic: return "automatic";
    case TracePath::Scalar: return "scalar";
    case TracePath::Avx2: return "AVX2";
    case TracePath::Avx512: return "AVX-512";
    }
    return "?";
}

// Options that force a path.
TraceOptions on(TracePath path, std::size_t* recomputedPoints = nullptr)
{
    TraceOptions options;
    options.path = path;
    options.recomputedPoints = recomputedPoints;
    return options;
}

TracedCurve traced(const CurveParameters& p, TracePath path, std::size_t* recomputedPoints = nullptr)
{
    TracedCurve curve;
    traceCurve(p, curve, on(path, recomputedPoints));
    return curve;
}

bool sameCurve(PolylineView a, PolylineView b, std::size_t count)
{
    if (a.size() < count || b.size() < count)
        return false;
    for (std::size_t i = 0; i < count; ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y)
            return false;
    return true;
}

template <class T>
bool sameBits(const T& a, const T& b) { return std::memcmp(&a, &b, sizeof(T)) == 0; }

// Where two paths first differ, bit for bit (so 0 and -0 differ, and NaNs are compared too).
QString pathDifference(const char* name, PolylineView a, PolylineView b)
{
    if (a.size() != b.size())
        return QString("%1 has %2 points, not %3; ").arg(name).arg(a.size()).arg(b.size());
    const auto bits = [](const TracedPoint& p) {
        quint64 word = 0;
        std::memcpy(&word, &p, sizeof p);
        return QString::number(word, 16);
    };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!sameBits(a.data()[i], b.data()[i]))
            return QString("%1[%2] is (%3, %4) = 0x%5, not (%6, %7) = 0x%8; ").arg(name).arg(i)
                .arg(a[i].x, 0, 'g', 9).arg(a[i].y, 0, 'g', 9).arg(bits(a.data()[i]))
                .arg(b[i].x, 0, 'g', 9).arg(b[i].y, 0, 'g', 9).arg(bits(b.data()[i]));
    return {};
}

// Empty when the curves are the same to the bit.
QString curveDifference(const TracedCurve& a, const TracedCurve& b)
{
    QString difference = pathDifference("fillPath", a.fillPath(), b.fillPath());
    difference += pathDifference("penPath", a.penPath(), b.penPath());
    difference += pathDifference("pen2Path", a.pen2Path(), b.pen2Path());
    difference += pathDifference("pen3Path", a.pen3Path(), b.pen3Path());
    if (!sameBits(a.startPoint, b.startPoint) || !sameBits(a.lastRunnerCenter, b.lastRunnerCenter)
        || !sameBits(a.lastRunnerAngle, b.lastRunnerAngle) || a.truncated != b.truncated
        || a.allPointsFinite != b.allPointsFinite)
        difference += "the start, the runner or the flags differ";
    return difference;
}

}

// The curve's behaviour, checked once for each path the processor runs.
class TestCurveTrace : public QObject
{
    Q_OBJECT

public:
    explicit TestCurveTrace(TracePath path) : m_path(path) {}

private:
    TracedCurve trace(const CurveParameters& p) const { return traced(p, m_path); }

    const TracePath m_path;

private slots:
    void initTestCase() { qInfo("Tracing on the %s path", pathName(m_path)); }

    void defaultDesignPointForPoint()
    {
        const TracedCurve c = trace(defaultDesign());
        QCOMPARE(c.fillPath().size(), std::size_t(1 + 1260));
        QCOMPARE(c.penPath().size(), std::size_t(1 + 1260));
        COMPARE_POINT(c.startPoint, 285.0f, 0.0f);
        COMPARE_POINT(c.fillPath()[0], 285.0f, 0.0f);
        COMPARE_POINT(c.fillPath()[1], 285.0f, 0.0f);   // point 0 is the start point
        COMPARE_POINT(c.fillPath()[2], 284.21317f, 18.046444f);
        COMPARE_POINT(c.fillPath()[3], 281.86469f, 35.912476f);
        COMPARE_POINT(c.fillPath().back(), 284.20261f, -18.115435f);
        COMPARE_POINT(c.lastRunnerCenter, 231.76659f, -10.404191f);
        QCOMPARE(c.lastRunnerAngle, 182.06636f);
        QVERIFY(c.lastRunnerAngle == 182.06636f);
        QVERIFY(c.pen2Path().empty() && c.pen3Path().empty());
        QVERIFY(!c.truncated);
        QVERIFY(sameCurve(c.penPath(), c.fillPath(), c.fillPath().size()));
    }

    void colorSplits()
    {
        CurveParameters p = defaultDesign();
        p.numberOfColors = 2;
        TracedCurve c = trace(p);
        // Points 0–629 and 630–1259; the second colour starts at point 629.
        QCOMPARE(c.penPath().size(), std::size_t(1 + 630));
        QCOMPARE(c.pen2Path().size(), std::size_t(1 + 630));
        COMPARE_POINT(c.pen2Path().front(), -284.21390f, 18.039988f);
        COMPARE_POINT(c.pen2Path().front(), c.penPath().back().x, c.penPath().back().y);
        QVERIFY(c.pen3Path().empty());

        p.numberOfColors = 3;
        c = trace(p);
        QCOMPARE(c.penPath().size(), std::size_t(1 + 416));
        QCOMPARE(c.pen2Path().size(), std::size_t(1 + 416));
        QCOMPARE(c.pen3Path().size(), std::size_t(1 + 428));
        COMPARE_POINT(c.pen2Path().front(), c.penPath().back().x, c.penPath().back().y);
        COMPARE_POINT(c.pen3Path().front(), c.pen2Path().back().x, c.pen2Path().back().y);
        COMPARE_POINT(c.pen3Path().back(), 284.20261f, -18.115435f);
        QCOMPARE(c.fillPath().size(), std::size_t(1 + 1260));
    }

    void insideAndGreaseVariants()
    {
        CurveParameters inside = defaultDesign();
        inside.runnerRadius = -72;
        TracedCurve c = trace(inside);
        COMPARE_POINT(c.startPoint, 141.0f, 0.0f);
        COMPARE_POINT(c.fillPath()[2], 140.83168f, 1.0423429f);
        QCOMPARE(c.fillPath().size(), std::size_t(1 + 1260));   // same step as outside

        CurveParameters greased = defaultDesign();
        greased.greaseIt = true;
        c = trace(greased);
        COMPARE_POINT(c.fillPath()[2], 283.71552f, 20.910387f);
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
        const TracedCurve c = trace(design(anchor, runner, 10, 1));
        // 6284 steps overshoot one turn by rounding; 63 steps end within rounding of it.
        QCOMPARE(c.fillPath().size() - 1, pointsPerTurn);
    }

    void noAnchorRunsOnACircle()
    {
        const TracedCurve plain = trace(design(0, 50, 20, 1));
        for (const CurvePoint p : plain.fillPath())
            QVERIFY(std::abs(std::hypot(p.x, p.y) - 70) < 1e-3);
        QVERIFY(std::abs(plain.fillPath().back().x - 70) < 1e-3);

        CurveParameters greased = design(0, 50, 20, 1);
        greased.greaseIt = true;   // turn ratio 0: the runner does not turn
        const TracedCurve greasedCurve = trace(greased);
        for (const CurvePoint p : greasedCurve.fillPath())
            QVERIFY(std::abs(std::hypot(p.x - 20, p.y) - 50) < 1e-3);
    }

    void zeroAndNegativeTotalAngle()
    {
        CurveParameters p = defaultDesign();
        p.percentToDraw = 0;
        TracedCurve c = trace(p);
        QCOMPARE(c.fillPath().size(), std::size_t(2));
        QCOMPARE(c.penPath().size(), std::size_t(2));   // the start point, and point 0 on it
        COMPARE_POINT(c.penPath()[1], 285.0f, 0.0f);

        p.percentToDraw = -5;
        c = trace(p);
        QCOMPARE(c.fillPath().size(), std::size_t(1));
        QCOMPARE(c.penPath().size(), std::size_t(1));
        COMPARE_POINT(c.lastRunnerCenter, 0.0f, 0.0f);
        QCOMPARE(c.lastRunnerAngle, -0.144613f);   // minus the runner increment
        QVERIFY(c.lastRunnerAngle == 0.0f - (232.0f / 72.0f) * (6.2831855f / 140.0f));

        p.percentToDraw = std::numeric_limits<float>::quiet_NaN();
        QCOMPARE(trace(p).pointCount(), std::size_t(0));
    }

    void firstPointInALaterColourStartsAtTheStart()
    {
        // No revolutions with two colours: point 0 is in the second range. Its path begins at
        // the start point, not at the anchor's centre.
        CurveParameters p = defaultDesign();
        p.rotationsToMake = 0;
        p.numberOfColors = 2;
        const TracedCurve c = trace(p);
        QCOMPARE(c.penPath().size(), std::size_t(1));
        QCOMPARE(c.pen2Path().size(), std::size_t(2));
        COMPARE_POINT(c.pen2Path()[0], 285.0f, 0.0f);
        COMPARE_POINT(c.pen2Path()[1], 285.0f, 0.0f);
    }

    void colourBoundaryGoesByTheAccumulatedAngle()
    {
        // Point 630's orbit angle 28.274343 is just at or past half of 56.548668.
        CurveParameters p = defaultDesign();
        p.numberOfColors = 2;
        const TracedCurve c = trace(p);
        COMPARE_POINT(c.pen2Path()[1], c.fillPath()[1 + 630].x, c.fillPath()[1 + 630].y);
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
        const TracedCurve full = trace(p);
        for (float percent : {1.0f, 30.0f, 50.0f, 99.0f}) {
            p.percentToDraw = percent;
            const TracedCurve part = trace(p);
            QVERIFY(part.fillPath().size() < full.fillPath().size());
            QVERIFY(sameCurve(part.fillPath(), full.fillPath(), part.fillPath().size()));
            QVERIFY(sameCurve(part.penPath(), full.penPath(), part.penPath().size()));
            QVERIFY(sameCurve(part.pen2Path(), full.pen2Path(), part.pen2Path().size()));
            // No closing below 100 %.
            if (!part.pen3Path().empty())
                COMPARE_POINT(part.pen3Path().back(), part.fillPath().back().x, part.fillPath().back().y);
        }
    }

    void beyondTheWholeCurve()
    {
        CurveParameters p = defaultDesign();
        p.numberOfColors = 2;
        p.percentToDraw = 150;
        const TracedCurve c = trace(p);
        QVERIFY(c.fillPath().size() > 1 + 1800);
        QCOMPARE(c.penPath().size(), std::size_t(1 + 630));   // the extra points are the last colour's
        QCOMPARE(c.pen2Path().size(), c.fillPath().size() - 630);
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
        const TracedCurve closed = trace(p);
        p.closeCurve = false;
        const TracedCurve open = trace(p);
        PolylineView (TracedCurve::*paths[])() const& = {&TracedCurve::penPath, &TracedCurve::pen2Path,
                                                         &TracedCurve::pen3Path};
        for (int i = 0; i < 3; ++i) {
            const PolylineView c = (closed.*paths[i])();
            const PolylineView o = (open.*paths[i])();
            QCOMPARE(c.size(), o.size() + (i == closedPath ? 1 : 0));
            if (i == closedPath)
                COMPARE_POINT(c.back(), 285.0f, 0.0f);
        }
        QCOMPARE(closed.fillPath().size(), open.fillPath().size());   // the fill is never closed
    }

    void shortCurvesSkipColourRanges()
    {
        // Anchor and runner alike: 63 steps a turn, so these curves hold two points.
        CurveParameters p = design(10, 10, 5, 0.02f);
        p.numberOfColors = 3;
        p.closeCurve = true;
        TracedCurve c = trace(p);
        QVERIFY(c.pen2Path().empty());   // the second point lies past the middle range
        QCOMPARE(c.pen3Path().size(), std::size_t(3));
        COMPARE_POINT(c.pen3Path().front(), c.penPath().back().x, c.penPath().back().y);
        COMPARE_POINT(c.pen3Path().back(), 25.0f, 0.0f);

        p.rotationsToMake = 0.03f;   // now the second point is in the middle range
        c = trace(p);
        QCOMPARE(c.pen2Path().size(), std::size_t(2));
        QVERIFY(c.pen3Path().empty());   // and the closing has no path to start from
    }

    void zeroRunnerTracesTheStartOnly()
    {
        for (float anchor : {160.0f, 0.0f}) {
            CurveParameters p = design(anchor, 0, 53, 9);
            p.numberOfColors = 3;
            p.closeCurve = true;
            const TracedCurve c = trace(p);
            QCOMPARE(c.fillPath().size(), std::size_t(2));
            for (const PolylineView& path : {c.penPath(), c.pen2Path(), c.pen3Path(), c.fillPath()})
                for (const CurvePoint point : path)
                    QVERIFY(std::isfinite(point.x) && std::isfinite(point.y));
            QVERIFY(std::isfinite(c.lastRunnerAngle));
        }
    }

    void hugeDesignsStopAtTheBudget()
    {
        for (float revolutions : {1e7f, std::numeric_limits<float>::infinity()}) {
            const TracedCurve c = trace(heavyDesign(revolutions));
            QVERIFY(c.truncated);
            QCOMPARE(c.fillPath().size(), std::size_t(4'194'305));
            QCOMPARE(c.penPath().size(), std::size_t(4'194'305));
        }
        QVERIFY(!trace(heavyDesign()).truncated);
    }

    // A curve of a picture of many may have fewer points left than its own budget: it is cut
    // there as it is at its own, an exact prefix of the whole, and the estimate knows it.
    void aLowerBudgetCutsTheCurve_data()
    {
        QTest::addColumn<qulonglong>("budget");
        const CurveParameters whole = with(heavyDesign(), 100, 3);
        const qulonglong points = trace(whole).pointCount();
        QTest::addRow("none") << 0ull;
        QTest::addRow("one point") << 1ull;
        QTest::addRow("within the first colour") << 1000ull;
        QTest::addRow("a half, as two threads would trace it") << points / 2;
        QTest::addRow("all but the last point") << points - 1;
        QTest::addRow("exactly its points") << points;
        QTest::addRow("more than its points") << points + 1;
    }

    void aLowerBudgetCutsTheCurve()
    {
        QFETCH(qulonglong, budget);
        CurveParameters p = with(heavyDesign(), 100, 3);
        const TracedCurve whole = trace(p);
        p.pointBudget = budget;
        const TracedCurve cut = trace(p);
        QCOMPARE(cut.pointCount(), std::min<std::size_t>(budget, whole.pointCount()));
        QCOMPARE(cut.truncated, budget < whole.pointCount());
        QCOMPARE(estimatedPointCount(p), cut.pointCount());
        if (cut.pointCount() == 0)
            return;
        QVERIFY(sameCurve(cut.fillPath(), whole.fillPath(), cut.fillPath().size()));
        QVERIFY(sameCurve(cut.penPath(), whole.penPath(), cut.penPath().size()));
        QVERIFY(sameCurve(cut.pen2Path(), whole.pen2Path(), cut.pen2Path().size()));
        if (!cut.truncated)
            QCOMPARE(curveDifference(cut, whole), QString());
    }

    void allPointsFiniteSaysWhetherTheyAre_data()
    {
        QTest::addColumn<CurveParameters>("parameters");
        QTest::addColumn<bool>("finite");
        QTest::addRow("default design") << defaultDesign() << true;
        QTest::addRow("zero runner") << design(160, 0, 53, 9) << true;
        QTest::addRow("infinite pen") << design(160, 72, std::numeric_limits<float>::infinity(), 1) << false;
        QTest::addRow("centre distance past the float range") << design(3e38f, 3e38f, 1, 1) << false;
        // The start point is finite; every point after it turns the runner by infinity.
        QTest::addRow("turn ratio past the float range") << design(3e38f, 1e-38f, 1, 1) << false;
    }

    void allPointsFiniteSaysWhetherTheyAre()
    {
        QFETCH(CurveParameters, parameters);
        QFETCH(bool, finite);
        const TracedCurve c = trace(with(parameters, 100, 3));
        bool everyPointFinite = true;
        for (const PolylineView& path : {c.penPath(), c.pen2Path(), c.pen3Path(), c.fillPath()})
            for (const CurvePoint point : path)
                everyPointFinite = everyPointFinite && std::isfinite(point.x) && std::isfinite(point.y);
        QCOMPARE(everyPointFinite, finite);
        QCOMPARE(c.allPointsFinite, finite);
    }

    void estimateIsThePointCount_data()
    {
        QTest::addColumn<CurveParameters>("parameters");
        QTest::addRow("default design") << defaultDesign();
        QTest::addRow("a third of it") << with(defaultDesign(), 33.3f);
        QTest::addRow("inside runner") << design(160, -72, 53, 9);
        QTest::addRow("no anchor") << design(0, 50, 20, 1);
        QTest::addRow("heavy design") << heavyDesign();
        // 630,000 points at angles up to 62,832, where the 32-bit sums drift furthest from i × step.
        QTest::addRow("large angles") << design(10, 10, 5, 10000);
        QTest::addRow("past the budget") << pastTheBudget();
        QTest::addRow("endless") << heavyDesign(std::numeric_limits<float>::infinity());
        QTest::addRow("total angle 0") << with(defaultDesign(), 0);
        QTest::addRow("negative total angle") << with(defaultDesign(), -5);
        QTest::addRow("NaN total angle") << with(defaultDesign(), std::numeric_limits<float>::quiet_NaN());
        QTest::addRow("zero runner") << design(160, 0, 53, 9);
    }

    void estimateIsThePointCount()
    {
        QFETCH(CurveParameters, parameters);
        QCOMPARE(estimatedPointCount(parameters), trace(parameters).pointCount());
    }

    void tracingIntoACurveReusesItsMemory()
    {
        TracedCurve curve;
        QVERIFY(traceCurve(heavyDesign(), curve, on(m_path)));
        const TracedPoint* const memory = curve.fillPath().data();
        QVERIFY(traceCurve(with(defaultDesign(), 100, 3), curve, on(m_path)));
        QCOMPARE(curve.fillPath().data(), memory);
        QCOMPARE(curveDifference(curve, trace(with(defaultDesign(), 100, 3))), QString());
        QVERIFY(traceCurve(heavyDesign(), curve, on(m_path)));
        QCOMPARE(curveDifference(curve, trace(heavyDesign())), QString());
    }

    void aCancelledTraceLeavesTheCurveEmpty()
    {
        const std::atomic<bool> cancelled{true};
        TracedCurve curve = trace(defaultDesign());
        TraceOptions options = on(m_path);
        options.cancel = &cancelled;
        QVERIFY(!traceCurve(heavyDesign(), curve, options));
        QCOMPARE(curve.pointCount(), std::size_t(0));
        for (const PolylineView& path : {curve.penPath(), curve.pen2Path(), curve.pen3Path(), curve.fillPath()})
            QVERIFY(path.empty());
        QCOMPARE(curveDifference(curve, TracedCurve()), QString());
        QVERIFY(traceCurve(defaultDesign(), curve, on(m_path)));
        QCOMPARE(curveDifference(curve, trace(defaultDesign())), QString());
    }

    // A cancel that comes while the points are being computed, on one thread or two, leaves the
    // curve empty however much of it was written: the memory still holds the points of the design
    // traced into it before, and none of them may pass for the new curve's. A trace that
    // finished before the cancel came is whole; the next trace holds only its own points.
    void aCancelPartWayLeavesNoOldPoints()
    {
        const CurveParameters before = heavyDesign();
        const CurveParameters wanted = with(design(500, 3, 2.5f, 60), 100, 3);   // as many points
        const TracedCurve whole = trace(wanted);
        QElapsedTimer clock;
        clock.start();
        trace(wanted);
        const qint64 traceNs = std::max<qint64>(clock.nsecsElapsed(), 100'000);
        // The canceller may come late on a loaded machine: rounds go on until one lands.
        constexpr int kMostRounds = 50;
        int cancelled = 0;
        for (int round = 0; round < kMostRounds && cancelled == 0; ++round) {
            for (const double share : {0.6, 0.45, 0.3, 0.2, 0.12, 0.06, 0.03, 0.0}) {
                TracedCurve curve;
                QVERIFY(traceCurve(before, curve, on(m_path)));
                std::atomic<bool> start{false};
                std::atomic<bool> cancel{false};
                TraceOptions options = on(m_path);
                options.cancel = &cancel;
                // Already running when the trace starts, and kept running, so that the wait is
                // the share of a trace.
                std::thread canceller([&start, &cancel, wait = std::chrono::nanoseconds(qint64(traceNs * share))] {
                    while (!start)
                        std::this_thread::yield();
                    const auto until = std::chrono::steady_clock::now() + wait;
                    while (std::chrono::steady_clock::now() < until)
                        std::this_thread::yield();
                    cancel = true;
                });
                start = true;
                const bool finished = traceCurve(wanted, curve, options);
                canceller.join();
                if (finished) {
                    QCOMPARE(curveDifference(curve, whole), QString());
                    continue;
                }
                ++cancelled;
                QCOMPARE(curveDifference(curve, TracedCurve()), QString());   // no point, no path, no runner
                QVERIFY(traceCurve(defaultDesign(), curve, on(m_path)));
                QCOMPARE(curveDifference(curve, trace(defaultDesign())), QString());
            }
        }
        QVERIFY2(cancelled > 0, "no cancel came while a trace was under way");
    }

    void copiesAndMovesKeepTheirOwnPoints()
    {
        TracedCurve original = trace(with(defaultDesign(), 100, 2));
        const TracedCurve copy = original;
        const TracedCurve moved = std::move(original);
        // Moved from, it holds no path into the array it gave away.
        QVERIFY(original.fillPath().empty() && original.penPath().empty() && original.pen2Path().empty());
        original = trace(heavyDesign());
        QCOMPARE(curveDifference(copy, moved), QString());
        QCOMPARE(curveDifference(copy, trace(with(defaultDesign(), 100, 2))), QString());
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
        QTest::addRow("one revolution allowed") << 3.0f << 2.0f << 1.0f << true << 1 << 1;
        QTest::addRow("six decimal places: k = 4 / 3") << 0.000001f << 0.000003f << 1.0f << false << 1000 << 3;
        QTest::addRow("a seventh place is too fine") << 1.0f << 0.0000003f << 1.0f << false << 1'000'000 << 0;
        // Radii far beyond any design drawn, still whole numbers of their last place: 2^53 is the
        // largest count of units a double holds exactly.
        QTest::addRow("huge radii: k = 5 / 2") << 0x3p50f << 0x1p51f << 1.0f << false << 1000 << 2;
        QTest::addRow("an anchor of 2^53 units: k = 7 / 3") << 0x1p53f << 0x3p51f << 1.0f << false << 1000 << 3;
        QTest::addRow("the largest floats: too large to count") << 3e38f << 1e38f << 1.0f << true << 1000 << 0;
        QTest::addRow("a huge pen hole changes nothing") << 160.0f << 72.0f << 3e38f << false << 1000 << 9;
    }

    void closingRevolutions()
    {
        QFETCH(float, anchor);
        QFETCH(float, runner);
        QFETCH(float, penHole);
        QFETCH(bool, grease);
        QFETCH(int, maxRevolutions);
        QFETCH(int, revolutions);
        const std::optional<int> closes = ::closingRevolutions(anchor, runner, penHole, grease, maxRevolutions);
        QCOMPARE(closes.has_value(), revolutions != 0);   // never a count of none
        if (closes)
            QCOMPARE(*closes, revolutions);
    }
};

// The vector paths against the scalar one: the same bits on every point.
class TestTracePaths : public QObject
{
    Q_OBJECT

private slots:
    // Whatever the processor, the scalar path and the automatic choice are there to be asked for.
    void scalarAndAutomaticPathsAreAlwaysThere()
    {
        QVERIFY(isTracePathAvailable(TracePath::Scalar));
        QVERIFY(isTracePathAvailable(TracePath::Automatic));
    }

    void vectorPathsGiveTheScalarBits_data()
    {
        QTest::addColumn<TracePath>("path");
        QTest::addColumn<CurveParameters>("parameters");
        for (TracePath path : {TracePath::Avx2, TracePath::Avx512}) {
            const char* name = pathName(path);
            QTest::addRow("%s: worked example", name) << path << defaultDesign();
            QTest::addRow("%s: inside runner", name) << path << design(160, -72, 53, 9);
            QTest::addRow("%s: grease", name) << path << with(defaultDesign(), 100, 1, true);
            QTest::addRow("%s: two colours", name) << path << with(defaultDesign(), 100, 2);
            QTest::addRow("%s: three colours", name) << path << with(defaultDesign(), 100, 3);
            QTest::addRow("%s: partial", name) << path << with(defaultDesign(), 37, 3);
            QTest::addRow("%s: heavy design", name) << path << heavyDesign();
            QTest::addRow("%s: past the budget", name) << path << pastTheBudget();
            // The runner turns by 100,000 radians a step: angles up to 10^9.
            QTest::addRow("%s: huge turn ratio", name) << path << design(1e6f, 0.01f, 3, 2);
            QTest::addRow("%s: points that are not finite", name) << path << design(3e38f, 1e-38f, 1, 1);
            QTest::addRow("%s: NaN pen, NaN turns", name)
                << path << design(123, 1e-38f, std::numeric_limits<float>::quiet_NaN(), 1);
        }
    }

    void vectorPathsGiveTheScalarBits()
    {
        QFETCH(TracePath, path);
        QFETCH(CurveParameters, parameters);
        if (!isTracePathAvailable(path))
            QSKIP("The processor lacks this path");
        QCOMPARE(curveDifference(traced(parameters, path), traced(parameters, TracePath::Scalar)), QString());
    }

    void pointsNearARoundingBoundaryAreRecomputed_data()
    {
        QTest::addColumn<TracePath>("path");
        for (TracePath path : {TracePath::Avx2, TracePath::Avx512})
            QTest::addRow("%s", pathName(path)) << path;
    }

    void pointsNearARoundingBoundaryAreRecomputed()
    {
        QFETCH(TracePath, path);
        if (!isTracePathAvailable(path))
            QSKIP("The processor lacks this path");
        // cos(2^-12) = 1 - 2^-25 + 2^-52.6: a hair from the midpoint between two floats. A
        // runner turning by -2^-12 a step brings it into point 1. Greased with a runner of -4,
        // the turn ratio is exactly -anchor / 2 and the step 2π / 63: the anchor is searched for
        // whose product with the step rounds to -2^-12.
        constexpr float kRunnerTurn = -0x1p-12f;
        constexpr int kSearchLimit = 100;
        CurveParameters p = with(design(0.0049f, -4, 1, 0.024f), 100, 1, true);   // points 0 and 1
        TracedCurve probe = traced(p, TracePath::Scalar);
        p.anchorRadius *= kRunnerTurn / probe.lastRunnerAngle;
        for (int tries = 0; (probe = traced(p, TracePath::Scalar)).lastRunnerAngle != kRunnerTurn; ++tries) {
            QVERIFY2(tries < kSearchLimit, "no anchor turns the runner by exactly -2^-12");
            p.anchorRadius = std::nextafter(p.anchorRadius, probe.lastRunnerAngle < kRunnerTurn ? 0.0f : 1.0f);
        }

        // Then a pen radius P puts x = cx + P·cos(-2^-12) on a boundary. With |cx| / 2^e in
        // (4i, 4i + 1) and P = (2i + 1)·2^(e+1), cx + P lies in [2^e, 2^(e+1)) on that binade's
        // float grid, and P·2^-25 is an odd number of half steps of it.
        const double centre = probe.lastRunnerCenter.x;
        double pen = 0;
        for (int e = std::ilogb(centre); pen == 0 && e > std::ilogb(centre) - 20; --e) {
            const double quarters = std::fabs(centre) / std::ldexp(1.0, e + 2);
            const double i = std::floor(quarters);
            if (quarters - i > 0 && quarters - i < 0.25)
                pen = (2 * i + 1) * std::ldexp(1.0, e + 1);
        }
        p.penHoleRadius = static_cast<float>(pen);
        QCOMPARE(double(p.penHoleRadius), pen);
        const double sum = centre + pen * std::cos(double(kRunnerTurn));
        const auto x = static_cast<float>(sum);
        const float neighbour = std::nextafter(x, sum > x ? 1.0f : -1.0f);
        QVERIFY(std::fabs(sum - (double(x) + double(neighbour)) / 2) < 0x1p-50 * pen);

        std::size_t recomputed = 0;
        const TracedCurve curve = traced(p, path, &recomputed);
        QCOMPARE(recomputed, std::size_t(1));
        QCOMPARE(curve.fillPath()[2].x, double(x));
        QCOMPARE(curveDifference(curve, traced(p, TracePath::Scalar)), QString());
    }
};

// The precise trace against the curve's closed form: the pen at orbit angle t stands at
// (a + r)(cos t, sin t) + h(cos kt, sin kt), k = (a + r) / r, or 2a / r greased.
class TestPreciseTrace : public QObject
{
    Q_OBJECT

    static CurveParameters precise(CurveParameters p)
    {
        p.precise = true;
        return p;
    }

private slots:
    void pointsLieOnTheClosedForm_data()
    {
        QTest::addColumn<CurveParameters>("parameters");
        QTest::addRow("the default design") << precise(design(160, 72, 53, 9));
        QTest::addRow("inside, 28 revolutions") << precise(design(150, -56, 40, 28));
        QTest::addRow("greased, three colours, closed") << [] {
            CurveParameters p = precise(design(100, 30, 25, 3.5f));
            p.greaseIt = true;
            p.numberOfColors = 3;
            p.closeCurve = true;
            return p;
        }();
        QTest::addRow("900 revolutions") << precise(design(160, 72, 53, 900));
        QTest::addRow("half drawn") << [] {
            CurveParameters p = precise(design(160, 72, 53, 9));
            p.percentToDraw = 50;
            return p;
        }();
        // Traced for an output finer than the screen: every chord within its error of the curve.
        const auto finer = [](CurveParameters p, double chordError) {
            p.chordError = chordError;
            return precise(p);
        };
        // A 5000-pixel image fits Lotus's radius of 194 in 5000 / 2.05 pixels: a quarter pixel
        // is 0.0199 units.
        QTest::addRow("Lotus in a 5000-pixel image") << finer(design(110, 44, 40, 2), 0.0199);
        QTest::addRow("the default design within 0.001") << finer(design(160, 72, 53, 9), 0.001);
        QTest::addRow("inside, greased, half drawn, within 0.003") << [&] {
            CurveParameters p = finer(design(150, -56, 40, 28), 0.003);
            p.greaseIt = true;
            p.percentToDraw = 50;
            return p;
        }();
    }

    // Every point within a float's rounding of the closed form, the last at the total angle, the
    // count as estimated, and the colour paths laid as the ordinary trace lays them.
    void pointsLieOnTheClosedForm()
    {
        QFETCH(CurveParameters, parameters);
        const CurveParameters& p = parameters;
        const TracedCurve curve = traceCurve(p);
        const double a = p.anchorRadius, r = p.runnerRadius, h = p.penHoleRadius;
        const double k = p.greaseIt ? 2 * a / r : (a + r) / r;
        // A part of the curve is a prefix of the whole, whose last point is at the total angle.
        CurveParameters wholeParameters = p;
        wholeParameters.percentToDraw = 100;
        const TracedCurve whole = traceCurve(wholeParameters);
        const double total = double(p.rotationsToMake) * 2 * M_PI;
        const PolylineView points = curve.fillPath();
        const std::size_t n = curve.pointCount();
        QCOMPARE(estimatedPointCount(p), n);
        QVERIFY(n <= whole.pointCount());
        const double reach = std::abs(a + r) + std::abs(h);
        for (std::size_t i = 0; i < n; ++i) {
            QCOMPARE(points[1 + i].x, whole.fillPath()[1 + i].x);
            const double t = total * double(i) / double(whole.pointCount() - 1);
            const double x = (a + r) * std::cos(t) + h * std::cos(k * t);
            const double y = (a + r) * std::sin(t) + h * std::sin(k * t);
            const CurvePoint q = points[1 + i];
            QVERIFY2(std::hypot(q.x - x, q.y - y) <= reach * 1e-6,
                     qPrintable(QString("point %1 of %2 is (%3, %4), not (%5, %6)").arg(i).arg(n).arg(q.x).arg(q.y).arg(x).arg(y)));
            if (p.chordError > 0 && i + 1 < n) {
                // Halfway along the step, where a chord strays furthest, within a float's rounding.
                const double m = t + total / double(whole.pointCount() - 1) / 2;
                const QPointF halfway((a + r) * std::cos(m) + h * std::cos(k * m), (a + r) * std::sin(m) + h * std::sin(k * m));
                const double strays = distanceToSegment(halfway, QPointF(q.x, q.y), QPointF(points[2 + i].x, points[2 + i].y));
                QVERIFY2(strays <= p.chordError + reach * 1e-7, qPrintable(QString("chord %1 strays %2").arg(i).arg(strays)));
            }
        }
        CurveParameters ordinary = p;
        ordinary.precise = false;
        const TracedCurve plain = traceCurve(ordinary);
        QCOMPARE(curve.penPath().size() + curve.pen2Path().size() + curve.pen3Path().size() > 0, true);
        QCOMPARE(curve.penPath().front().x, plain.penPath().front().x);
    }

    // A curve that closes meets itself, and extra revolutions go over the same line: the
    // ordinary trace's 32-bit angle sums drift off it, which is why the precise one exists.
    void aClosedCurveMeetsItself()
    {
        const CurveParameters nine = precise(design(160, 72, 53, 9));
        const TracedCurve closed = traceCurve(nine);
        const CurvePoint start = closed.startPoint;
        const CurvePoint last = closed.fillPath().back();
        QVERIFY2(std::hypot(last.x - start.x, last.y - start.y) < 1e-3, qPrintable(QString::number(last.x - start.x)));

        const TracedCurve many = traceCurve(precise(design(160, 72, 53, 900)));
        const TracedCurve plain = traceCurve(design(160, 72, 53, 900));
        const std::size_t perClosure = closed.pointCount() - 1;   // 9 revolutions' steps
        const auto driftAfter = [perClosure](const TracedCurve& curve, std::size_t closures) {
            const CurvePoint a = curve.fillPath()[1 + 1000];
            const CurvePoint b = curve.fillPath()[1 + 1000 + closures * perClosure];
            return std::hypot(a.x - b.x, a.y - b.y);
        };
        QVERIFY2(driftAfter(many, 99) < 1e-2, qPrintable(QString::number(driftAfter(many, 99))));
        QVERIFY2(driftAfter(plain, 99) > 1, qPrintable(QString::number(driftAfter(plain, 99))));
    }

    void aCancelledPreciseTraceLeavesNothing()
    {
        std::atomic<bool> cancel{true};
        TracedCurve curve = traceCurve(precise(heavyDesign()));
        QVERIFY(!traceCurve(precise(heavyDesign()), curve, &cancel));
        QCOMPARE(curve.pointCount(), std::size_t(0));
        QVERIFY(curve.fillPath().empty());
    }

    // Traced finer for an output, a curve takes no more points than its budget holds whole: its
    // end is never cut for smoothness.
    void aFinerTraceKeepsItsEnd()
    {
        CurveParameters p = precise(design(160, 72, 53, 9));
        const std::size_t onScreen = traceCurve(p).pointCount();
        p.pointBudget = onScreen * 3;
        p.chordError = 1e-9;
        const TracedCurve curve = traceCurve(p);
        QVERIFY(!curve.truncated);
        QVERIFY(curve.pointCount() > onScreen * 2 && curve.pointCount() <= onScreen * 3);
        QCOMPARE(estimatedPointCount(p), curve.pointCount());
    }

    void theBudgetCutsAPreciseTrace()
    {
        CurveParameters p = precise(heavyDesign());
        p.pointBudget = 1000;
        const TracedCurve curve = traceCurve(p);
        QCOMPARE(curve.pointCount(), std::size_t(1000));
        QVERIFY(curve.truncated);
        QCOMPARE(estimatedPointCount(p), std::size_t(1000));
    }
};

int main(int argc, char* argv[])
{
    int failures = 0;
    for (TracePath path : {TracePath::Scalar, TracePath::Avx2, TracePath::Avx512}) {
        if (!isTracePathAvailable(path))
            continue;
        TestCurveTrace test(path);
        failures += QTest::qExec(&test, argc, argv);
    }
    TestTracePaths paths;
    failures += QTest::qExec(&paths, argc, argv);
    TestPreciseTrace precise;
    failures += QTest::qExec(&precise, argc, argv);
    return failures;
}

#include "tst_curvetrace.moc"
