#include "art/DesignPainter.h"
#include "art/PenColourSteps.h"

#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

// The one drawing routine, driven directly: a line cut where it leaves the picture, and the
// progress a drawing reports on its way.

namespace {

// A hypotrochoid whose loops cross a small picture near (350, 0) again and again and reach up
// to 670 units from the centre, far beyond it on every side: each pass through the picture is a
// piece of its own.
ArtParameters farReaching(float width, QColor color, int colors = 1)
{
    ArtParameters art;
    art.anchorRadius = 600;
    art.runnerRadius = -230;
    art.penHoleRadius = 300;
    art.rotationsToMake = 23;
    art.penDrawSize = width;
    art.penColor = color;
    art.pen2Color = QColor(0, 0, 255, color.alpha());
    art.pen3Color = QColor(0, 128, 0, color.alpha());
    art.numberOfColors = colors;
    art.drawMode = ImageExportMode;
    return art;
}

QImage onWhite(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

// The design drawn onto white through `transform`.
QImage drawn(const ArtParameters& art, QSize size, const QTransform& transform)
{
    QImage image = onWhite(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!paintDesign(painter, art, transform).finished)
        qFatal("a drawing without a cancel flag did not finish");
    return image;
}

int largestDifference(const QImage& a, const QImage& b)
{
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q))});
        }
    return most;
}

// A device that draws nothing and notes, at every line or outline handed to it, how far the
// drawing says it has come. It may say it rasterises, as an image does (lines then come in
// pieces), or not, as a printer (a pen then comes as one line); and it may cancel the drawing
// at its n-th line or outline.
class ProgressRecorder : public QPaintDevice
{
public:
    ProgressRecorder(QPaintEngine::Type type, std::atomic<int>& percent) : m_engine(type, percent, m_cancelled) {}

    const std::vector<int>& readings() const { return m_engine.readings; }
    void cancelAt(int drawing) { m_engine.cancelAt = drawing; }
    const std::atomic<bool>* cancelFlag() const { return &m_cancelled; }
    void cancel() { m_cancelled = true; }

    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: case PdmHeight: return 1000;
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        case PdmDepth: return 32;
        default: return 0;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        Engine(Type type, std::atomic<int>& percent, std::atomic<bool>& cancelled)
            : QPaintEngine(AllFeatures), m_type(type), m_percent(percent), m_cancelled(cancelled) {}

        std::vector<int> readings;
        int cancelAt = -1;

        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override { note(); }
        void drawPath(const QPainterPath&) override { note(); }
        Type type() const override { return m_type; }

    private:
        void note()
        {
            readings.push_back(m_percent.load());
            if (int(readings.size()) == cancelAt)
                m_cancelled = true;
        }

        Type m_type;
        std::atomic<int>& m_percent;
        std::atomic<bool>& m_cancelled;
    };

    mutable Engine m_engine;
    std::atomic<bool> m_cancelled{false};
};

// A design of about 375,000 points: many pieces of a line.
ArtParameters longDesign(float width, int colors, bool fill)
{
    ArtParameters art = artDesign(500, 3, 2, 60);
    art.penDrawSize = width;
    art.penColor = Qt::red;
    art.pen2Color = Qt::blue;
    art.pen3Color = Qt::green;
    art.numberOfColors = colors;
    art.closeCurve = true;
    art.fillShape = fill;
    art.fillColor = Qt::yellow;
    art.drawMode = ImageExportMode;
    return art;
}

// A circle of radius 110 about the centre, once round from (110, 0), counter-clockwise: the
// pen at the centre of a small runner. 629 points to the revolution, so that a colour step is
// a small share of it.
ArtParameters circleIn(const CurveColouring& colouring, float width)
{
    ArtParameters art = artDesign(100, 10, 0, 1);
    art.penDrawSize = width;
    art.penColor = Qt::black;
    art.colouring = colouring;
    art.drawMode = ImageExportMode;
    return art;
}

CurveColouring gradient(std::vector<GradientStop> stops, int repeat = 1, bool mirror = false)
{
    CurveColouring colouring;
    colouring.mode = ColourMode::Gradient;
    colouring.stops = std::move(stops);
    colouring.repeat = repeat;
    colouring.mirror = mirror;
    return colouring;
}

// The largest difference of the three colour channels.
int colourDistance(const QColor& a, const QColor& b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

}

Q_DECLARE_METATYPE(QPaintEngine::Type)
Q_DECLARE_METATYPE(CurveColouring)
Q_DECLARE_METATYPE(ColourMode)

class TestDesignPainter : public QObject
{
    Q_OBJECT

private slots:
    void colourRunsAlongTheCurve_data()
    {
        QTest::addColumn<CurveColouring>("colouring");
        QTest::addColumn<float>("width");
        const std::vector<GradientStop> redToBlue{{0, Qt::red}, {1, Qt::blue}};
        QTest::addRow("red to blue, thin") << gradient(redToBlue) << 3.0f;
        QTest::addRow("red to blue, wide") << gradient(redToBlue) << 6.0f;
        QTest::addRow("three stops, repeated three times") << gradient({{0, Qt::yellow}, {0.3, Qt::red}, {1, Qt::darkBlue}}, 3) << 4.0f;
        QTest::addRow("red to blue, twice, mirrored") << gradient(redToBlue, 2, true) << 4.0f;
    }

    // Each point of the line shows the gradient's colour for its share of the curve: the first
    // the first stop's, the last the last's, those between mixed in OKLab, run after run.
    void colourRunsAlongTheCurve()
    {
        QFETCH(CurveColouring, colouring);
        QFETCH(float, width);
        const ArtParameters art = circleIn(colouring, width);
        const QSize size(400, 400);
        const QTransform transform = fittedTransform(art, size.width(), size.height());
        const QImage image = drawn(art, size, transform);
        // A colour step is a segment long, a 629th of the curve: the colour shown is the
        // gradient's within a segment of the point. And the line is a few pixels wide: some
        // pixel next to the point lies wholly on it.
        const auto nearest = [&](double share, const QPoint& pixel) {
            int closest = 256;
            for (int segments = -1; segments <= 1; ++segments) {
                const double at = std::clamp(share + segments / 629.0, 0.0, 1.0);
                const QColor expected = gradientColour(colouring.stops, gradientPosition(at, colouring.repeat, colouring.mirror));
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        closest = std::min(closest, colourDistance(image.pixelColor(pixel + QPoint(dx, dy)), expected));
            }
            return closest;
        };
        for (const double degrees : {1.0, 45.0, 90.0, 150.0, 180.0, 222.0, 270.0, 358.0}) {
            const double angle = qDegreesToRadians(degrees);
            const QPoint pixel = transform.map(QPointF(110 * std::cos(angle), 110 * std::sin(angle))).toPoint();
            QVERIFY2(nearest(degrees / 360, pixel) <= 2, qPrintable(QString("at %1°: %2").arg(degrees).arg(image.pixelColor(pixel).name())));
        }
        const QColor middle = image.pixelColor(transform.map(QPointF(-110, 0)).toPoint());
        if (colouring.repeat == 1 && colouring.stops.size() == 2)
            QVERIFY2(colourDistance(middle, mixInOklab(Qt::red, Qt::blue, 0.5)) <= 2, qPrintable(middle.name()));
    }

    // Per revolution, the colour steps to the next stop where a revolution ends, round and round
    // the stops; blended, it has faded into the next one's by then.
    void colourPerRevolutionStepsWhereARevolutionEnds()
    {
        ArtParameters art = circleIn({}, 1);
        art.rotationsToMake = 5;
        art.colouring.mode = ColourMode::PerRevolution;
        art.colouring.stops = {{0, Qt::red}, {0.5, Qt::green}, {1, Qt::blue}};
        const CurveParameters traced = curveParameters(art);
        const double perRevolution = pointsPerRevolution(traced);
        const std::size_t line = traceCurve(traced).pointCount() + 1;
        const std::vector<ColourStep> steps = penColourSteps(art, traced, line);
        QCOMPARE(steps.size(), std::size_t(5));
        for (std::size_t revolution = 0; revolution < steps.size(); ++revolution) {
            QVERIFY(std::abs(double(steps[revolution].first) - double(revolution) * perRevolution) <= 1);
            QCOMPARE(steps[revolution].colour, art.colouring.stops[revolution % 3].colour);
        }
        QCOMPARE(steps.back().last, line - 1);
        const std::vector<ColourStep> first = penColourSteps(art, traced, 2);   // a line of its first segment alone
        QVERIFY(first.size() == 1 && first[0].last == 1 && first[0].colour == QColor(Qt::red));

        art.colouring.blend = true;
        const std::vector<ColourStep> blended = penColourSteps(art, traced, line);
        const auto colourAt = [&blended](std::size_t point) {
            return std::find_if(blended.begin(), blended.end(), [point](const ColourStep& s) { return s.last > point; })->colour;
        };
        QCOMPARE(colourAt(0), QColor(Qt::red));
        QVERIFY(colourDistance(colourAt(std::size_t(perRevolution * 0.5)), mixInOklab(Qt::red, Qt::green, 0.5)) <= 3);
        QVERIFY(colourDistance(colourAt(std::size_t(perRevolution * 2.5)), mixInOklab(Qt::blue, Qt::red, 0.5)) <= 3);
    }

    void aPartialCurveTakesTheWholeCurvesColours_data()
    {
        QTest::addColumn<ColourMode>("mode");
        QTest::addColumn<bool>("closed");
        QTest::addRow("gradient") << ColourMode::Gradient << false;
        QTest::addRow("gradient, closed") << ColourMode::Gradient << true;
        QTest::addRow("per revolution, blended, closed") << ColourMode::PerRevolution << true;
    }

    // As a slow drawing shows it, a partial curve's line is coloured as the same points of the
    // whole curve are: its steps are the whole's as far as it goes, the last cut where it ends.
    // Every colour is inked.
    void aPartialCurveTakesTheWholeCurvesColours()
    {
        QFETCH(ColourMode, mode);
        QFETCH(bool, closed);
        ArtParameters art = circleIn(gradient({{0, Qt::red}, {0.5, QColor(0, 200, 0, 200)}, {1, Qt::blue}}, 2), 1);
        art.colouring.mode = mode;
        art.colouring.blend = true;
        art.colouring.inkOpacity = 50;
        art.rotationsToMake = 3;
        art.closeCurve = closed;
        const CurveParameters whole = curveParameters(art);
        const TracedCurve wholeCurve = traceCurve(whole);
        const std::size_t wholeLine = wholeCurve.penPath().size();
        const std::vector<ColourStep> wholeSteps = penColourSteps(art, whole, wholeLine);
        QCOMPARE(wholeSteps.back().last, wholeLine - 1);
        for (const ColourStep& step : wholeSteps)
            QVERIFY(step.colour.alpha() <= 128);
        art.percentToDraw = 40;
        const CurveParameters part = curveParameters(art);
        const TracedCurve partCurve = traceCurve(part);
        const std::size_t partLine = partCurve.penPath().size();
        const std::vector<ColourStep> partSteps = penColourSteps(art, part, partLine);
        QVERIFY(partSteps.size() < wholeSteps.size());
        for (std::size_t i = 0; i + 1 < partSteps.size(); ++i) {
            QCOMPARE(partSteps[i].first, wholeSteps[i].first);
            QCOMPARE(partSteps[i].last, wholeSteps[i].last);
            QCOMPARE(partSteps[i].colour, wholeSteps[i].colour);
        }
        QCOMPARE(partSteps.back().first, wholeSteps[partSteps.size() - 1].first);
        QCOMPARE(partSteps.back().last, partLine - 1);
    }

    void inkDeepensWhereTheLineCrossesItself_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("inkOpacity");
        QTest::addColumn<bool>("deepens");
        QTest::addRow("ink, thin") << 1.0f << QColor(Qt::red) << 50 << true;
        QTest::addRow("ink, wide") << 5.0f << QColor(Qt::red) << 50 << true;
        QTest::addRow("ink of a gradient, wide") << 5.0f << QColor() << 50 << true;
        QTest::addRow("a translucent pen, opaque ink: one line, as it always was") << 5.0f << QColor(255, 0, 0, 128) << 100 << false;
    }

    // Half-opaque ink lays down half its colour once and three quarters where the line crosses
    // another stretch of itself; a translucent pen at full opacity is one outline throughout.
    void inkDeepensWhereTheLineCrossesItself()
    {
        QFETCH(float, width);
        QFETCH(QColor, colour);
        QFETCH(int, inkOpacity);
        QFETCH(bool, deepens);
        ArtParameters art = longDesign(width, 1, false);
        art.anchorRadius = 160;
        art.runnerRadius = 72;
        art.penHoleRadius = 53;
        art.rotationsToMake = 9;
        if (colour.isValid())
            art.penColor = colour;
        else
            art.colouring = gradient({{0, Qt::red}, {1, Qt::red}});
        art.colouring.inkOpacity = inkOpacity;
        QImage image(400, 400, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QVERIFY(paintDesign(painter, art, fittedTransform(art, 400, 400)).finished);
        painter.end();
        int most = 0;
        int deeper = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = qAlpha(image.pixel(x, y));
                most = std::max(most, alpha);
                deeper += alpha >= 150;
            }
        if (deepens)
            QVERIFY2(deeper > 100, qPrintable(QString::number(deeper)));
        else
            QVERIFY2(most <= 129, qPrintable(QString::number(most)));
    }

    // A line that leaves the picture and comes back is drawn in pieces, one for each pass
    // through it. The pieces show what the whole line shows there, nothing joins one to the next,
    // and they are the very pixels of a picture large enough that nothing was cut.
    void aLineLeavingThePictureIsCutWhereItLeaves_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<int>("alpha");
        QTest::addColumn<int>("colors");
        QTest::addRow("thinnest pen") << 0.0f << 255 << 1;
        QTest::addRow("thin pen") << 1.0f << 255 << 1;
        QTest::addRow("thin translucent pen") << 1.0f << 128 << 1;
        QTest::addRow("wide pen, in runs") << 4.0f << 255 << 1;
        QTest::addRow("wide pens in three colours") << 3.0f << 255 << 3;
        QTest::addRow("wide translucent pen, one outline") << 4.0f << 128 << 1;
    }

    void aLineLeavingThePictureIsCutWhereItLeaves()
    {
        QFETCH(float, width);
        QFETCH(int, alpha);
        QFETCH(int, colors);
        const ArtParameters art = farReaching(width, QColor(255, 0, 0, alpha), colors);
        const QSize picture(160, 120);
        const QPoint centre(350, 0);   // in curve space, y up
        const QTransform transform(1, 0, 0, -1, picture.width() / 2 - centre.x(), picture.height() / 2 + centre.y());
        const QImage cut = drawn(art, picture, transform);

        // Every colour's line stroked whole by Qt, clipped by the image alone.
        QImage whole = onWhite(picture);
        {
            const TracedCurve curve = traceCurve(curveParameters(art));
            QPainter painter(&whole);
            painter.setRenderHint(QPainter::Antialiasing);
            const QColor pens[] = {art.penColor, art.pen2Color, art.pen3Color};
            int pen = 0;
            for (const PolylineView& path : {curve.penPath(), curve.pen2Path(), curve.pen3Path()}) {
                QPolygonF line;
                for (const CurvePoint& p : path)
                    line << transform.map(QPointF(p.x, p.y));
                QPen stroke(pens[pen++], width, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin);
                stroke.setMiterLimit(kMiterLimit);
                painter.setPen(stroke);
                painter.drawPolyline(line);
            }
        }
        const InkAgreement agreement = inkAgreement(cut, whole, 8);
        QCOMPARE(agreement.actualNearExpected, 1.0);   // no chord, no stray stroke
        QVERIFY2(agreement.expectedNearActual > 0.99, qPrintable(QString::number(agreement.expectedNearActual)));
        if (alpha == 255 && width > 1)   // thinner lines have no interior
            QVERIFY2(agreement.colour > 0.95, qPrintable(QString::number(agreement.colour)));

        // The same stretch of a picture holding the whole design, which cuts nothing: a cut
        // segment may fall a shade differently on a pixel, nothing more.
        const QSize large(1400, 1400);
        const QImage uncut = drawn(art, large, QTransform(1, 0, 0, -1, large.width() / 2, large.height() / 2));
        const QPoint corner(large.width() / 2 + centre.x() - picture.width() / 2,
                            large.height() / 2 - centre.y() - picture.height() / 2);
        const int difference = largestDifference(cut, uncut.copy(QRect(corner, picture)));
        QVERIFY2(difference <= 8, qPrintable(QString::number(difference)));
    }

    // Where the sums overflow, near the start, the points are infinite and left out; the line
    // runs on through the points that are finite, as one line through them draws it.
    void pointsThatAreNotFiniteAreLeftOut()
    {
        ArtParameters art = artDesign(2e38f, 1e38f, 1e38f, 1);
        art.penColor = Qt::red;
        art.drawMode = ImageExportMode;
        const QTransform transform(1e-36, 0, 0, -1e-36, 250, 250);
        const TracedCurve curve = traceCurve(curveParameters(art));
        QPolygonF finite;
        for (const CurvePoint& p : curve.penPath())
            if (std::isfinite(p.x) && std::isfinite(p.y))
                finite << transform.map(QPointF(p.x, p.y));
        QVERIFY(!curve.allPointsFinite);
        QVERIFY2(finite.size() > 50 && finite.size() < qsizetype(curve.penPath().size()), qPrintable(QString::number(finite.size())));

        QImage expected = onWhite(QSize(500, 500));
        {
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(Qt::red, 1, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin));
            painter.drawPolyline(finite);
        }
        const InkAgreement agreement = inkAgreement(drawn(art, expected.size(), transform), expected, 8);
        QVERIFY2(agreement.actualNearExpected > 0.99 && agreement.expectedNearActual > 0.99,
                 qPrintable(QString("%1 %2").arg(agreement.actualNearExpected).arg(agreement.expectedNearActual)));
    }

    // A pixmap has no size the drawing trusts, as a printer has none: nothing is left out there,
    // and it shows what an image shows.
    void aPixmapShowsWhatAnImageShows_data()
    {
        QTest::addColumn<float>("width");
        QTest::addRow("thin pen") << 1.0f;
        QTest::addRow("wide pen") << 3.0f;
    }

    void aPixmapShowsWhatAnImageShows()
    {
        QFETCH(float, width);
        const ArtParameters art = farReaching(width, Qt::red, 3);
        const QSize size(200, 150);
        const QTransform transform(0.1, 0, 0, -0.1, 100, 75);
        QPixmap pixmap(size);
        pixmap.fill(Qt::white);
        {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            QVERIFY(paintDesign(painter, art, transform).finished);
        }
        const QImage image = drawn(art, size, transform);
        QVERIFY(std::count_if(image.bits(), image.bits() + image.sizeInBytes(), [](uchar b) { return b < 128; }) > 1000);
        QCOMPARE(largestDifference(pixmap.toImage(), image), 0);
    }

    // A frame of a curve growing on screen that is cancelled while its strokes go onto the
    // layer leaves that layer short of them: the next frame draws all there is, as a fresh
    // drawing does, and nothing is missing.
    void aGrowingFrameCancelledPartWay()
    {
        ArtParameters art = longDesign(3, 3, false);
        art.drawMode = ScreenMode;
        art.percentToDraw = 60;
        const QSize size(400, 400);
        const QTransform transform(0.35, 0, 0, -0.35, 200, 200);
        constexpr int kBands = 2;
        GrowingStrokes growing;
        bool cancelledPartWay = false;
        // The canceller may come late on a loaded machine: attempts go on until one lands.
        for (int attempt = 0; attempt < 50 && !cancelledPartWay; ++attempt) {
            growing = {};
            std::atomic<int> percent{0};
            std::atomic<bool> cancel{false};
            std::atomic<bool> done{false};
            DrawingControl control;
            control.cancelled = &cancel;
            control.percentDone = &percent;
            control.growing = &growing;
            // Cancels once a few of the strokes are on the layer.
            std::thread canceller([&] {
                const QDeadlineTimer deadline(10'000);
                while (!done && !deadline.hasExpired()) {
                    if (percent > 15) {
                        cancel = true;
                        return;
                    }
                    std::this_thread::yield();
                }
            });
            QImage frame = onWhite(size);
            cancelledPartWay = !paintDesignInBands(frame, art, transform, kBands, control).finished;
            done = true;
            canceller.join();
            QVERIFY2(percent < 100, qPrintable(QString::number(percent)));
        }
        QVERIFY2(cancelledPartWay, "no frame was cancelled while its strokes went on");

        art.percentToDraw = 70;
        DrawingControl next;
        next.growing = &growing;
        QImage continued = onWhite(size);
        QVERIFY(paintDesignInBands(continued, art, transform, kBands, next).finished);
        GrowingStrokes fresh;
        DrawingControl anew;
        anew.growing = &fresh;
        QImage expected = onWhite(size);
        QVERIFY(paintDesignInBands(expected, art, transform, kBands, anew).finished);
        QCOMPARE(continued, expected);
    }

    // Frame by frame, a growing curve's new strokes go onto the layer that the frames before
    // left, as they left it; a frame drawn elsewhere starts a layer of its own.
    void aGrowingFrameGoesOnTheLayerBefore()
    {
        ArtParameters art = longDesign(3, 1, false);
        art.drawMode = ScreenMode;
        art.percentToDraw = 40;
        const QSize size(300, 300);
        const QTransform transform(0.25, 0, 0, -0.25, 150, 150);
        GrowingStrokes growing;
        DrawingControl control;
        control.growing = &growing;
        QImage frame = onWhite(size);
        QVERIFY(paintDesignInBands(frame, art, transform, 1, control).finished);
        growing.layer.setPixelColor(0, 0, Qt::black);   // where no stroke goes: a mark of this layer
        art.percentToDraw = 60;
        QImage next = onWhite(size);
        QVERIFY(paintDesignInBands(next, art, transform, 1, control).finished);
        QCOMPARE(next.pixelColor(0, 0), QColor(Qt::black));
        art.percentToDraw = 80;
        QImage moved = onWhite(size);
        QVERIFY(paintDesignInBands(moved, art, transform * QTransform::fromTranslate(1, 0), 1, control).finished);
        QCOMPARE(moved.pixelColor(0, 0), QColor(Qt::white));
    }

    // The grey wheels are one unit wide, as a pen of width 1 is: on a screen of twice the pixel
    // density their lines are twice as long and twice as wide in pixels.
    void overlaysScaleWithThePixelRatio()
    {
        ArtParameters art = longDesign(1, 1, false);
        art.rotationsToMake = 9;
        art.anchorRadius = 160;
        art.runnerRadius = 72;
        art.penHoleRadius = 53;
        art.penColor = QColor();   // the wheels alone
        art.drawMode = ScreenMode;
        art.showAnchor = true;
        art.percentToDraw = 50;
        const auto coverage = [&art](qreal pixelRatio) {
            QImage image(QSize(400, 400) * pixelRatio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(pixelRatio);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            paintDesign(painter, art, QTransform(1, 0, 0, -1, 200, 200));
            double sum = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    sum += qAlpha(image.pixel(x, y)) / 255.0;
            return sum;
        };
        const double single = coverage(1);
        QVERIFY(single > 1000);
        const double ratio = coverage(2) / single;
        QVERIFY2(ratio > 3.6 && ratio < 4.4, qPrintable(QString::number(ratio)));
        // The whole curve drawn: the anchor alone, a circle of 2π·160 ≈ 1005 units, about one
        // unit wide (antialiasing takes a little).
        art.percentToDraw = 100;
        const double anchor = coverage(1);
        QVERIFY2(anchor > 800 && anchor < 1200, qPrintable(QString::number(anchor)));
    }

    // The work that decides whether a drawing is done at once: one for each thin point, more for
    // a wide pen and for a fill, and nothing for a fill that a partial curve does not draw.
    void drawingWorkCountsWhatIsDrawn()
    {
        const auto work = [](float width, bool fill, float percent) {
            ArtParameters art = longDesign(width, 1, fill);
            art.percentToDraw = percent;
            return drawingWork(art);
        };
        const auto points = [](float percent) {
            ArtParameters art = longDesign(1, 1, false);
            art.percentToDraw = percent;
            return estimatedPointCount(curveParameters(art));
        };
        QVERIFY(points(100) > 300'000);
        QCOMPARE(work(1, false, 100), points(100));
        QCOMPARE(work(0, false, 100), points(100));
        QCOMPARE(work(1, true, 50), points(50));
        QVERIFY(work(1, true, 100) > work(1, false, 100));
        QVERIFY(work(3, false, 100) > work(1, false, 100));
        QVERIFY(work(3, true, 100) > work(3, false, 100));
        QCOMPARE(work(3, true, 50), work(3, false, 50));
    }

    // What a drawing reports at each line it hands on: where the strokes start, growing with the
    // points stroked, below 100 until it has finished, and 100 once it has.
    void progressGrowsWithTheStrokes_data()
    {
        QTest::addColumn<QPaintEngine::Type>("device");
        QTest::addColumn<float>("width");
        QTest::addColumn<int>("colors");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<int>("strokesStartAt");
        const auto raster = QPaintEngine::Raster;
        const auto plotter = QPaintEngine::User;   // each pen one line
        QTest::addRow("an image, thin pen") << raster << 1.0f << 1 << false << 10;
        QTest::addRow("an image, wide pen in runs") << raster << 3.0f << 1 << false << 10;
        QTest::addRow("an image, filled") << raster << 1.0f << 1 << true << 35;
        QTest::addRow("a printer, three pens") << plotter << 1.0f << 3 << false << 10;
        QTest::addRow("a printer, filled") << plotter << 2.0f << 1 << true << 35;
    }

    void progressGrowsWithTheStrokes()
    {
        QFETCH(QPaintEngine::Type, device);
        QFETCH(float, width);
        QFETCH(int, colors);
        QFETCH(bool, fill);
        QFETCH(int, strokesStartAt);
        std::atomic<int> percent{0};
        ProgressRecorder recorder(device, percent);
        DrawingControl control;
        control.percentDone = &percent;
        control.cancelled = recorder.cancelFlag();
        QPainter painter(&recorder);
        const DrawingOutcome outcome = paintDesign(painter, longDesign(width, colors, fill), QTransform(), control);
        QVERIFY(outcome.finished);
        QCOMPARE(percent.load(), 100);
        std::vector<int> strokes = recorder.readings();
        const int lines = device == QPaintEngine::Raster ? 40 : colors + (fill ? 1 : 0);
        QVERIFY2(device == QPaintEngine::Raster ? int(strokes.size()) > lines : int(strokes.size()) == lines,
                 qPrintable(QString::number(strokes.size())));
        if (fill) {
            QCOMPARE(strokes.front(), 10);   // traced, the fill under way
            strokes.erase(strokes.begin());
        }
        QCOMPARE(strokes.front(), strokesStartAt);
        QVERIFY(std::is_sorted(strokes.begin(), strokes.end()));
        QVERIFY2(strokes.back() < 100, qPrintable(QString::number(strokes.back())));
        // Growing all the way: the last piece goes out near the end, not at the start.
        if (device == QPaintEngine::Raster)
            QVERIFY2(strokes.back() >= 90, qPrintable(QString::number(strokes.back())));
        if (colors == 3) {
            // Three pens of about a third of the points each.
            QVERIFY2(std::abs(strokes[1] - 40) <= 2 && std::abs(strokes[2] - 70) <= 2,
                     qPrintable(QString("%1 %2").arg(strokes[1]).arg(strokes[2])));
        }
    }

    // Drawn in bands of rows on several threads, whole or as a frame of a growing curve, a
    // picture reads 100 % only once it is done: a watcher that stops it on seeing 100 % stops
    // nothing.
    void progressInBandsReachesTheEndLast_data()
    {
        QTest::addColumn<int>("bands");
        QTest::addColumn<float>("percentToDraw");   // below 100 on screen: a frame of a growing curve
        QTest::addRow("one band") << 1 << 100.0f;
        QTest::addRow("two bands") << 2 << 100.0f;
        QTest::addRow("three bands") << 3 << 100.0f;
        QTest::addRow("a growing frame in two bands") << 2 << 60.0f;
    }

    void progressInBandsReachesTheEndLast()
    {
        QFETCH(int, bands);
        QFETCH(float, percentToDraw);
        ArtParameters art = longDesign(3, 1, false);
        art.rotationsToMake = 20;
        art.drawMode = ScreenMode;
        art.percentToDraw = percentToDraw;
        std::atomic<int> percent{0};
        std::atomic<bool> cancel{false};
        std::atomic<bool> done{false};
        GrowingStrokes growing;
        DrawingControl control;
        control.cancelled = &cancel;
        control.percentDone = &percent;
        control.growing = &growing;
        int highestSeen = 0;
        std::thread watcher([&] {
            const QDeadlineTimer deadline(20'000);
            while (!done && !deadline.hasExpired()) {
                highestSeen = std::max(highestSeen, percent.load());
                if (highestSeen >= 100)
                    cancel = true;
                std::this_thread::yield();
            }
        });
        QImage image = onWhite(QSize(300, 300));
        const bool finished = paintDesignInBands(image, art, QTransform(0.25, 0, 0, -0.25, 150, 150), bands, control).finished;
        done = true;
        watcher.join();
        QVERIFY2(finished, qPrintable(QString("stopped at %1 %").arg(highestSeen)));
        QCOMPARE(percent.load(), 100);
    }

    // A cancelled drawing says it has not finished, and its progress stays where it stopped:
    // never 100.
    void progressOfACancelledDrawing_data()
    {
        QTest::addColumn<QPaintEngine::Type>("device");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<int>("cancelAt");   // the line or outline at which it is cancelled; 0: before it starts
        QTest::addColumn<int>("lowest");
        QTest::addColumn<int>("highest");
        QTest::addRow("before it starts") << QPaintEngine::Raster << false << 0 << 0 << 0;
        QTest::addRow("while it fills") << QPaintEngine::Raster << true << 1 << 10 << 10;
        QTest::addRow("at the first piece of a line") << QPaintEngine::Raster << false << 1 << 10 << 11;
        QTest::addRow("half way along a line") << QPaintEngine::Raster << false << 46 << 50 << 56;
        QTest::addRow("at the first of three pens") << QPaintEngine::User << false << 1 << 38 << 42;
    }

    void progressOfACancelledDrawing()
    {
        QFETCH(QPaintEngine::Type, device);
        QFETCH(bool, fill);
        QFETCH(int, cancelAt);
        QFETCH(int, lowest);
        QFETCH(int, highest);
        std::atomic<int> percent{0};
        ProgressRecorder recorder(device, percent);
        if (cancelAt == 0)
            recorder.cancel();
        recorder.cancelAt(cancelAt);
        DrawingControl control;
        control.percentDone = &percent;
        control.cancelled = recorder.cancelFlag();
        QPainter painter(&recorder);
        const ArtParameters art = longDesign(1, device == QPaintEngine::User ? 3 : 1, fill);
        QVERIFY(!paintDesign(painter, art, QTransform(), control).finished);
        QCOMPARE(int(recorder.readings().size()), cancelAt);
        QVERIFY2(percent >= lowest && percent <= highest, qPrintable(QString::number(percent)));
    }
};

QTEST_MAIN(TestDesignPainter)
#include "tst_designpainter.moc"
