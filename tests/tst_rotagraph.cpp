#include "art/CurveTrace.h"
#include "art/DesignPainter.h"
#include "view/Rotagraph.h"

#include "TestSupport.h"

#include <QImage>
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

// The art view is checked by what it paints: it is rendered into a transparent image and the
// pixels are read for position, extent, colour and coverage.

Q_DECLARE_METATYPE(ColourMode)

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// The view's drawing, finished: on screen a large one is otherwise drawn by a worker.
QImage paint(Rotagraph& view)
{
    view.finishDrawing();
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void setDesign(Rotagraph& view, float anchor, float runner, float pen, float revolutions)
{
    view.setAnchorRadius(anchor);
    view.setRunnerRadius(runner);
    view.setPenHoleRadius(pen);
    view.setRotationsToMake(revolutions);
    view.setPenColor(Qt::red);
    view.setNumberOfColors(1);
    view.setPenDrawSize(1);
}

void setDefaultDesign(Rotagraph& view) { setDesign(view, 160, 72, 53, 9); }

// With no anchor the runner turns once per orbit and the pen runs on a circle of radius
// runner + pen about the centre: a design whose extent is known.
void setCircle(Rotagraph& view, float radius, float revolutions = 1)
{
    setDesign(view, 0, radius * 0.6f, radius * 0.4f, revolutions);
}

CurveParameters traceParameters(const Rotagraph& view)
{
    return curveParameters(view.parameters());
}

// Where a curve point lands on screen: one unit per pixel, y up, origin at the centre.
QPointF onScreen(const CurvePoint& p, const QSize& size)
{
    return {size.width() / 2.0 + p.x, size.height() / 2.0 - p.y};
}

QRgb pixelAt(const QImage& image, const QPointF& p)
{
    const QPoint at(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
    return image.rect().contains(at) ? image.pixel(at) : 0;
}

// The most opaque pixel within one pixel of a point: a line one unit wide that runs along a
// pixel boundary covers the pixels on both sides by half.
QRgb strongestNear(const QImage& image, const QPointF& p)
{
    QRgb best = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QRgb c = pixelAt(image, p + QPointF(dx, dy));
            if (qAlpha(c) > qAlpha(best))
                best = c;
        }
    return best;
}

// The overlays' 50 % grey; premultiplication keeps the channels equal.
bool isGrey(QRgb c)
{
    if (qAlpha(c) == 0 || qRed(c) != qGreen(c) || qGreen(c) != qBlue(c))
        return false;
    return std::abs(qRed(qUnpremultiply(c)) - 128) <= 4;
}

bool isRed(QRgb c) { return qAlpha(c) > 0 && qGreen(c) == 0 && qBlue(c) == 0; }

// The runner's blue, #2864c8, drawn fully: its line, not the faint tint of its disc.
bool isRunnerLine(QRgb c)
{
    const QRgb plain = qUnpremultiply(c);
    return qAlpha(c) > 100 && std::abs(qRed(plain) - 0x28) <= 6 && std::abs(qGreen(plain) - 0x64) <= 6
        && std::abs(qBlue(plain) - 0xc8) <= 6;
}

int countPixels(const QImage& image, const std::function<bool(QRgb)>& matches)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += matches(image.pixel(x, y)) ? 1 : 0;
    return count;
}

// How much of a row of pixels is covered, in pixels: the width of a line crossing it.
double coverageAlongRow(const QImage& image, int y, int fromX, int toX)
{
    double sum = 0;
    for (int x = fromX; x < toX; ++x)
        sum += qAlpha(image.pixel(x, y)) / 255.0;
    return sum;
}

// Draws with one rectangle whatever is repainted: an export of that rectangle, which a view
// smaller than it shows only in part.
class FixedRectView : public Rotagraph
{
public:
    explicit FixedRectView(const QRectF& rect) : m_rect(rect) {}

protected:
    void paintEvent(QPaintEvent*) override { drawRect(m_rect); }

private:
    QRectF m_rect;
};

QString firstDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes differ");
    int count = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && count++ == 0)
                first = QPoint(x, y);
    return count == 0 ? QString()
                      : QStringLiteral("%1 pixels differ, the first at (%2, %3): %4 against %5").arg(count)
                            .arg(first.x()).arg(first.y()).arg(a.pixel(first), 8, 16).arg(b.pixel(first), 8, 16);
}

}

class TestRotagraph : public QObject
{
    Q_OBJECT

private slots:
    void newViewAndUncheckedSetters()
    {
        Rotagraph view;
        QCOMPARE(view.percentToDraw(), 100.0f);
        QCOMPARE(view.drawMode(), int32_t(ScreenMode));
        QVERIFY(!view.allowScaleUp());
        for (float value : {view.anchorRadius(), view.runnerRadius(), view.penHoleRadius(),
                            view.penDrawSize(), view.rotationsToMake()})
            QCOMPARE(value, 0.0f);
        QCOMPARE(view.numberOfColors(), 0);
        QVERIFY(!view.showAnchor() && !view.closeCurve() && !view.fillShape() && !view.greaseIt());
        for (const QColor& c : {view.penColor(), view.pen2Color(), view.pen3Color(), view.fillColor()})
            QVERIFY(!c.isValid());

        view.setPenHoleRadius(-40);
        view.setNumberOfColors(7);
        view.setPercentToDraw(250);
        view.setDrawMode(5);
        QCOMPARE(view.penHoleRadius(), -40.0f);
        QCOMPARE(view.numberOfColors(), 7);
        QCOMPARE(view.percentToDraw(), 250.0f);
        QCOMPARE(view.drawMode(), 5);
    }

    void nothingOutsideTheArt_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<double>("radiusOnImage");
        QTest::addRow("screen, stroke") << int(ScreenMode) << false << 100.0;
        QTest::addRow("screen, filled") << int(ScreenMode) << true << 100.0;
        // Fitted with room for half the pen (1) around the circle.
        QTest::addRow("export enlarged, stroke") << int(ImageExportMode) << false << 400 / 2.05 - 1;
        QTest::addRow("export enlarged, filled") << int(ImageExportMode) << true << 400 / 2.05 - 1;
    }

    void nothingOutsideTheArt()
    {
        QFETCH(int, mode);
        QFETCH(bool, fill);
        QFETCH(double, radiusOnImage);
        constexpr double kHalfPen = 1;
        constexpr double kSlack = 1.5;   // antialiasing, and the circle drawn as a 63-gon
        Rotagraph view;
        view.resize(400, 400);
        setCircle(view, 100);
        view.setPenDrawSize(2 * kHalfPen);
        view.setDrawMode(mode);
        view.setAllowScaleUp(true);
        view.setFillShape(fill);
        view.setFillColor(Qt::yellow);
        const QImage image = paint(view);

        int ringPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                const double d = std::hypot(x + 0.5 - 200, y + 0.5 - 200) - radiusOnImage;
                if (d > kHalfPen + kSlack || (!fill && d < -kHalfPen - kSlack))
                    QCOMPARE(qAlpha(c), 0);
                else if (fill && d < -kHalfPen - kSlack)
                    QCOMPARE(c, qRgba(255, 255, 0, 255));
                else if (!fill && qAlpha(c) > 0) {
                    QVERIFY(isRed(c));
                    ++ringPixels;
                }
            }
        if (!fill)   // about the ring's area, 2π r × the pen's width
            QVERIFY(ringPixels > 2 * M_PI * radiusOnImage * 2 * kHalfPen * 0.9);
    }

    void screenIsCentredAtOneUnitPerPixel_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("actualSize");
        QTest::addRow("view larger than the design, fitted") << QSize(700, 600) << false;
        QTest::addRow("view larger than the design, actual size") << QSize(700, 600) << true;
        QTest::addRow("actual size: cut off at the edges") << QSize(600, 400) << true;
    }

    void screenIsCentredAtOneUnitPerPixel()
    {
        QFETCH(QSize, size);
        QFETCH(bool, actualSize);
        Rotagraph view;
        view.resize(size);
        if (actualSize)
            view.actualSize();
        setDefaultDesign(view);
        view.setPenDrawSize(3);
        view.setPercentToDraw(5);   // an arc above the x axis: it shows which way y runs
        const QImage image = paint(view);

        const TracedCurve curve = traceCurve(traceParameters(view));
        int checked = 0;
        // The ends are left out: a butt end covers only half of the pixel it stops in.
        for (std::size_t i = 2; i + 1 < curve.fillPath().size(); ++i) {
            const CurvePoint p = curve.fillPath()[i];
            const QPointF at = onScreen(p, size);
            if (p.y < 5 || !QRectF(image.rect()).adjusted(2, 2, -2, -2).contains(at))
                continue;
            const QRgb c = pixelAt(image, at);
            QVERIFY2(isRed(c) && qAlpha(c) > 200, qPrintable(QString("at %1, %2").arg(at.x()).arg(at.y())));
            QCOMPARE(qAlpha(pixelAt(image, onScreen({p.x, -p.y}, size))), 0);
            ++checked;
        }
        QVERIFY(checked > 10);
    }

    // Fitted to the window, a design that would not fit is shrunk: its bounding circle spans
    // 2 / 2.05 of the narrower side, centred. One that fits is drawn as at actual size.
    void fitToWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<float>("radius");
        QTest::addColumn<double>("extent");   // the circle's diameter on screen
        QTest::addRow("fits: one unit per point") << QSize(400, 300) << 100.0f << 200.0;
        QTest::addRow("too tall: shrunk to the height") << QSize(600, 400) << 285.0f << 400 / 1.025;
        QTest::addRow("far too large") << QSize(300, 300) << 3000.0f << 300 / 1.025;
    }

    void fitToWindow()
    {
        QFETCH(QSize, size);
        QFETCH(float, radius);
        QFETCH(double, extent);
        Rotagraph view;
        view.resize(size);
        setCircle(view, radius);
        view.setPenDrawSize(1);
        QVERIFY(view.zoom().fitsToWindow());
        const QImage fitted = paint(view);
        const QRect bounds = paintedBounds(fitted);
        QVERIFY2(std::abs(bounds.height() - (extent + 1)) <= 2.5, qPrintable(QString::number(bounds.height())));
        QVERIFY(std::abs(QRectF(bounds).center().x() - size.width() / 2.0) <= 1.5);
        QVERIFY(std::abs(QRectF(bounds).center().y() - size.height() / 2.0) <= 1.5);
        view.actualSize();
        QCOMPARE(paint(view) == fitted, extent == 2.0 * double(radius));
    }

    // Zooming in by the wheel keeps the design's point under the pointer where it is; dragging
    // then moves the design with the pointer. The pen keeps its width.
    void wheelZoomsAboutThePointerAndDragMoves()
    {
        Rotagraph view;
        view.resize(400, 400);
        setCircle(view, 100);
        view.setPenDrawSize(1);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPointF onCircle(300, 200);   // the circle's rightmost point
        const double penCoverage = coverageAlongRow(paint(view), 200, 250, 350);
        turnWheel(&view, onCircle, {0, 2 * QWheelEvent::DefaultDeltasPerStep}, Qt::ControlModifier);
        QCOMPARE(view.screenScale(), 1.5625);   // two steps of 1.25
        QImage image = paint(view);
        QVERIFY(isRed(strongestNear(image, onCircle)));
        const double scaledRadius = 100 * view.screenScale();
        QVERIFY(isRed(strongestNear(image, onCircle - QPointF(scaledRadius, scaledRadius))));   // its top
        QVERIFY(std::abs(coverageAlongRow(image, 200, 250, 350) - penCoverage) < 0.25);

        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(300, 200));
        QTest::mouseMove(&view, QPoint(250, 150));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(250, 150));
        image = paint(view);
        QVERIFY(isRed(strongestNear(image, onCircle - QPointF(50, 50))));
        QCOMPARE(qAlpha(pixelAt(image, onCircle)), 0);
    }

    // The painted extent is the circle's diameter on the image plus the pen, which is not
    // scaled: the two together span 2 / 2.05 of the narrower side when the design is fitted.
    void fitFactor_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("enlarge");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<float>("radius");
        QTest::addColumn<float>("pen");
        QTest::addColumn<double>("extent");   // of the painted pixels
        const QSize page(468, 612);
        QTest::addRow("export 1000, radius 100") << int(ImageExportMode) << false << QSize(1000, 1000) << 100.0f << 1.0f << 201.0;
        QTest::addRow("export 1000, radius 100, enlarged") << int(ImageExportMode) << true << QSize(1000, 1000) << 100.0f << 1.0f << 2000 / 2.05;
        QTest::addRow("export 500, radius 300") << int(ImageExportMode) << false << QSize(500, 500) << 300.0f << 1.0f << 1000 / 2.05;
        QTest::addRow("export 500, radius 300, enlarged") << int(ImageExportMode) << true << QSize(500, 500) << 300.0f << 1.0f << 1000 / 2.05;
        QTest::addRow("export 500, radius 250, pen 20") << int(ImageExportMode) << false << QSize(500, 500) << 250.0f << 20.0f << 1000 / 2.05;
        QTest::addRow("export 500, radius 200, pen 20: fits") << int(ImageExportMode) << false << QSize(500, 500) << 200.0f << 20.0f << 420.0;
        QTest::addRow("print 468 by 612, radius 300") << int(PrintMode) << false << page << 300.0f << 1.0f << 936 / 2.05;
        QTest::addRow("print 468 by 612, radius 300, pen 12") << int(PrintMode) << false << page << 300.0f << 12.0f << 936 / 2.05;
        QTest::addRow("print never enlarges") << int(PrintMode) << true << page << 150.0f << 1.0f << 301.0;
    }

    void fitFactor()
    {
        QFETCH(int, mode);
        QFETCH(bool, enlarge);
        QFETCH(QSize, area);
        QFETCH(float, radius);
        QFETCH(float, pen);
        QFETCH(double, extent);
        Rotagraph view;
        // A printed view is centred in the printable area, not in its own size.
        view.resize(mode == PrintMode ? area + QSize(100, 60) : area);
        view.setPrintableArea(area);
        setCircle(view, radius);
        view.setPenDrawSize(pen);
        view.setDrawMode(mode);
        view.setAllowScaleUp(enlarge);
        const QRect bounds = paintedBounds(paint(view));

        QVERIFY2(std::abs(bounds.width() - extent) <= 2, qPrintable(QString::number(bounds.width())));
        QVERIFY2(std::abs(bounds.height() - extent) <= 2, qPrintable(QString::number(bounds.height())));
        QVERIFY(std::abs(QRectF(bounds).center().x() - area.width() / 2.0) <= 1.5);
        QVERIFY(std::abs(QRectF(bounds).center().y() - area.height() / 2.0) <= 1.5);
    }

    void printWithoutAPageShowsNothing()
    {
        Rotagraph view;
        view.resize(400, 400);
        setCircle(view, 100);
        view.setPenDrawSize(3);
        view.setDrawMode(PrintMode);
        QVERIFY(paintedBounds(paint(view)).isEmpty());   // fitted to no area: scale 0
    }

    void exportCountsOnlyTheSizeOfTheRect()
    {
        FixedRectView view(QRectF(10, 10, 200, 200));
        view.resize(300, 300);
        setCircle(view, 50);
        view.setDrawMode(ImageExportMode);
        const QRect bounds = paintedBounds(paint(view));
        QVERIFY(std::abs(bounds.width() - 101) <= 2);
        QVERIFY(std::abs(QRectF(bounds).center().x() - 100) <= 1);
        QVERIFY(std::abs(QRectF(bounds).center().y() - 100) <= 1);
    }

    void penWidthIsNotScaled_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("enlarge");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<double>("scale");   // the fit that the area gives a circle of radius 100 or 200
        QTest::addColumn<float>("width");
        QTest::addColumn<double>("expectedWidth");
        QTest::addRow("screen, width 3") << int(ScreenMode) << false << QSize(400, 400) << 1.0 << 3.0f << 3.0;
        QTest::addRow("print at half size, width 2") << int(PrintMode) << false << QSize(410, 205) << 0.5 << 2.0f << 2.0;
        QTest::addRow("export at half size, width 6") << int(ImageExportMode) << false << QSize(410, 205) << 0.5 << 6.0f << 6.0;
        QTest::addRow("export enlarged four times, width 4") << int(ImageExportMode) << true << QSize(820, 820) << 4.0 << 4.0f << 4.0;
        QTest::addRow("export enlarged four times, width 1") << int(ImageExportMode) << true << QSize(820, 820) << 4.0 << 1.0f << 1.0;
        QTest::addRow("width 0: the thinnest line") << int(ImageExportMode) << true << QSize(820, 820) << 4.0 << 0.0f << 1.0;
    }

    void penWidthIsNotScaled()
    {
        QFETCH(int, mode);
        QFETCH(bool, enlarge);
        QFETCH(QSize, area);
        QFETCH(double, scale);
        QFETCH(float, width);
        QFETCH(double, expectedWidth);
        const float radius = scale < 1 ? 200 : 100;
        Rotagraph view;
        view.resize(area);
        view.setPrintableArea(area);
        setCircle(view, radius);
        view.setPenDrawSize(width);
        view.setDrawMode(mode);
        view.setAllowScaleUp(enlarge);
        const QImage image = paint(view);
        // Rows near the centre cross the circle's left side where it runs nearly upright. The
        // median leaves out the few rows where a wide pen's pieces overlap by a segment.
        const int rows = static_cast<int>(radius * scale / 5);
        std::vector<double> widths;
        for (int dy = -rows; dy <= rows; ++dy)
            widths.push_back(coverageAlongRow(image, area.height() / 2 + dy, 0, area.width() / 2));
        std::nth_element(widths.begin(), widths.begin() + rows, widths.end());
        const double measured = widths[static_cast<std::size_t>(rows)];
        QVERIFY2(std::abs(measured - expectedWidth) <= 0.25, qPrintable(QString::number(measured)));
    }

    void sharpTurnsAreBevelled()
    {
        // A runner a quarter of the anchor rolling inside, the pen on its rim: four cusps on the
        // anchor circle, where the line turns back on itself. Past the mitre limit of 10 widths a
        // join is bevelled; a mitre there would stick out 10 widths beyond the cusp.
        Rotagraph view;
        view.resize(500, 500);
        setDesign(view, 100, -25, 25, 1);
        view.setPenDrawSize(6);
        const QImage image = paint(view);
        constexpr double kReach = 100 + 3 + 1.5;   // the cusps, half the pen, antialiasing
        int outside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (std::hypot(x + 0.5 - 250, y + 0.5 - 250) > kReach && qAlpha(image.pixel(x, y)) > 0)
                    ++outside;
        QCOMPARE(outside, 0);
    }

    void widePenCoversEverySegment_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<int>("minimumAlpha");
        QTest::addRow("opaque pen") << QColor(Qt::red) << 250;
        QTest::addRow("translucent pen") << QColor(255, 0, 0, 128) << 125;
    }

    void widePenCoversEverySegment()
    {
        QFETCH(QColor, color);
        QFETCH(int, minimumAlpha);
        Rotagraph view;
        view.resize(640, 640);
        setDefaultDesign(view);
        view.setPenColor(color);
        view.setPenDrawSize(4);
        const QImage image = paint(view);
        const TracedCurve curve = traceCurve(traceParameters(view));
        const PolylineView points = curve.penPath();
        // From the second point on: the first segment joins the start point to itself.
        for (std::size_t i = 2; i < points.size(); ++i) {
            const CurvePoint mid{(points[i - 1].x + points[i].x) / 2, (points[i - 1].y + points[i].y) / 2};
            const QRgb c = pixelAt(image, onScreen(mid, view.size()));
            QVERIFY2(isRed(c) && qAlpha(c) >= minimumAlpha, qPrintable(QString("segment %1").arg(i)));
        }
    }

    void penColours_data()
    {
        QTest::addColumn<int>("numberOfColors");
        QTest::addColumn<QColor>("first");
        QTest::addColumn<QColor>("second");
        QTest::addColumn<QString>("seen");   // r, g, b: the pure pen colours in the image
        const QColor red(Qt::red);
        const QColor green(Qt::green);
        QTest::addRow("0 colours: the first pen only") << 0 << red << green << "r";
        QTest::addRow("1 colour") << 1 << red << green << "r";
        QTest::addRow("2 colours") << 2 << red << green << "rg";
        QTest::addRow("3 colours") << 3 << red << green << "rgb";
        QTest::addRow("7 colours: the first pen only") << 7 << red << green << "r";
        QTest::addRow("second pen without a colour") << 2 << red << QColor() << "r";
        QTest::addRow("first pen without a colour") << 1 << QColor() << green << "";
    }

    void penColours()
    {
        QFETCH(int, numberOfColors);
        QFETCH(QColor, first);
        QFETCH(QColor, second);
        QFETCH(QString, seen);
        Rotagraph view;
        view.resize(640, 640);
        setDefaultDesign(view);
        view.setPenDrawSize(2);
        view.setNumberOfColors(numberOfColors);
        view.setPenColor(first);
        view.setPen2Color(second);
        view.setPen3Color(Qt::blue);
        const QImage image = paint(view);
        constexpr int kEnough = 100;   // pixels
        const auto only = [](int r, int g, int b) {
            return [=](QRgb c) { return qAlpha(c) > 0 && (qRed(c) > 0) == r && (qGreen(c) > 0) == g && (qBlue(c) > 0) == b; };
        };
        QCOMPARE(countPixels(image, only(1, 0, 0)) > kEnough, seen.contains('r'));
        QCOMPARE(countPixels(image, only(0, 1, 0)) > kEnough, seen.contains('g'));
        QCOMPARE(countPixels(image, only(0, 0, 1)) > kEnough, seen.contains('b'));
        if (seen.isEmpty())
            QVERIFY(paintedBounds(image).isEmpty());
    }

    void fillWindsNonZero_data()
    {
        QTest::addColumn<bool>("fillShape");
        QTest::addColumn<QColor>("fillColor");
        QTest::addColumn<float>("percent");
        QTest::addColumn<bool>("filled");
        const QColor yellow(Qt::yellow);
        QTest::addRow("complete") << true << yellow << 100.0f << true;
        QTest::addRow("beyond complete") << true << yellow << 250.0f << true;
        QTest::addRow("partial") << true << yellow << 99.0f << false;
        QTest::addRow("percent not a number") << true << yellow << kNaN << false;
        QTest::addRow("fill off") << false << yellow << 100.0f << false;
        QTest::addRow("no fill colour") << true << QColor() << 100.0f << false;
    }

    void fillWindsNonZero()
    {
        QFETCH(bool, fillShape);
        QFETCH(QColor, fillColor);
        QFETCH(float, percent);
        QFETCH(bool, filled);
        Rotagraph view;
        view.resize(400, 400);
        setCircle(view, 100, 2);   // the inside is wound round twice: even-odd would leave it empty
        view.setPenColor(QColor());
        view.setFillShape(fillShape);
        view.setFillColor(fillColor);
        view.setPercentToDraw(percent);
        const QImage image = paint(view);
        QCOMPARE(image.pixel(200, 200), filled ? qRgba(255, 255, 0, 255) : qRgba(0, 0, 0, 0));
        if (!filled)
            QVERIFY(paintedBounds(image).isEmpty());
    }

    void overlays_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<float>("percent");
        QTest::addColumn<bool>("anchorShown");
        QTest::addColumn<bool>("runnerShown");
        QTest::addRow("screen, complete") << int(ScreenMode) << 100.0f << true << false;
        QTest::addRow("screen, partial") << int(ScreenMode) << 40.0f << true << true;
        QTest::addRow("screen, beyond complete") << int(ScreenMode) << 250.0f << true << false;
        QTest::addRow("print, partial") << int(PrintMode) << 40.0f << false << false;
        QTest::addRow("export, partial") << int(ImageExportMode) << 40.0f << false << false;
    }

    void overlays()
    {
        QFETCH(int, mode);
        QFETCH(float, percent);
        QFETCH(bool, anchorShown);
        QFETCH(bool, runnerShown);
        Rotagraph view;
        view.resize(640, 640);
        view.setPrintableArea(view.size());
        setDefaultDesign(view);
        view.setPenColor(QColor());   // the overlays alone
        view.setShowAnchor(true);
        view.setDrawMode(mode);
        view.setPercentToDraw(percent);
        const QImage image = paint(view);
        if (!anchorShown) {
            QVERIFY(paintedBounds(image).isEmpty());
            return;
        }
        QVERIFY(isGrey(strongestNear(image, onScreen({160, 0}, view.size()))));
        QVERIFY(isGrey(strongestNear(image, onScreen({0, -160}, view.size()))));

        // The runner's arm runs, in the runner's own colour, from its centre to the last traced
        // point, where the pen's white mark stands ringed in black.
        const TracedCurve curve = traceCurve(traceParameters(view));
        const CurvePoint centre = curve.lastRunnerCenter;
        const CurvePoint pen = curve.fillPath().back();
        const CurvePoint alongArm{(centre.x + pen.x) / 2, (centre.y + pen.y) / 2};
        QCOMPARE(isRunnerLine(strongestNear(image, onScreen(alongArm, view.size()))), runnerShown);
        QCOMPARE(pixelAt(image, onScreen(pen, view.size())) == qRgb(255, 255, 255), runnerShown);
    }

    void runnerArmEndsAtTheCentreAndThePen()
    {
        // Nothing traced beyond the start: the arm lies on the x axis from (150, 0) to (180, 0),
        // along the boundary between two pixel rows.
        Rotagraph view;
        view.resize(500, 400);
        setDesign(view, 100, 50, 30, 1);
        view.setPenColor(QColor());
        view.setShowAnchor(true);
        view.setPercentToDraw(0);
        const QImage image = paint(view);
        for (int row : {199, 200}) {
            QVERIFY(isRunnerLine(image.pixel(250 + 150, row)));
            QVERIFY(isRunnerLine(image.pixel(250 + 174, row)));
            QVERIFY(qAlpha(image.pixel(250 + 149, row)) < 60);   // a butt end: the disc's tint beyond
        }
        // The pen's mark: white at the pen, ringed in black four units out.
        QCOMPARE(image.pixel(250 + 180, 200), qRgb(255, 255, 255));
        int darkest = 255;
        for (int x = 250 + 182; x <= 250 + 186; ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, 200)) + 255 - qAlpha(image.pixel(x, 200)));
        QVERIFY2(darkest < 100, qPrintable(QString::number(darkest)));
    }

    void zeroRunnerDrawsWithoutNaN()
    {
        Rotagraph view;
        view.resize(400, 400);
        setDesign(view, 100, 0, 30, 1);
        view.setShowAnchor(true);
        view.setPercentToDraw(50);
        const QImage image = paint(view);
        QCOMPARE(view.lastDrawingPointCount(), std::size_t(1));
        // The runner, unturned, stands at (100, 0) with its arm out to the pen at (130, 0).
        QVERIFY(isRunnerLine(strongestNear(image, onScreen({115, 0}, view.size()))));
        QVERIFY(isGrey(strongestNear(image, onScreen({0, 100}, view.size()))));
    }

    void nonFinitePointsAreLeftOut_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<float>("penHole");
        QTest::addRow("screen, infinite pen hole") << int(ScreenMode) << kInfinity;
        QTest::addRow("screen, pen hole not a number") << int(ScreenMode) << kNaN;
        QTest::addRow("export, infinite pen hole") << int(ImageExportMode) << kInfinity;
    }

    void nonFinitePointsAreLeftOut()
    {
        QFETCH(int, mode);
        QFETCH(float, penHole);
        Rotagraph view;
        view.resize(400, 400);
        setDesign(view, 100, 50, penHole, 3);
        view.setPenDrawSize(3);
        view.setCloseCurve(true);
        view.setFillShape(true);
        view.setFillColor(Qt::yellow);
        view.setShowAnchor(true);
        view.setDrawMode(mode);
        const QImage image = paint(view);
        // Every point of the curve is unusable; what is finite, the anchor overlay, is drawn.
        const auto coloured = [](QRgb c) { return qRed(c) != qGreen(c) || qGreen(c) != qBlue(c); };
        QCOMPARE(countPixels(image, coloured), 0);
        QCOMPARE(isGrey(strongestNear(image, onScreen({100, 0}, view.size()))), mode == ScreenMode);
    }

    // The start point lies on the centre, (100 + (-50)) + (-50) = 0, yet the pen reaches 100
    // out: the fit goes by that reach.
    void fitGoesByThePensReach_data()
    {
        QTest::addColumn<bool>("enlarge");
        QTest::addColumn<double>("height");
        QTest::addRow("enlarge") << true << 200 * 400 / 205.0 + 1;
        QTest::addRow("do not enlarge") << false << 201.0;
    }

    void fitGoesByThePensReach()
    {
        QFETCH(bool, enlarge);
        QFETCH(double, height);
        // The runner, half the anchor, rolls inside it and the pen runs up and down a diameter,
        // from (0, -100) to (0, 100).
        Rotagraph view;
        view.resize(400, 400);
        setDesign(view, 100, -50, -50, 1);
        view.setDrawMode(ImageExportMode);
        view.setAllowScaleUp(enlarge);
        const QRect bounds = paintedBounds(paint(view));
        QVERIFY2(std::abs(bounds.height() - height) <= 3, qPrintable(QString::number(bounds.height())));
        QVERIFY(bounds.width() <= 3);
        QVERIFY(std::abs(QRectF(bounds).center().x() - 200) <= 1.5);
        QVERIFY(std::abs(QRectF(bounds).center().y() - 200) <= 1.5);
    }

    // Whichever way a picture is drawn, one painter or bands of rows on several threads, its
    // pixels are the same (wide pens and fills but for their edges' shading, which an image's own
    // rasteriser lays on); and a thin pen drawn piece by piece looks as one drawn whole.
    void picturesAreTheSameWhicheverWayTheyAreDrawn_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<int>("alpha");
        QTest::addColumn<bool>("fill");
        QTest::addRow("thin, opaque") << 1.0f << 255 << false;
        QTest::addRow("thin, translucent") << 0.5f << 128 << false;
        QTest::addRow("wide, opaque") << 3.0f << 255 << false;
        QTest::addRow("wide, translucent") << 3.0f << 128 << false;
        QTest::addRow("filled") << 2.0f << 255 << true;
    }

    void picturesAreTheSameWhicheverWayTheyAreDrawn()
    {
        QFETCH(float, width);
        QFETCH(int, alpha);
        QFETCH(bool, fill);
        ArtParameters art = artDesign(500, 3, 2, 12);   // 75,000 points: several pieces in each band
        art.penDrawSize = width;
        art.penColor = QColor(255, 0, 0, alpha);
        art.fillShape = fill;
        art.fillColor = Qt::yellow;
        const QTransform transform(0.3, 0, 0, -0.3, 170, 150);   // partly outside the picture
        const auto blank = [] {
            QImage image(320, 300, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            return image;
        };
        QImage onePainter = blank();
        {
            QPainter painter(&onePainter);
            painter.setRenderHint(QPainter::Antialiasing);
            QVERIFY(paintDesign(painter, art, transform).finished);
        }
        QImage oneBand;
        for (int bands : {1, 2, 3}) {
            QImage inBands = blank();
            QVERIFY(paintDesignInBands(inBands, art, transform, bands).finished);
            if (bands == 1)
                oneBand = inBands;
            QVERIFY2(inBands == oneBand, qPrintable(QString("%1 bands").arg(bands)));
        }
        if (width > 1 || fill) {
            // An image's own rasteriser lays wide pens and fills on: the painter's ink in its
            // colours, shaded differently only along the antialiased edges.
            const InkAgreement agreement = inkAgreement(oneBand, onePainter, 2);
            QVERIFY2(agreement.actualNearExpected > 0.999 && agreement.expectedNearActual > 0.999 && agreement.colour > 0.99,
                     qPrintable(QString("%1, %2, %3").arg(agreement.actualNearExpected).arg(agreement.expectedNearActual)
                                    .arg(agreement.colour)));
            return;
        }
        QCOMPARE(oneBand, onePainter);
        QImage whole = blank();
        const TracedCurve curve = traceCurve(curveParameters(art));
        QPolygonF line;
        for (const CurvePoint& p : curve.penPath())
            line << transform.map(QPointF(p.x, p.y));
        QPainter painter(&whole);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(art.penColor, width, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin));
        painter.drawPolyline(line);
        painter.end();
        QCOMPARE(onePainter, whole);
    }

    void growingCurveLooksLikeAWholeRedraw_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<std::vector<float>>("frames");   // the last is compared with a fresh view
        QTest::addColumn<ColourMode>("mode");
        const std::vector<float> growing{10, 20, 35, 50, 70, 90};
        QTest::addRow("thin pen, growing") << 1.0f << growing << ColourMode::Stretches;
        QTest::addRow("wide pen, growing") << 4.0f << growing << ColourMode::Stretches;
        QTest::addRow("wide pen, shrinking") << 4.0f << std::vector<float>{20, 70, 30} << ColourMode::Stretches;
        QTest::addRow("one frame") << 4.0f << std::vector<float>{60} << ColourMode::Stretches;
        QTest::addRow("thin gradient, growing") << 1.0f << growing << ColourMode::Gradient;
        QTest::addRow("wide gradient, growing") << 4.0f << growing << ColourMode::Gradient;
        QTest::addRow("wide colour per revolution, growing") << 4.0f << growing << ColourMode::PerRevolution;
    }

    void growingCurveLooksLikeAWholeRedraw()
    {
        QFETCH(float, width);
        QFETCH(std::vector<float>, frames);
        QFETCH(ColourMode, mode);
        const auto setUp = [width, mode](Rotagraph& view) {
            view.resize(640, 640);
            setDefaultDesign(view);
            view.setNumberOfColors(3);
            view.setPen2Color(Qt::blue);
            view.setPen3Color(Qt::darkGreen);
            view.setPenDrawSize(width);
            CurveColouring colouring;
            colouring.mode = mode;
            colouring.stops = {{0, Qt::red}, {0.5, Qt::darkGreen}, {1, Qt::blue}};
            colouring.repeat = 3;
            view.setColouring(colouring);
        };
        Rotagraph growing;
        setUp(growing);
        QImage shown;
        for (float percent : frames) {
            growing.setPercentToDraw(percent);
            shown = paint(growing);
        }
        Rotagraph fresh;
        setUp(fresh);
        fresh.setPercentToDraw(frames.back());
        const QImage expected = paint(fresh);

        // Where a stretch meets the one before, one segment is blended twice: its antialiased
        // edge may come out a shade darker, nothing more.
        int painted = 0;
        int shaded = 0;
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb a = shown.pixel(x, y);
                const QRgb b = expected.pixel(x, y);
                painted += qAlpha(b) != 0;
                const int difference = std::max({std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)),
                                                 std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
                QVERIFY2(difference <= 96, qPrintable(QString("at (%1, %2)").arg(x).arg(y)));
                shaded += difference > 8;
            }
        }
        QVERIFY(painted > 1000);
        QVERIFY2(shaded * 100 < painted, qPrintable(QString("%1 of %2").arg(shaded).arg(painted)));
    }

    void designChangedWhileGrowing()
    {
        Rotagraph view;
        view.resize(640, 640);
        setDefaultDesign(view);
        view.setPenDrawSize(3);
        view.setPercentToDraw(40);
        paint(view);
        view.setRunnerRadius(50);   // the strokes so far belong to another curve now
        view.setPercentToDraw(50);
        const QImage shown = paint(view);

        Rotagraph fresh;
        fresh.resize(640, 640);
        setDefaultDesign(fresh);
        fresh.setPenDrawSize(3);
        fresh.setRunnerRadius(50);
        fresh.setPercentToDraw(50);
        QCOMPARE(shown, paint(fresh));
    }

    // A view smaller than its design clips every path to what can show in it. It must paint
    // exactly what a view large enough for the whole design paints in the same place, where
    // nothing is clipped: thin, wide and translucent pens, sharp joins, the fill, a curve growing
    // frame by frame, in every mode.
    void clippingLeavesEveryPixelAsItWas_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<std::vector<float>>("design");   // anchor, runner, pen hole, revolutions
        QTest::addColumn<float>("width");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<float>("percent");
        const std::vector<float> standard{160, 72, 53, 9};
        const std::vector<float> cusps{156, -39, 39, 1};   // cusps just beyond the sides of the view
        const std::vector<float> loops{100, 37, 90, 37};   // crossing loops, sharp turns
        const QColor red(Qt::red);
        const QColor translucent(255, 0, 0, 128);
        QTest::addRow("screen, thinnest pen") << int(ScreenMode) << standard << 0.0f << red << false << 100.0f;
        QTest::addRow("screen, thin pen") << int(ScreenMode) << standard << 1.0f << red << false << 100.0f;
        QTest::addRow("screen, wide pen, fill") << int(ScreenMode) << standard << 5.0f << red << true << 100.0f;
        QTest::addRow("screen, thin translucent pen") << int(ScreenMode) << loops << 1.0f << translucent << false << 100.0f;
        QTest::addRow("screen, wide translucent pen") << int(ScreenMode) << loops << 6.0f << translucent << true << 100.0f;
        QTest::addRow("screen, sharp joins of a wide pen") << int(ScreenMode) << cusps << 12.0f << red << false << 100.0f;
        QTest::addRow("screen, growing, wide pen") << int(ScreenMode) << loops << 4.0f << red << false << 60.0f;
        QTest::addRow("screen, growing, translucent") << int(ScreenMode) << loops << 4.0f << translucent << false << 60.0f;
        QTest::addRow("print, wide pen, fill") << int(PrintMode) << standard << 3.0f << red << true << 100.0f;
        QTest::addRow("export, thinnest pen, fill") << int(ImageExportMode) << loops << 0.0f << red << true << 100.0f;
        QTest::addRow("export, wide translucent pen") << int(ImageExportMode) << standard << 8.0f << translucent << true << 100.0f;
    }

    void clippingLeavesEveryPixelAsItWas()
    {
        QFETCH(int, mode);
        QFETCH(std::vector<float>, design);
        QFETCH(float, width);
        QFETCH(QColor, color);
        QFETCH(bool, fill);
        QFETCH(float, percent);
        // Print and export fit the design into a frame of their own; on screen it is centred in
        // the view, so the larger view shows it moved by whole pixels.
        const QSize frame(500, 500);
        const QSize shown(frame.width() * 3 / 5, frame.height() * 7 / 10);
        const int margin = mode == ScreenMode ? 200 : 0;
        const auto setUp = [&](Rotagraph& view, const QSize& size) {
            view.resize(size);
            view.setPrintableArea(frame);
            setDesign(view, design[0], design[1], design[2], design[3]);
            view.setNumberOfColors(3);
            view.setPenColor(color);
            view.setPen2Color(QColor(0, 0, 255, color.alpha()));
            view.setPen3Color(QColor(0, 128, 0, color.alpha()));
            view.setPenDrawSize(width);
            view.setFillShape(fill);
            view.setFillColor(QColor(255, 255, 0, 160));
            view.setDrawMode(mode);
            view.setAllowScaleUp(true);
            view.setPercentToDraw(percent);
            view.actualSize();   // on screen: one unit per point, however large the view
        };
        FixedRectView clipped(QRectF(QPointF(), frame));
        setUp(clipped, shown);
        FixedRectView whole(QRectF(QPointF(), frame));
        setUp(whole, mode == ScreenMode ? shown + 2 * QSize(margin, margin) : frame);
        // Rendered into an image of the smaller view's size, so that Qt's own clipping at the
        // image's edges is the same for both.
        QImage expected(shown, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::transparent);
        whole.render(&expected, QPoint(), QRegion(QRect(QPoint(margin, margin), shown)), QWidget::DrawChildren);
        QVERIFY(paintedBounds(expected).width() > shown.width() / 2);
        const QString difference = firstDifference(paint(clipped), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // Points or pens far beyond Qt's coordinate range: the fill round the view covers it, a line
    // from afar crosses it where it should, a pen wider than a billion views covers it.
    void hugeDesignsDrawWhatReachesTheView_data()
    {
        QTest::addColumn<std::vector<float>>("design");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<float>("width");
        QTest::addColumn<QRgb>("everywhere");   // the colour of every pixel; none: a line along the x axis
        const QRgb yellow = qRgba(255, 255, 0, 255);
        QTest::addRow("runner 1e30, filled") << std::vector<float>{72, 1e30f, 46, 3} << true << 2.0f << yellow;
        QTest::addRow("pen hole 3e6, filled") << std::vector<float>{160, 72, 3e6f, 9} << true << 2.0f << yellow;
        // The runner, half the anchor, rolls inside it: the pen runs along a diameter.
        QTest::addRow("a diameter of 6e6 through the view") << std::vector<float>{3e6f, -1.5e6f, 1.5e6f, 1} << false
                                                           << 2.0f << QRgb(0);
        QTest::addRow("a pen 1e30 wide along a diameter") << std::vector<float>{300, -150, 150, 1} << false << 1e30f
                                                         << qRgba(255, 0, 0, 255);
    }

    void hugeDesignsDrawWhatReachesTheView()
    {
        QFETCH(std::vector<float>, design);
        QFETCH(bool, fill);
        QFETCH(float, width);
        QFETCH(QRgb, everywhere);
        Rotagraph view;
        view.resize(320, 240);
        view.actualSize();
        setDesign(view, design[0], design[1], design[2], design[3]);
        view.setPenDrawSize(width);
        view.setFillShape(fill);
        view.setFillColor(Qt::yellow);
        const QImage image = paint(view);
        if (everywhere != 0) {
            QCOMPARE(countPixels(image, [everywhere](QRgb c) { return c == everywhere; }), image.width() * image.height());
            return;
        }
        // Two pixel rows about the x axis, from one side to the other, and nothing else.
        const int axis = image.height() / 2;
        for (int x = 0; x < image.width(); ++x) {
            QVERIFY2(isRed(image.pixel(x, axis - 1)) && qAlpha(image.pixel(x, axis - 1)) > 200, qPrintable(QString::number(x)));
            QVERIFY2(isRed(image.pixel(x, axis)) && qAlpha(image.pixel(x, axis)) > 200, qPrintable(QString::number(x)));
        }
        QVERIFY(QRect(0, axis - 2, image.width(), 4).contains(paintedBounds(image)));
    }
};

QTEST_MAIN(TestRotagraph)
#include "tst_rotagraph.moc"
