#include "app/ExportedDesignText.h"
#include "output/DesignText.h"
#include "output/PngEncoding.h"

#include <QBuffer>
#include <QColorSpace>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <png.h>

#include <limits>

// Files are read back by Qt's reader and by libpng's simplified one. Qt's tells the density,
// the colour space and the texts too; a chunk of them that is damaged or out of place is dropped.

namespace {

// As exports draw: antialiased pens over transparency, wholly transparent rows between them.
QImage drawing(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::red, 1.5));
    painter.drawEllipse(QRectF(width * 0.2, height * 0.1, width * 0.6, height * 0.3));
    painter.setPen(QPen(QColor(0, 90, 200, 140), 3));
    painter.drawLine(QPointF(0, height * 0.6), QPointF(width, height * 0.9));
    return image;
}

// Seeded random pixels of every alpha, in `format`.
QImage randomPixels(int width, int height, QImage::Format format, QColorSpace space = {})
{
    QRandomGenerator random(quint32(width * 7919 + height));
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate());
    image.setColorSpace(space);
    return image.convertToFormat(format);
}

// Every premultiplied channel value at every alpha: the pixels whose straight colour must be
// the nearest for their premultiplied form to come back.
QImage everyPremultipliedEdge()
{
    QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int alpha = 0; alpha < 256; ++alpha)
        for (int channel = 0; channel < 256; ++channel) {
            const int c = std::min(channel, alpha);
            image.setPixel(alpha, channel, qRgba(c, alpha - c, alpha / 2, alpha));
        }
    return image;
}

QImage readWithLibpng(const QByteArray& file)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    QImage image;
    if (png_image_begin_read_from_memory(&png, file.constData(), std::size_t(file.size()))) {
        png.format = PNG_FORMAT_RGBA;   // 8 bits, straight alpha
        image = QImage(int(png.width), int(png.height), QImage::Format_RGBA8888);
        if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr))
            image = QImage();
    }
    if (image.isNull())
        qWarning("libpng: %s", png.message);
    png_image_free(&png);
    return image;
}

// Where two images differ once both are premultiplied (colour under full transparency is none).
QString firstDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("the size differs");
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != e.pixel(x, y))
                return QStringLiteral("(%1, %2) is %3, not %4").arg(x).arg(y).arg(a.pixel(x, y), 0, 16).arg(e.pixel(x, y), 0, 16);
    return {};
}

}

class TestPngEncoding : public QObject
{
    Q_OBJECT

private slots:
    void decodesToTheSamePixels_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("stripeRows");   // 0: the encoder's choice
        QTest::addColumn<int>("threads");
        const auto premultiplied = QImage::Format_ARGB32_Premultiplied;
        QTest::addRow("1×1 translucent") << randomPixels(1, 1, premultiplied) << 0 << 0;
        QImage transparent(1, 1, premultiplied);
        transparent.fill(Qt::transparent);
        QTest::addRow("1×1 fully transparent") << transparent << 0 << 0;
        QTest::addRow("1×1 opaque") << randomPixels(1, 1, QImage::Format_RGB32) << 0 << 0;
        QTest::addRow("every premultiplied edge colour, in stripes") << everyPremultipliedEdge() << 16 << 2;
        QTest::addRow("random translucent pixels, odd width") << randomPixels(7, 9, premultiplied) << 0 << 0;
        QTest::addRow("a drawing 33 wide, a stripe a row") << drawing(33, 40) << 1 << 3;
        QTest::addRow("a drawing, more stripes than threads") << drawing(301, 203) << 7 << 4;
        QTest::addRow("a drawing, more threads than stripes") << drawing(64, 64) << 64 << 8;
        QTest::addRow("straight alpha") << randomPixels(13, 11, QImage::Format_ARGB32) << 3 << 2;
        QTest::addRow("no alpha, odd width") << randomPixels(15, 6, QImage::Format_RGB32) << 2 << 2;
        QTest::addRow("16 bits a channel") << randomPixels(9, 9, QImage::Format_RGBA64_Premultiplied) << 0 << 0;
        QTest::addRow("a wider colour space")
            << randomPixels(9, 9, QImage::Format_RGB32, QColorSpace::DisplayP3) << 0 << 0;
    }

    void decodesToTheSamePixels()
    {
        QFETCH(QImage, image);
        QFETCH(int, stripeRows);
        QFETCH(int, threads);
        PngEncodingOptions options;
        options.stripeRows = stripeRows;
        options.threads = threads;
        QString error;
        const QByteArray png = encodePngImage(image, options, &error);
        QVERIFY2(!png.isEmpty(), qPrintable(error));
        // What 8 bits of sRGB can hold: the image itself where it is no deeper and in sRGB.
        const QImage inSrgb = image.colorSpace().isValid() ? image.convertedToColorSpace(QColorSpace::SRgb) : image;
        const QImage expected = inSrgb.convertToFormat(QImage::Format_ARGB32);

        const QImage byQt = QImage::fromData(png, "png");
        QCOMPARE(byQt.hasAlphaChannel(), image.hasAlphaChannel());
        QString difference = firstDifference(byQt, expected);
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("Read by Qt, ") + difference));
        difference = firstDifference(readWithLibpng(png), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("Read by libpng, ") + difference));
    }

    // Stripes are made in whatever order the threads take them; the file is the same.
    void sameFileOnAnyNumberOfThreads()
    {
        PngEncodingOptions options;
        options.stripeRows = 5;
        QString error;
        QByteArray alone;
        for (const int threads : {1, 2, 3, 16}) {
            options.threads = threads;
            const QByteArray png = encodePngImage(drawing(257, 300), options, &error);
            QVERIFY(!png.isEmpty());
            if (alone.isEmpty())
                alone = png;
            QVERIFY2(png == alone, qPrintable(QStringLiteral("on %1 threads").arg(threads)));
        }
    }

    void carriesItsDensityAndTexts_data()
    {
        QTest::addColumn<double>("dotsPerInch");   // NaN: the default
        QTest::addColumn<int>("dotsPerMetre");
        QTest::addColumn<QString>("design");
        QTest::addColumn<QString>("comment");   // a second text; none when empty
        const double byDefault = std::numeric_limits<double>::quiet_NaN();
        QString longDesign;
        for (int curve = 0; curve < 2000; ++curve)
            longDesign += QStringLiteral("{\"name\": \"Curve %1\", \"anchorRadius\": 160}, ").arg(curve);
        QTest::addRow("default density, a short design") << byDefault << 11811 << "{\"format\": \"rotagraph\"}" << QString();
        QTest::addRow("screen, a long design") << 96.0 << 3780 << longDesign << QString();
        QTest::addRow("fine print, names beyond Latin-1") << 1200.0 << 47244 << "{\"name\": \"Rosette \u273F \u82B1\"}"
                                                           << QString();
        QTest::addRow("a fraction, a second text") << 72.5 << 2854 << "{}" << "Drawn with Rotagraph, ©";
    }

    void carriesItsDensityAndTexts()
    {
        QFETCH(double, dotsPerInch);
        QFETCH(int, dotsPerMetre);
        QFETCH(QString, design);
        QFETCH(QString, comment);
        PngEncodingOptions options;
        if (!std::isnan(dotsPerInch))
            options.dotsPerInch = dotsPerInch;
        QImage image = drawing(30, 30);
        image.setText(kDesignTextKey, design);
        if (!comment.isEmpty())
            image.setText(QStringLiteral("Comment"), comment);
        QString error;
        const QByteArray png = encodePngImage(image, options, &error);
        QVERIFY2(!png.isEmpty(), qPrintable(error));
        QVERIFY(png.size() < design.size() + 2000);   // a long text goes packed

        const QImage read = QImage::fromData(png, "png");
        QCOMPARE(read.dotsPerMeterX(), dotsPerMetre);
        QCOMPARE(read.dotsPerMeterY(), dotsPerMetre);
        QCOMPARE(read.colorSpace(), QColorSpace(QColorSpace::SRgb));
        QCOMPARE(read.text(kDesignTextKey), design);
        QCOMPARE(read.text(QStringLiteral("Comment")), comment);
        // As the application opens an exported image: by its chunks, never its pixels.
        QBuffer device;
        device.setData(png);
        device.open(QIODevice::ReadOnly);
        const ExportedText exported = designTextOfPng(device);
        QVERIFY2(exported.error.isEmpty(), qPrintable(exported.error + QLatin1Char(' ') + exported.details));
        QCOMPARE(exported.text, design.toUtf8());
    }

    void refusesWhatAPngCannotHold_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<double>("dotsPerInch");
        QTest::addColumn<QString>("error");
        const auto named = [](const QString& name) {
            QImage image = drawing(3, 3);
            image.setText(name, QStringLiteral("text"));
            return image;
        };
        const double usual = kDefaultPngDotsPerInch;
        const QString badName = QStringLiteral("cannot name a text in a PNG");
        const QString badDensity = QStringLiteral("is no pixel density a PNG can hold");
        QTest::addRow("no image") << QImage() << usual << "There is no image to encode.";
        QTest::addRow("a text's name too long") << named(QString(80, u'k')) << usual << badName;
        QTest::addRow("a space after a name") << named("Title ") << usual << badName;
        QTest::addRow("two spaces in a name") << named("A  Title") << usual << badName;
        QTest::addRow("a line break in a name") << named("A\nB") << usual << badName;
        QTest::addRow("a name beyond Latin-1") << named("\u540D") << usual << badName;
        QTest::addRow("no density") << drawing(3, 3) << 0.0 << badDensity;
        QTest::addRow("a density that is no number") << drawing(3, 3) << std::numeric_limits<double>::quiet_NaN() << badDensity;
        QTest::addRow("a density beyond 31 bits") << drawing(3, 3) << 1e9 << badDensity;
    }

    void refusesWhatAPngCannotHold()
    {
        QFETCH(QImage, image);
        QFETCH(double, dotsPerInch);
        QFETCH(QString, error);
        PngEncodingOptions options;
        options.dotsPerInch = dotsPerInch;
        QString reason;
        QVERIFY(encodePngImage(image, options, &reason).isEmpty());
        QVERIFY2(reason.contains(error), qPrintable(reason));
    }
};

QTEST_MAIN(TestPngEncoding)
#include "tst_pngencoding.moc"
