#include "art/PathClipping.h"

#include "TestSupport.h"

#include <QLineF>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>

// The clipping is checked by what a drawing depends on: which stretches of a line are left and
// where they begin in the whole line, and which points an outline winds round.

namespace {

const QRectF kClip(0, 0, 100, 80);

QList<QPolygonF> stretchesOf(const ClippedPolyline& clipped)
{
    QList<QPolygonF> stretches;
    for (const ClippedPolyline::Stretch& s : clipped.stretches)
        stretches << clipped.points.mid(s.first, s.count);
    return stretches;
}

QList<qsizetype> sourcesOf(const ClippedPolyline& clipped)
{
    QList<qsizetype> sources;
    for (const ClippedPolyline::Stretch& s : clipped.stretches)
        sources << s.sourceFirst;
    return sources;
}

// A polygon of `count` points, some near the rectangle and some up to `far` away from it.
QPolygonF randomOutline(QRandomGenerator& random, int count, double far)
{
    QPolygonF outline;
    for (int i = 0; i < count; ++i) {
        const double reach = random.bounded(3) == 0 ? far : 2 * kClip.width();
        outline << QPointF(kClip.center().x() + (random.generateDouble() * 2 - 1) * reach,
                           kClip.center().y() + (random.generateDouble() * 2 - 1) * reach);
    }
    return outline;
}

}

class TestPathClipping : public QObject
{
    Q_OBJECT

private slots:
    void polylineStretches_data()
    {
        QTest::addColumn<QPolygonF>("line");
        QTest::addColumn<QList<QPolygonF>>("stretches");
        QTest::addColumn<QList<qsizetype>>("sources");
        const QPolygonF inside{{10, 10}, {20, 20}, {30, 10}};
        QTest::addRow("inside: the line itself") << inside << QList<QPolygonF>{inside} << QList<qsizetype>{0};
        QTest::addRow("out and back: cut where it leaves and where it returns")
            << QPolygonF{{10, 10}, {-500, 10}, {-500, 50}, {10, 50}, {20, 60}}
            << QList<QPolygonF>{{{10, 10}, {0, 10}}, {{0, 50}, {10, 50}, {20, 60}}} << QList<qsizetype>{0, 2};
        QTest::addRow("crossing within reach: whole")
            << QPolygonF{{-50, 50}, {150, 50}, {150, 200}}
            << QList<QPolygonF>{{{-50, 50}, {150, 50}}} << QList<qsizetype>{0};
        QTest::addRow("crossing from afar: cut at both sides")
            << QPolygonF{{-1e30, 40}, {1e30, 40}}
            << QList<QPolygonF>{{{0, 40}, {100, 40}}} << QList<qsizetype>{0};
        QTest::addRow("past a corner, outside: left out")
            << QPolygonF{{50, 50}, {-10, 5}, {5, -10}, {50, 50}}
            << QList<QPolygonF>{{{50, 50}, {-10, 5}}, {{5, -10}, {50, 50}}} << QList<qsizetype>{0, 2};
        QTest::addRow("a point alone: nothing to stroke") << QPolygonF{{10, 10}} << QList<QPolygonF>{} << QList<qsizetype>{};
        QTest::addRow("a segment of no length inside: kept")
            << QPolygonF{{10, 10}, {10, 10}} << QList<QPolygonF>{{{10, 10}, {10, 10}}} << QList<qsizetype>{0};
    }

    void polylineStretches()
    {
        QFETCH(QPolygonF, line);
        QFETCH(QList<QPolygonF>, stretches);
        QFETCH(QList<qsizetype>, sources);
        const ClippedPolyline clipped = clippedPolyline(line, kClip);
        QCOMPARE(stretchesOf(clipped), stretches);
        QCOMPARE(sourcesOf(clipped), sources);
    }

    // Whatever the outline does outside, every point inside is wound round as often as before:
    // a fill with either rule paints the same there. The clipped outline stays near the
    // rectangle, which is what makes it cheap to rasterise.
    void outlineKeepsTheWindingInside_data()
    {
        QTest::addColumn<double>("far");
        QTest::addRow("near") << 2 * kClip.width();
        QTest::addRow("far") << 1e6;
        QTest::addRow("huge") << 1e30;
    }

    void outlineKeepsTheWindingInside()
    {
        QFETCH(double, far);
        QRandomGenerator random(20240611);
        const qreal reach = std::max(kClip.width(), kClip.height());
        const QRectF near = kClip.adjusted(-reach, -reach, reach, reach);
        constexpr int kOutlines = 200;
        constexpr int kGrid = 16;
        for (int n = 0; n < kOutlines; ++n) {
            const QPolygonF outline = randomOutline(random, 3 + n % 40, far);
            const QPolygonF clipped = clippedOutline(outline, kClip);
            for (const QPointF& p : clipped)
                QVERIFY(near.contains(p));
            for (int i = 0; i < kGrid; ++i)
                for (int j = 0; j < kGrid; ++j) {
                    // Off the grid of the rectangle's sides, where the outline may run.
                    const QPointF p(kClip.left() + (i + 0.37) * kClip.width() / kGrid,
                                    kClip.top() + (j + 0.61) * kClip.height() / kGrid);
                    QVERIFY2(windingNumber(clipped, p) == windingNumber(outline, p),
                             qPrintable(QStringLiteral("outline %1 at (%2, %3)").arg(n).arg(p.x()).arg(p.y())));
                }
        }
    }

    // An outline zigzagging far beyond one side, within the reach of that side, comes down to
    // a run up and down the side and is kept as its two ends; the winding inside is unchanged.
    void farZigzagBeyondASideIsKeptAsTwoEnds_data()
    {
        QTest::addColumn<QPointF>("away");    // from the rectangle's centre to the zigzag
        QTest::addColumn<QPointF>("along");   // the direction of the side
        QTest::addRow("above") << QPointF(0, -1e6) << QPointF(1, 0);
        QTest::addRow("below") << QPointF(0, 1e6) << QPointF(1, 0);
        QTest::addRow("left") << QPointF(-1e6, 0) << QPointF(0, 1);
        QTest::addRow("right") << QPointF(1e6, 0) << QPointF(0, 1);
    }

    void farZigzagBeyondASideIsKeptAsTwoEnds()
    {
        QFETCH(QPointF, away);
        QFETCH(QPointF, along);
        // Back and forth along the side, a little further out each time, then round the
        // rectangle through its centre.
        QPolygonF outline{kClip.center()};
        constexpr int kTeeth = 40;
        for (int i = 0; i < kTeeth; ++i) {
            const double across = (i % 2 == 0 ? -0.4 : 0.35) * std::min(kClip.width(), kClip.height());
            outline << kClip.center() + away * (1 + i * 1e-3) + along * across;
        }
        const QPolygonF clipped = clippedOutline(outline, kClip);
        QVERIFY2(clipped.size() <= 6, qPrintable(QString::number(clipped.size())));
        for (const QPointF& p : {kClip.center() + QPointF(0.37, 0.61), QPointF(3.3, 4.7), QPointF(96.1, 75.3)})
            QCOMPARE(windingNumber(clipped, p), windingNumber(outline, p));
    }

    void farOutlineRunsAlongTheSides()
    {
        // A thousand turns of a circle of radius 1e30 about the rectangle: each turn comes down
        // to the rectangle's four corners, and the rectangle is wound round a thousand times.
        constexpr int kTurns = 1000;
        constexpr int kPointsPerTurn = 63;
        QPolygonF outline;
        for (int i = 0; i < kTurns * kPointsPerTurn; ++i) {
            const double angle = 2 * M_PI * i / kPointsPerTurn;
            outline << kClip.center() + 1e30 * QPointF(std::cos(angle), std::sin(angle));
        }
        const QPolygonF clipped = clippedOutline(outline, kClip);
        QVERIFY2(clipped.size() <= 4 * kTurns + 2, qPrintable(QString::number(clipped.size())));
        QCOMPARE(windingNumber(clipped, kClip.center()), kTurns);
    }
};

QTEST_APPLESS_MAIN(TestPathClipping)
#include "tst_pathclipping.moc"
