// Designs drawn into images come out as a drawing at 8 × 8 samples a pixel shows them, every
// pixel within a few levels, on one thread or several; and nothing is lost where a line or an
// outline has more edges than the rasteriser takes in one go.

#include "art/DesignPainter.h"
#include "art/ImageRasteriser.h"
#include "art/PathClipping.h"

#include "TestSupport.h"

#include <QPainter>
#include <QPainterPath>
#include <QTest>

#include <cmath>

namespace {

// Any pixel's channel, 0 to 255, may differ from the supersampled drawing's by this much: the
// reference itself is 1/64 of a pixel coarse, and the two strokers place a bevel or the inner
// corner of a sharp turn a little differently.
constexpr int kTolerance = 12;

QPen referencePen(const QColor& color, qreal width)
{
    QPen pen(color, std::max<qreal>(width, 1), Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin);
    pen.setMiterLimit(kMiterLimit);
    return pen;
}

QPolygonF mapped(const PolylineView& points, const QTransform& transform)
{
    QPolygonF line;
    for (const CurvePoint p : points)
        line << transform.map(QPointF(p.x, p.y));
    return line;
}

// The design as the supersampled reference draws it: the fill, then each pen as one outline,
// both first cut down to the picture as every drawing of it is.
void drawReference(QPainter& painter, const ArtParameters& art, const QTransform& transform, const QSizeF& picture)
{
    const TracedCurve curve = traceCurve(curveParameters(art));
    const QRectF area(QPointF(0, 0), picture);
    if (art.fillShape) {
        const QPolygonF outline = clippedOutline(mapped(curve.fillPath(), transform), area.adjusted(-1, -1, 1, 1));
        QPainterPath path;
        path.addPolygon(outline);
        path.closeSubpath();
        path.setFillRule(Qt::WindingFill);
        painter.fillPath(path, art.fillColor);
    }
    const PolylineView pens[] = {curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    const QColor colors[] = {art.penColor, art.pen2Color, art.pen3Color};
    const qreal reach = art.penDrawSize / 2 * kMiterLimit + 2;
    for (int pen = 0; pen < art.numberOfColors; ++pen) {
        const ClippedPolyline clipped = clippedPolyline(mapped(pens[pen], transform), area.adjusted(-reach, -reach, reach, reach));
        QPainterPath path;
        for (const ClippedPolyline::Stretch& stretch : clipped.stretches)
            path.addPolygon(clipped.points.mid(stretch.first, stretch.count));
        painter.strokePath(path, referencePen(colors[pen], art.penDrawSize));
    }
}

QImage transparentImage(QSize size, qreal pixelRatio = 1)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    return image;
}

// Where pens of two colours meet, or a line's ends or loops meet within a pixel, an antialiased
// drawing shades the pixel by what each covers: the drawing at 8 × 8 samples knows better. So a
// pixel may lie as far from it as Qt's antialiased painter, drawing the same outlines, puts it,
// and kTolerance further. Empty when every pixel does.
QString beyondTolerance(const QImage& actual, const QImage& expected, const QImage& byPainter)
{
    int worst = 0; QString where;
    for (int y = 0; y < actual.height(); ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
        const QRgb* e = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        const QRgb* q = reinterpret_cast<const QRgb*>(byPainter.constScanLine(y));
        for (int x = 0; x < actual.width(); ++x) {
            for (int shift : {0, 8, 16, 24}) {
                const int channel = int((a[x] >> shift) & 0xff);
                const int reference = int((e[x] >> shift) & 0xff);
                const int painter = int((q[x] >> shift) & 0xff);
                const int excess = std::abs(channel - reference) - std::abs(painter - reference);
                if (excess > worst) { worst = excess;
                    where = QString("%6 at (%1, %2): %3 against %4, Qt's painter %5")
                        .arg(x).arg(y).arg(a[x], 8, 16).arg(e[x], 8, 16).arg(q[x], 8, 16).arg(excess); }
            }
        }
    }
    return worst > kTolerance ? where : QString();
}

QString described(const PictureDifference& difference)
{
    return QString("%1 levels at %2, %3 pixels beyond one of %4 inked")
        .arg(difference.largest).arg(difference.where).arg(difference.pixelsBeyondOne).arg(difference.inkedPixels);
}

}

class TestRasteriser : public QObject
{
    Q_OBJECT

private slots:
    void designsLookAsSupersampled_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<int>("colors");
        QTest::addColumn<bool>("fill");
        QTest::addColumn<float>("runner");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<qreal>("pixelRatio");
        const QColor red(200, 0, 0);
        QTest::addRow("wide pen") << 3.0f << red << 1 << false << 32.0f << 1.0 << 1.0;
        QTest::addRow("very wide pen") << 10.0f << red << 1 << false << 32.0f << 1.0 << 1.0;
        QTest::addRow("translucent wide pen") << 3.0f << QColor(0, 0, 200, 120) << 1 << false << 32.0f << 1.0 << 1.0;
        // One outline, no deeper where the line crosses itself.
        QTest::addRow("translucent pen crossing itself") << 6.0f << QColor(0, 0, 200, 120) << 1 << false << 40.0f << 1.0 << 1.0;
        QTest::addRow("three colours") << 3.0f << red << 3 << false << 32.0f << 1.0 << 1.0;
        QTest::addRow("filled") << 2.0f << red << 1 << true << 32.0f << 1.0 << 1.0;
        QTest::addRow("runner inside") << 3.0f << red << 1 << true << -32.0f << 1.0 << 1.0;
        QTest::addRow("twice the pixel density") << 3.0f << red << 2 << true << 32.0f << 1.0 << 2.0;
        // Points millions of pixels away, filled and stroked through the picture.
        QTest::addRow("huge coordinates") << 4.0f << red << 1 << true << 32.0f << 40000.0 << 1.0;
    }

    void designsLookAsSupersampled()
    {
        QFETCH(float, width);
        QFETCH(QColor, color);
        QFETCH(int, colors);
        QFETCH(bool, fill);
        QFETCH(float, runner);
        QFETCH(qreal, scale);
        QFETCH(qreal, pixelRatio);
        ArtParameters art;
        // Three lobes, or a rounded triangle inside, that never cross: where strokes cross
        // within a pixel, an antialiased drawing shades it as much as each covers, which is
        // more than the supersampled drawing's exact share.
        art.anchorRadius = 96;
        art.runnerRadius = runner;
        // A wider runner: loops that cross each other, a long line of them (runs of it far apart
        // meet at the crossings).
        const bool crossing = runner > 32;
        art.penHoleRadius = crossing ? 60 : 12;
        art.rotationsToMake = crossing ? 5 : 1;
        art.penDrawSize = width;
        art.penColor = color;
        art.pen2Color = QColor(0, 140, 0, color.alpha());
        art.pen3Color = QColor(0, 0, 220, color.alpha());
        art.numberOfColors = colors;
        art.fillShape = fill;
        art.fillColor = QColor(240, 200, 0);
        art.drawMode = ImageExportMode;
        const QSize pixels(180, 160);
        const QSizeF picture = QSizeF(pixels) / pixelRatio;
        // Centred; scaled up, the picture shows a stretch of the curve's outer loops.
        const QTransform transform = scale == 1 ? QTransform(0.55 / pixelRatio, 0, 0, -0.55 / pixelRatio, picture.width() / 2, picture.height() / 2)
                                                : QTransform(scale, 0, 0, -scale, picture.width() / 2, 120 * scale);
        const QImage expected = supersampledDrawing(pixels, [&](QPainter& painter) {
            painter.scale(pixelRatio, pixelRatio);
            drawReference(painter, art, transform, picture);
        });
        QImage byPainter = transparentImage(pixels, pixelRatio);
        {
            QPainter painter(&byPainter);
            painter.setRenderHint(QPainter::Antialiasing);
            drawReference(painter, art, transform, picture);
        }
        QImage first;
        for (int threads : {1, 2}) {
            QImage image = transparentImage(pixels, pixelRatio);
            QVERIFY(paintDesignInBands(image, art, transform, threads).finished);
            const PictureDifference difference = pictureDifference(image, expected);
            QVERIFY2(difference.inkedPixels > 500, qPrintable(described(difference)));
            const QString beyond = beyondTolerance(image, expected, byPainter);
            QVERIFY2(beyond.isEmpty(), qPrintable(beyond));
            if (threads == 1)
                first = image;
            else
                QVERIFY2(image == first, "two threads paint other pixels than one");
        }
    }

    // An opaque line stroked in two pieces, the second taking the segment before it as drawn,
    // covers what the line stroked whole covers: the join where they meet is there, and no pale
    // seam crosses the line there. (The edges where they overlap are laid on twice, a shade darker.)
    void aLineInPiecesLooksWhole_data()
    {
        QTest::addColumn<qreal>("width");
        QTest::addColumn<QPolygonF>("line");
        const QPolygonF gentle{{20, 100}, {70, 60}, {120, 90}, {170, 40}};
        const QPolygonF square{{20, 100}, {80, 40}, {140, 100}, {170, 70}};   // long mitres
        QTest::addRow("width 3") << 3.0 << gentle;
        QTest::addRow("width 10") << 10.0 << gentle;
        QTest::addRow("width 10, right angles") << 10.0 << square;
    }

    void aLineInPiecesLooksWhole()
    {
        QFETCH(qreal, width);
        QFETCH(QPolygonF, line);
        const QColor color(0, 90, 180);
        QImage whole = transparentImage(QSize(190, 140));
        strokeIntoImage(whole, color, line.constData(), std::size_t(line.size()), width);
        for (int split = 1; split + 1 < line.size(); ++split) {
            QImage pieces = transparentImage(whole.size());
            ImageRasteriser raster(pieces, {});
            const PointRun first{line.constData(), std::size_t(split) + 1};
            const PointRun second{line.constData() + split - 1, std::size_t(line.size() - split) + 1};
            raster.stroke(color, &first, 1, width);
            raster.stroke(color, &second, 1, width, true);
            for (int y = 0; y < whole.height(); ++y) {
                for (int x = 0; x < whole.width(); ++x) {
                    const int covered = qAlpha(whole.pixel(x, y));
                    const int inPieces = qAlpha(pieces.pixel(x, y));
                    QVERIFY2(inPieces >= covered - 1 && (covered < 255 || inPieces == 255),
                             qPrintable(QString("split at %1, (%2, %3): %4 against %5").arg(split).arg(x).arg(y).arg(inPieces).arg(covered)));
                }
            }
        }
    }

    // A zigzag across the picture, or a square or a diamond gone round again and again, gives
    // the rasteriser millions of cells, more than it keeps at once or nearly as many: every one
    // of them is still painted, however often the outline winds.
    void manyLongEdgesAreAllPainted_data()
    {
        QTest::addColumn<qreal>("width");   // 0: filled
        QTest::addColumn<QPolygonF>("corners");
        QTest::addColumn<int>("rounds");
        QTest::addRow("stroked") << 24.0 << QPolygonF{{5, 5}, {195, 5}} << 10000;
        QTest::addRow("filled, cut in rows") << 0.0 << QPolygonF{{5, 5}, {195, 5}, {195, 195}, {5, 195}} << 10000;
        // Slanting edges take a cell for each pixel they cross: about as many as are kept at once.
        QTest::addRow("filled at once") << 0.0 << QPolygonF{{100, 5}, {195, 100}, {100, 195}, {5, 100}} << 4500;
        // Wound 2^15 times, its cover, 256 levels a winding at 512 times, sums to 2^32 in the
        // rasteriser's int: handed over whole, it would come out as nothing.
        QTest::addRow("filled, wound 32768 times") << 0.0 << QPolygonF{{60, 60}, {140, 60}, {140, 140}, {60, 140}} << 32768;
        QTest::addRow("a triangle, the fewest corners filled") << 0.0 << QPolygonF{{20, 20}, {180, 20}, {100, 180}} << 1;
    }

    void manyLongEdgesAreAllPainted()
    {
        QFETCH(qreal, width);
        QFETCH(QPolygonF, corners);
        QFETCH(int, rounds);
        const QSize size(200, 200);
        QPolygonF line;
        for (int i = 0; i < rounds * int(corners.size()); ++i) {
            const QPointF corner = corners[i % corners.size()];
            // The zigzag steps down a little on every turn.
            line << (width > 0 ? corner + QPointF(0, 190.0 * i / (rounds * 2)) : corner);
        }
        const QColor color(0, 90, 180);
        QImage image = transparentImage(size);
        if (width == 0) {
            fillIntoImage(image, color, line.constData(), std::size_t(line.size()));
            QPainterPath outline;
            outline.addPolygon(corners);
            for (int y = 0; y < size.height(); ++y) {
                for (int x = 0; x < size.width(); ++x) {
                    // Pixels wholly inside or outside: a pixel's corners all one side of the edge.
                    const QRectF pixel(x, y, 1, 1);
                    const bool inside = outline.contains(pixel);
                    if (!inside && outline.intersects(pixel))
                        continue;
                    QVERIFY2(qAlpha(image.pixel(x, y)) == (inside ? 255 : 0),
                             qPrintable(QString("(%1, %2): %3").arg(x).arg(y).arg(qAlpha(image.pixel(x, y)))));
                }
            }
            return;
        }
        strokeIntoImage(image, color, line.constData(), std::size_t(line.size()), width);
        const QImage expected = supersampledDrawing(size, [&](QPainter& painter) {
            QPainterPath path;
            path.addPolygon(line);
            painter.strokePath(path, referencePen(color, width));
        });
        const PictureDifference difference = pictureDifference(image, expected);
        QVERIFY2(difference.largest <= kTolerance, qPrintable(described(difference)));
    }

    // An outline wound so often that it is filled in pieces is still laid on as one shape: a
    // translucent square gone round 32768 times is no deeper than its colour, and looks as the
    // square gone round 1000 times, filled whole. (Wound many times, an edge's pixel partly
    // inside counts as wholly inside: either way.)
    void aWoundFillIsLaidOnOnce()
    {
        const QPolygonF square{{60.5, 60.25}, {140.5, 60.25}, {140.5, 140.75}, {60.5, 140.75}};
        const QColor translucent(0, 90, 180, 128);
        const auto filled = [&](int rounds) {
            QPolygonF wound;
            for (int round = 0; round < rounds; ++round)
                wound << square;
            QImage image = transparentImage(QSize(200, 200));
            fillIntoImage(image, translucent, wound.constData(), std::size_t(wound.size()));
            return image;
        };
        const QImage often = filled(32768);
        QCOMPARE(qAlpha(often.pixel(100, 100)), 128);
        const QImage whole = filled(1000);
        QVERIFY2(pictureDifference(often, whole).largest <= 1, qPrintable(described(pictureDifference(often, whole))));
    }

    // A sawtooth of long slanting teeth, each pixel wound once, takes about as many cells as the
    // rasteriser keeps at once: filled whole, it looks as it does filled in two bands of rows,
    // each of which takes half as many.
    void aFillNearTheCellLimitIsWhole()
    {
        constexpr int kTeeth = 1350;
        const QSize size(2 * kTeeth + 20, 1200);
        QPolygonF sawtooth;
        for (int i = 0; i < kTeeth; ++i)
            sawtooth << QPointF(10 + 2 * i, 5) << QPointF(11 + 2 * i, 1195);
        sawtooth << QPointF(10 + 2 * kTeeth, 5);
        const QColor color(0, 90, 180);
        QImage whole = transparentImage(size);
        fillIntoImage(whole, color, sawtooth.constData(), std::size_t(sawtooth.size()));
        QImage inBands = transparentImage(size);
        for (const ImageRows rows : {ImageRows{0, 600}, ImageRows{600, 1200}})
            fillIntoImage(inBands, color, sawtooth.constData(), std::size_t(sawtooth.size()), rows);
        // A level apart where an edge cut at the bands' border slants a 256th of a pixel otherwise.
        QVERIFY2(pictureDifference(whole, inBands).largest <= 1, qPrintable(described(pictureDifference(whole, inBands))));
        QVERIFY(pictureDifference(whole, transparentImage(size)).inkedPixels > kTeeth * 1000);
    }
};

QTEST_MAIN(TestRasteriser)
#include "tst_rasteriser.moc"
