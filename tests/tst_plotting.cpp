#include "art/ArtParameters.h"
#include "art/CurveTrace.h"
#include "output/GradientPens.h"
#include "output/Hatching.h"
#include "output/PathSplitting.h"
#include "output/PenLayers.h"
#include "output/PlotCostEstimate.h"
#include "output/PlotOptions.h"
#include "output/PlotPage.h"
#include "output/PlottingOrder.h"
#include "output/Simplify.h"

#include "TestSupport.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>

// The plotting functions are checked by what a plotter would draw: how far a simplified line
// strays, whether pieces join, whether the greedy order is the one a full search for the nearest
// end gives, and whether hatch lines cover exactly the points the outline winds round.

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A design traced and fitted into a square drawing `sideMm` wide with a 0.35 mm pen, its fill
// outline or its pen path.
QPolygonF designOnPaper(float anchor, float runner, float pen, float revolutions, double sideMm, bool outline)
{
    CurveParameters design = curveDesign(anchor, runner, pen, revolutions);
    design.numberOfColors = 1;
    PlotPage page;
    page.paper = PaperSize::Custom;
    page.customSizeMm = QSizeF(sideMm, sideMm);
    page.marginMm = 0;
    const QTransform toPaper = curveToPage(page, boundingRadius(anchor, runner, pen));
    const TracedCurve curve = traceCurve(design);
    QPolygonF points;
    for (const CurvePoint& p : outline ? curve.fillPath() : curve.penPath())
        points << toPaper.map(QPointF(p.x, p.y));
    return points;
}

QPolygonF randomWalk(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QPolygonF line{{0, 0}};
    for (int i = 1; i < count; ++i)
        line << line.last() + QPointF(random.generateDouble() - 0.5, random.generateDouble() - 0.5);
    return line;
}

QPolygonF star(int points, int step, double radius)
{
    QPolygonF outline;
    for (int i = 0; i < points; ++i) {
        const double angle = 2 * M_PI * i * step / points;
        outline << QPointF(radius * std::sin(angle), -radius * std::cos(angle));
    }
    return outline;
}

// The nearest-end order found by looking at every path each time, as the ordering promises it.
std::vector<PlotStep> greedyByFullSearch(const std::vector<PathEnds>& paths, QPointF at)
{
    std::vector<PlotStep> steps;
    std::vector<bool> drawn(paths.size());
    for (std::size_t n = 0; n < paths.size(); ++n) {
        double best = kInfinity;
        PlotStep next;
        for (std::size_t i = 0; i < paths.size(); ++i)
            for (const bool reversed : {false, true}) {
                const double d = QLineF(at, reversed ? paths[i].end : paths[i].start).length();
                if (!drawn[i] && d < best) {
                    best = d;
                    next = {i, reversed};
                }
            }
        drawn[next.path] = true;
        at = next.reversed ? paths[next.path].start : paths[next.path].end;
        steps.push_back(next);
    }
    return steps;
}

}

Q_DECLARE_METATYPE(std::vector<PlotLayer>)
Q_DECLARE_METATYPE(HatchSettings)
Q_DECLARE_METATYPE(HatchResult)
Q_DECLARE_METATYPE(PlotOptions)
Q_DECLARE_METATYPE(std::vector<GradientStop>)
Q_DECLARE_METATYPE(std::vector<ColourStep>)
Q_DECLARE_METATYPE(PlotField)
Q_DECLARE_METATYPE(PaperSize)
Q_DECLARE_METATYPE(PaperOrientation)

class TestPlotting : public QObject
{
    Q_OBJECT

private slots:
    // No point left out strays beyond the tolerance from the segment drawn in its place; the
    // ends stay, so a closed line stays closed; a smooth line loses most of its points.
    void simplifiedLineStaysWithinTolerance_data()
    {
        QTest::addColumn<QPolygonF>("line");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<int>("mostKept");
        QPolygonF straight, circle;
        for (int i = 0; i <= 1000; ++i) {
            straight << QPointF(i * 0.01, i * 0.02);
            circle << 50 * QPointF(std::cos(2 * M_PI * i / 1000), std::sin(2 * M_PI * i / 1000));
        }
        circle.last() = circle.first();
        QTest::addRow("straight line: its ends") << straight << 0.05 << 2;
        QTest::addRow("closed circle") << circle << 0.05 << 130;
        QTest::addRow("random walk") << randomWalk(20000, 7) << 0.2 << 20000;
        QTest::addRow("points repeated") << QPolygonF{{1, 1}, {1, 1}, {1, 1}, {2, 2}, {2, 2}} << 0.05 << 2;
        QTest::addRow("heavy design, 200 mm, at 0.05 mm")
            << designOnPaper(500, 3, 2, 60, 200, false) << 0.05 << 60000;
        // As many points as a trace gives at most: no call per split on the stack.
        QPolygonF wave;
        constexpr int kMillions = 4'194'304;
        wave.reserve(kMillions);
        for (int i = 0; i < kMillions; ++i)
            wave << QPointF(i * 1e-3, 10 * std::sin(i * 1e-3));
        QTest::addRow("four million points") << wave << 1e-3 << kMillions / 10;
        QTest::addRow("tolerance 0 keeps all") << randomWalk(100, 3) << 0.0 << 100;
        QTest::addRow("tolerance not a number keeps all") << randomWalk(100, 3) << kNaN << 100;
    }

    void simplifiedLineStaysWithinTolerance()
    {
        QFETCH(QPolygonF, line);
        QFETCH(double, tolerance);
        QFETCH(int, mostKept);
        const std::vector<std::size_t> kept = keptPointIndices(line.constData(), std::size_t(line.size()), tolerance);
        QVERIFY2(kept.size() <= std::size_t(mostKept), qPrintable(QString::number(kept.size())));
        QCOMPARE(kept.front(), std::size_t(0));
        QCOMPARE(kept.back(), std::size_t(line.size() - 1));
        for (std::size_t k = 1; k < kept.size(); ++k) {
            QVERIFY(kept[k - 1] < kept[k]);
            for (std::size_t i = kept[k - 1] + 1; i < kept[k]; ++i) {
                const double d = distanceToSegment(line[qsizetype(i)], line[qsizetype(kept[k - 1])], line[qsizetype(kept[k])]);
                if (!(d <= tolerance))
                    QFAIL(qPrintable(QStringLiteral("point %1 strays %2").arg(i).arg(d)));
            }
        }
        const QPolygonF simplified = simplifiedPolyline(line, tolerance);
        QCOMPARE(simplified.size(), qsizetype(kept.size()));
        QCOMPARE(simplified.isClosed(), line.isClosed());
    }

    void piecesJoinEndToEnd_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("maxPoints");
        QTest::addColumn<int>("pieces");
        QTest::addRow("empty: none") << 0 << 100000 << 0;
        QTest::addRow("one point") << 1 << 100000 << 1;
        QTest::addRow("exactly the most: one") << 100000 << 100000 << 1;
        QTest::addRow("one more: two, sharing a point") << 100001 << 100000 << 2;
        QTest::addRow("heavy design") << 375309 << 100000 << 4;
        QTest::addRow("most of 0 taken as 2: segments") << 5 << 0 << 4;
        QTest::addRow("most of 3") << 7 << 3 << 3;
    }

    void piecesJoinEndToEnd()
    {
        QFETCH(int, points);
        QFETCH(int, maxPoints);
        QFETCH(int, pieces);
        QPolygonF line;
        for (int i = 0; i < points; ++i)
            line << QPointF(i, i % 7);
        const QList<QPolygonF> split = splitPolyline(line, std::size_t(maxPoints));
        QCOMPARE(split.size(), pieces);
        QPolygonF joined;
        for (const QPolygonF& piece : split) {
            QVERIFY(piece.size() <= std::max(maxPoints, 2));
            if (!joined.isEmpty()) {
                QCOMPARE(piece.first(), joined.last());
                joined.removeLast();
            }
            joined << piece;
        }
        QCOMPARE(joined, line);
    }

    // Whatever the layout, each next path is the one with an end nearest the pen, drawn from that
    // end, unless the order given travels less; the travel told is what the order travels.
    void orderTakesTheNearestEnd_data()
    {
        QTest::addColumn<int>("paths");
        QTest::addColumn<double>("spread");   // of the paths' ends about their starts
        QTest::addColumn<QPointF>("home");
        QTest::addRow("none") << 0 << 10.0 << QPointF();
        QTest::addRow("one") << 1 << 10.0 << QPointF();
        QTest::addRow("short strokes") << 2000 << 1.0 << QPointF();
        QTest::addRow("long strokes") << 500 << 300.0 << QPointF();
        QTest::addRow("home far away") << 500 << 5.0 << QPointF(1e6, -1e6);
        QTest::addRow("all on a line") << 300 << 0.0 << QPointF(50, 0);
    }

    void orderTakesTheNearestEnd()
    {
        QFETCH(int, paths);
        QFETCH(double, spread);
        QFETCH(QPointF, home);
        QRandomGenerator random{quint32(paths)};
        QList<QPolygonF> polylines;
        std::vector<PathEnds> ends;
        for (int i = 0; i < paths; ++i) {
            const QPointF start(random.bounded(200.0), spread > 0 ? random.bounded(200.0) : 0);
            const QPointF end = start + QPointF(random.bounded(spread + 1), spread > 0 ? random.bounded(spread) : 0);
            polylines << QPolygonF{start, (start + end) / 2, end};
            ends.push_back({start, end});
        }
        const PlottingOrder order = plottingOrder(polylines, home);
        const std::vector<PlotStep> greedy = greedyByFullSearch(ends, home);
        if (order.travelAfterMm < order.travelBeforeMm) {
            QCOMPARE(order.steps.size(), greedy.size());
            for (std::size_t i = 0; i < greedy.size(); ++i) {
                QCOMPARE(order.steps[i].path, greedy[i].path);
                QCOMPARE(order.steps[i].reversed, greedy[i].reversed);
            }
        }
        const QList<QPolygonF> drawn = inPlottingOrder(polylines, order);
        const PlotLength before = plotLength(polylines, home);
        const PlotLength after = plotLength(drawn, home);
        QCOMPARE(after.penDownMm, before.penDownMm);
        QCOMPARE(before.penUpMm, order.travelBeforeMm);
        QCOMPARE(after.penUpMm, order.travelAfterMm);
        QVERIFY(order.travelAfterMm <= order.travelBeforeMm);
    }

    // Hatching handed over line after line, each from the left: drawn back and forth it travels
    // little more than the spacing between them; a path with no point goes last and costs nothing.
    void hatchingIsDrawnBackAndForth()
    {
        QList<QLineF> lines;
        for (int i = 0; i < 100; ++i)
            lines << QLineF(0, i, 100, i);
        const PlottingOrder order = plottingOrder(lines);
        QCOMPARE(order.travelAfterMm, 99.0);
        QVERIFY(order.steps[1].reversed);
        const QList<QPolygonF> paths{{{5, 5}, {6, 6}}, {}, {{0, 0}, {1, 1}}};
        const PlottingOrder withEmpty = plottingOrder(paths);
        QCOMPARE(withEmpty.steps.back().path, std::size_t(1));
        QCOMPARE(withEmpty.travelAfterMm, 4 * std::sqrt(2.0));
    }

    // What a pen costs, and how the export dialog tells it.
    void penCostInMetresAndSeconds_data()
    {
        QTest::addColumn<double>("speed");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("gradientColours");   // 0: a pen
        QTest::addColumn<QString>("drawer");
        const QString pen = "Pen 1 (#000000)";
        QTest::addRow("default speed") << kDefaultPlotterSpeedMmPerSecond << 2.0 << "2 s" << 0 << pen;
        QTest::addRow("twice as fast") << 50.0 << 1.0 << "1 s" << 0 << pen;
        QTest::addRow("ten minutes") << 50.0 / 600 << 600.0 << "10 min" << 0 << pen;
        QTest::addRow("an hour and two minutes") << 50.0 / 3700 << 3700.0 << "1 h 2 min" << 0 << pen;
        QTest::addRow("standing still: no time") << 0.0 << kNaN << "an unknown time" << 0 << pen;
        QTest::addRow("speed not a number") << kNaN << kNaN << "an unknown time" << 0 << pen;
        QTest::addRow("infinite speed: no time") << kInfinity << kNaN << "an unknown time" << 0 << pen;
        QTest::addRow("a gradient of one colour") << 25.0 << 2.0 << "2 s" << 1 << "Gradient (#000000)";
        QTest::addRow("a gradient of three") << 25.0 << 2.0 << "2 s" << 3 << "Gradient (3 colours, a pen each)";
    }

    void penCostInMetresAndSeconds()
    {
        QFETCH(double, speed);
        QFETCH(double, seconds);
        QFETCH(QString, told);
        QFETCH(int, gradientColours);
        QFETCH(QString, drawer);
        // From home to (10, 0), then round a square of 10 mm.
        const QList<QPolygonF> square{{{10, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 0}}};
        const PenCost cost = penCost(plotLength(square), speed);
        QCOMPARE(cost.penDownMetres, 0.04);
        QCOMPARE(cost.penUpMetres, 0.01);
        if (std::isnan(seconds))
            QVERIFY(std::isnan(cost.seconds));
        else
            QVERIFY(std::abs(cost.seconds - seconds) < 1e-9);
        const QString text = costText({PenTally{Qt::black, plotLength(square), gradientColours}}, speed);
        QCOMPARE(text.section(u'\n', 0, 0), drawer + ": 0.04 m drawn, 0.01 m pen-up travel, " + told);
        QVERIFY2(text.section(u'\n', 1, 1).startsWith("In all " + told + " at "), qPrintable(text));
    }

    // A gradient's steps in the pens nearest their colours, in OKLab: a violet between red and
    // blue goes to neither by its sRGB sum; consecutive steps of one pen become one.
    void gradientStepsTakeTheNearestPen_data()
    {
        QTest::addColumn<std::vector<GradientStop>>("stops");
        QTest::addColumn<int>("pens");
        QTest::addColumn<std::vector<ColourStep>>("steps");
        QTest::addColumn<std::vector<ColourStep>>("inPens");
        const QColor red(255, 0, 0), yellow(255, 200, 0), blue(0, 0, 255);
        const std::vector<GradientStop> threeStops{{0, red}, {0.5, yellow}, {1, blue}};
        QTest::addRow("a pen per stop")
            << threeStops << 0
            << std::vector<ColourStep>{{0, 2, red}, {2, 4, QColor(255, 60, 10)}, {4, 6, QColor(250, 190, 20)}, {6, 9, QColor(20, 10, 240)}}
            << std::vector<ColourStep>{{0, 4, red}, {4, 6, yellow}, {6, 9, blue}};
        QTest::addRow("translucent steps keep their alpha")
            << threeStops << 0 << std::vector<ColourStep>{{0, 3, QColor(255, 10, 0, 128)}, {3, 5, QColor(0, 0, 250, 128)}}
            << std::vector<ColourStep>{{0, 3, QColor(255, 0, 0, 128)}, {3, 5, QColor(0, 0, 255, 128)}};
        QTest::addRow("a gap between steps of one pen")
            << threeStops << 0 << std::vector<ColourStep>{{0, 2, red}, {3, 5, red}}
            << std::vector<ColourStep>{{0, 2, red}, {3, 5, red}};
        QTest::addRow("two pens: its ends")
            << threeStops << 2 << std::vector<ColourStep>{{0, 2, red}, {2, 4, yellow}, {4, 6, QColor(120, 60, 140)}, {6, 8, blue}}
            << std::vector<ColourStep>{{0, 4, red}, {4, 8, blue}};
        QTest::addRow("a stop colour twice, one pen")
            << std::vector<GradientStop>{{0, red}, {0.5, blue}, {1, red}} << 0
            << std::vector<ColourStep>{{0, 2, red}, {2, 4, blue}, {4, 6, red}}
            << std::vector<ColourStep>{{0, 2, red}, {2, 4, blue}, {4, 6, red}};
    }

    void gradientStepsTakeTheNearestPen()
    {
        QFETCH(std::vector<GradientStop>, stops);
        QFETCH(int, pens);
        QFETCH(std::vector<ColourStep>, steps);
        QFETCH(std::vector<ColourStep>, inPens);
        CurveColouring colouring;
        colouring.mode = ColourMode::Gradient;
        colouring.stops = stops;
        const std::vector<QColor> chosen = gradientPens(colouring, pens);
        const std::vector<ColourStep> got = stepsInPens(steps, chosen);
        QCOMPARE(got.size(), inPens.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].first, inPens[i].first);
            QCOMPARE(got[i].last, inPens[i].last);
            QCOMPARE(got[i].colour.rgba(), inPens[i].colour.rgba());
        }
    }

    void layerLabels_data()
    {
        QTest::addColumn<std::vector<PlotLayer>>("layers");
        QTest::addColumn<bool>("severalCurves");
        QTest::addColumn<QStringList>("labels");
        const QColor red(Qt::red), blue(Qt::blue), yellow(Qt::yellow);
        QTest::addRow("one curve: no name")
            << std::vector<PlotLayer>{{"Curve 1", yellow, LayerKind::Fill}, {"Curve 1", red}, {"Curve 1", blue}, {"Curve 1", red}}
            << false << QStringList{"% fill #ffff00", "1 pen 1 #ff0000", "2 pen 2 #0000ff", "3 pen 1 #ff0000"};
        QTest::addRow("two curves share a pen by colour")
            << std::vector<PlotLayer>{{"Rose", blue}, {"Rose", red}, {"Ring", yellow, LayerKind::Fill}, {"Ring", red}}
            << true << QStringList{"1 pen 1 #0000ff Rose", "2 pen 2 #ff0000 Rose", "% fill #ffff00 Ring", "3 pen 2 #ff0000 Ring"};
        QTest::addRow("no colour: no layer, no number")
            << std::vector<PlotLayer>{{"A", QColor()}, {"A", blue}, {"B", QColor(), LayerKind::Fill}}
            << false << QStringList{"", "1 pen 1 #0000ff", ""};
        QTest::addRow("a translucent colour is the same pen")
            << std::vector<PlotLayer>{{"A", QColor(255, 0, 0, 128)}, {"A", red}}
            << false << QStringList{"1 pen 1 #ff0000", "2 pen 1 #ff0000"};
        QTest::addRow("names on one line; an empty one left off")
            << std::vector<PlotLayer>{{" Two\nlines ", red}, {"", blue}}
            << true << QStringList{"1 pen 1 #ff0000 Two lines", "2 pen 2 #0000ff"};
    }

    void layerLabels()
    {
        QFETCH(std::vector<PlotLayer>, layers);
        QFETCH(bool, severalCurves);
        QFETCH(QStringList, labels);
        LayerNumbering numbering(severalCurves);
        QStringList texts;
        for (const PlotLayer& layer : layers)
            texts << numbering.next(layer).text;
        QCOMPARE(texts, labels);
    }

    // Every point of every hatch line is wound round by the outline, and every point wound round
    // on a hatch line's course is on one of its lines: the lines are cut exactly.
    void hatchingCoversExactlyTheRegion_data()
    {
        QTest::addColumn<QPolygonF>("outline");
        QTest::addColumn<HatchSettings>("settings");
        QTest::addRow("inside runner, level")
            << designOnPaper(100, -30, 50, 3, 100, true) << HatchSettings{0, 1, false};
        QTest::addRow("inside runner, crossed at 30 degrees, given as 390")
            << designOnPaper(100, -30, 50, 3, 100, true) << HatchSettings{390, 1.5, true};
        QTest::addRow("star: its middle wound twice") << star(5, 2, 40) << HatchSettings{90, 0.5, false};
        QTest::addRow("figure eight: lobes wound opposite ways")
            << QPolygonF{{0, 0}, {30, 20}, {30, 0}, {0, 20}, {-30, 0}, {-30, 20}} << HatchSettings{-45, 0.7, true};
        QTest::addRow("an edge a hair above a line: -255.6 by 0.1")
            << QPolygonF{{0, -255.6}, {2, -255.6}, {2, -255}, {0, -255}} << HatchSettings{0, 0.1, false};
        QTest::addRow("square through a point not finite")
            << QPolygonF{{0, 0}, {10, 0}, {kNaN, 5}, {10, 10}, {0, 10}} << HatchSettings{135, 0.25, false};
    }

    void hatchingCoversExactlyTheRegion()
    {
        QFETCH(QPolygonF, outline);
        QFETCH(HatchSettings, settings);
        QList<QLineF> lines{QLineF(1, 2, 3, 4)};   // already there: kept
        QCOMPARE(hatchOutline(outline.constData(), std::size_t(outline.size()), settings, lines), HatchResult::Done);
        QCOMPARE(lines.takeFirst(), QLineF(1, 2, 3, 4));
        QVERIFY(!lines.isEmpty());
        QPolygonF finite;
        for (const QPointF& p : outline)
            if (std::isfinite(p.x()))
                finite << p;
        QRandomGenerator random(11);
        const QRectF bounds = finite.boundingRect();
        for (const double angle : {settings.angleDegrees, settings.angleDegrees + 90}) {
            if (angle != settings.angleDegrees && !settings.crossHatch)
                break;
            const QPointF along(std::cos(qDegreesToRadians(angle)), -std::sin(qDegreesToRadians(angle)));
            const QPointF across(-along.y(), along.x());
            // This set's lines by their course: a whole number of spacings from the origin.
            QMap<qint64, QList<QLineF>> courses;
            for (const QLineF& line : lines) {
                const QPointF d = (line.p2() - line.p1()) / line.length();
                if (QLineF(QPointF(), d - along).length() > 1e-9)
                    continue;
                const double k = QPointF::dotProduct(line.p1(), across) / settings.spacingMm;
                QVERIFY2(std::fabs(k - std::round(k)) < 1e-6, qPrintable(QString::number(k)));
                courses[qint64(std::round(k))] << line;
                for (const double t : {0.01, 0.3, 0.5, 0.77, 0.99})
                    QVERIFY(windingNumber(finite, line.pointAt(t)) != 0);
            }
            QVERIFY(!courses.isEmpty());
            const double reach = QLineF(bounds.topLeft(), bounds.bottomRight()).length();
            for (auto course = courses.begin(); course != courses.end(); ++course)
                for (int sample = 0; sample < 40; ++sample) {
                    const double t = random.bounded(2 * reach) - reach;
                    const QPointF p = bounds.center() + t * along
                                      + (course.key() * settings.spacingMm - QPointF::dotProduct(bounds.center(), across)) * across;
                    bool onALine = false;
                    for (const QLineF& line : course.value())
                        onALine = onALine || distanceToSegment(p, line.p1(), line.p2()) < 1e-9;
                    QCOMPARE(onALine, windingNumber(finite, p) != 0);
                }
        }
    }

    void hatchingRefusedOrCancelled_data()
    {
        QTest::addColumn<HatchSettings>("settings");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<HatchResult>("result");
        QTest::addRow("no spacing") << HatchSettings{45, 0, false} << false << HatchResult::Refused;
        QTest::addRow("spacing below 0") << HatchSettings{45, -1, false} << false << HatchResult::Refused;
        QTest::addRow("spacing not a number") << HatchSettings{45, kNaN, false} << false << HatchResult::Refused;
        QTest::addRow("infinite spacing") << HatchSettings{45, kInfinity, false} << false << HatchResult::Refused;
        QTest::addRow("angle not finite") << HatchSettings{kInfinity, 1, false} << false << HatchResult::Refused;
        QTest::addRow("ten million lines and more") << HatchSettings{0, 1e-6, true} << false << HatchResult::Refused;
        QTest::addRow("cancelled") << HatchSettings{45, 1, true} << true << HatchResult::Cancelled;
    }

    void hatchingRefusedOrCancelled()
    {
        QFETCH(HatchSettings, settings);
        QFETCH(bool, cancelled);
        QFETCH(HatchResult, result);
        const QPolygonF square{{-50, -50}, {50, -50}, {50, 50}, {-50, 50}};   // about the origin, where the lines are counted from
        const std::atomic<bool> flag(cancelled);
        QList<QLineF> lines{QLineF(1, 2, 3, 4)};
        QCOMPARE(hatchOutline(square.constData(), std::size_t(square.size()), settings, lines, &flag), result);
        QCOMPARE(lines, QList<QLineF>{QLineF(1, 2, 3, 4)});
    }

    void pageSizes_data()
    {
        QTest::addColumn<PaperSize>("paper");
        QTest::addColumn<PaperOrientation>("orientation");
        QTest::addColumn<QSizeF>("size");
        const auto portrait = PaperOrientation::Portrait, landscape = PaperOrientation::Landscape;
        QTest::addRow("A5") << PaperSize::A5 << portrait << QSizeF(148, 210);
        QTest::addRow("A4") << PaperSize::A4 << portrait << QSizeF(210, 297);
        QTest::addRow("A4 landscape") << PaperSize::A4 << landscape << QSizeF(297, 210);
        QTest::addRow("A3") << PaperSize::A3 << portrait << QSizeF(297, 420);
        QTest::addRow("Letter") << PaperSize::Letter << portrait << QSizeF(215.9, 279.4);
        QTest::addRow("Legal landscape") << PaperSize::Legal << landscape << QSizeF(355.6, 215.9);
        QTest::addRow("Tabloid") << PaperSize::Tabloid << portrait << QSizeF(279.4, 431.8);
        QTest::addRow("Square either way") << PaperSize::Square << landscape << QSizeF(200, 200);
        QTest::addRow("Custom as given") << PaperSize::Custom << portrait << QSizeF(300, 120);
    }

    void pageSizes()
    {
        QFETCH(PaperSize, paper);
        QFETCH(PaperOrientation, orientation);
        QFETCH(QSizeF, size);
        PlotPage page;
        page.paper = paper;
        page.orientation = orientation;
        page.customSizeMm = QSizeF(300, 120);
        const QSizeF actual = pageSizeMm(page);
        QVERIFY2(std::fabs(actual.width() - size.width()) < 0.01 && std::fabs(actual.height() - size.height()) < 0.01,
                 qPrintable(QStringLiteral("%1 × %2").arg(actual.width()).arg(actual.height())));
        // The drawing is the largest square within the margins, in the middle of the page.
        const QRectF drawing = drawingRectMm(page);
        QCOMPARE(drawing.width(), std::min(actual.width(), actual.height()) - 30);
        QCOMPARE(drawing.center(), QPointF(actual.width() / 2, actual.height() / 2));
    }

    // The design's bounding circle is the drawing's square's inscribed circle, a small design
    // enlarged: right along the page, up it, about the square's centre.
    void designFillsTheDrawing()
    {
        PlotPage page;
        page.drawingSizeMm = 100;
        const QTransform toPage = curveToPage(page, 20);
        const double reach = 50;
        for (const auto& [curve, paper] : {std::pair{QPointF(0, 0), QPointF(105, 148.5)},
                                          std::pair{QPointF(20, 0), QPointF(105 + reach, 148.5)},
                                          std::pair{QPointF(0, 20), QPointF(105, 148.5 - reach)}}) {
            // To within a float's rounding, as every fit of a design is.
            QVERIFY2(QLineF(toPage.map(curve), paper).length() < 1e-4, qPrintable(QStringLiteral("%1, %2").arg(curve.x()).arg(curve.y())));
        }
    }

    void optionRefusals_data()
    {
        QTest::addColumn<PlotOptions>("options");
        QTest::addColumn<QList<PlotField>>("fields");
        QTest::addColumn<QString>("named");   // in every message
        const auto custom = [](double width, double height, double margin = 15, double drawing = 0) {
            PlotOptions options;
            options.page.paper = PaperSize::Custom;
            options.page.customSizeMm = QSizeF(width, height);
            options.page.marginMm = margin;
            options.page.drawingSizeMm = drawing;
            return options;
        };
        const auto hatched = [](double spacing, double angle) {
            PlotOptions options;
            options.fill = FillStyle::Hatch;
            options.hatch.spacingMm = spacing;
            options.hatch.angleDegrees = angle;
            return options;
        };
        QTest::addRow("default") << PlotOptions{} << QList<PlotField>{} << QString();
        PlotOptions letterFilled;
        letterFilled.page.paper = PaperSize::Letter;
        letterFilled.page.drawingSizeMm = 185.9;
        QTest::addRow("drawing filling Letter to the micrometre") << letterFilled << QList<PlotField>{} << QString();
        QTest::addRow("width not a number") << custom(kNaN, 100) << QList<PlotField>{PlotField::PageWidth} << "page width";
        QTest::addRow("height 0") << custom(100, 0) << QList<PlotField>{PlotField::PageHeight} << "page height";
        QTest::addRow("beyond the largest page") << custom(100, 6000) << QList<PlotField>{PlotField::PageHeight} << "page height";
        QTest::addRow("margin infinite") << custom(100, 100, kInfinity) << QList<PlotField>{PlotField::Margin} << "margin";
        QTest::addRow("margin below 0") << custom(100, 100, -1) << QList<PlotField>{PlotField::Margin} << "margin";
        QTest::addRow("margins meeting") << custom(100, 300, 50) << QList<PlotField>{PlotField::Margin} << "margin";
        QTest::addRow("drawing larger than the page") << custom(100, 300, 10, 80.01) << QList<PlotField>{PlotField::DrawingSize} << "drawing";
        QTest::addRow("drawing size not a number") << custom(100, 300, 10, kNaN) << QList<PlotField>{PlotField::DrawingSize} << "drawing size";
        QTest::addRow("hatch spacing too fine") << hatched(0.049, 0) << QList<PlotField>{PlotField::HatchSpacing} << "hatch spacing";
        QTest::addRow("hatch angle not finite") << hatched(0.05, kNaN) << QList<PlotField>{PlotField::HatchAngle} << "hatch angle";
        PlotOptions notHatched = hatched(0, kNaN);
        notHatched.fill = FillStyle::Solid;
        QTest::addRow("hatching off: its values unused") << notHatched << QList<PlotField>{} << QString();
        PlotOptions everything = custom(kNaN, kInfinity, kNaN, -1);
        everything.fill = FillStyle::Hatch;
        everything.hatch = {kNaN, kNaN, false};
        everything.penWidthMm = 0;
        everything.simplifyToleranceMm = kNaN;
        QTest::addRow("every field at once")
            << everything
            << QList<PlotField>{PlotField::PageWidth, PlotField::PageHeight, PlotField::Margin, PlotField::DrawingSize,
                                PlotField::PenWidth, PlotField::SimplifyTolerance, PlotField::HatchSpacing,
                                PlotField::HatchAngle}
            << QString();
    }

    void optionRefusals()
    {
        QFETCH(PlotOptions, options);
        QFETCH(QList<PlotField>, fields);
        QFETCH(QString, named);
        QList<PlotField> refused;
        for (const OptionRefusal& refusal : ::optionRefusals(options)) {
            refused << refusal.field;
            QVERIFY2(refusal.message.contains(named), qPrintable(refusal.message));
        }
        QCOMPARE(refused, fields);
    }
};

QTEST_APPLESS_MAIN(TestPlotting)
#include "tst_plotting.moc"
