#include "app/ExportedDesignText.h"
#include "output/DesignText.h"
#include "output/PngEncoding.h"

#include <QBuffer>
#include <QColorSpace>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

#include <png.h>
#include <zlib.h>

#include <cmath>
#include <limits>

// The encoder's files are read back three ways: by Qt's reader, by libpng's simplified reader,
// and chunk by chunk here, with every checksum and the pixel stream checked on its own.

namespace {

// A picture as exports draw them: antialiased pens over transparency, with wholly transparent
// rows above, below and between, and translucent strokes over opaque ones.
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
    painter.fillRect(QRectF(width * 0.5, height * 0.5, width * 0.25, 2), QColor(20, 200, 40));
    return image;
}

// Seeded random pixels of every alpha (premultiplied, as Qt keeps them) or of none.
QImage randomPixels(int width, int height, QImage::Format format)
{
    QRandomGenerator random(quint32(width * 7919 + height));
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate());
    return image.convertToFormat(format);
}

QImage filled(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

// Every premultiplied channel value at every alpha, each as red, green and blue in turn: the
// pixels whose straight colour must round to the nearest for its premultiplied form to come back.
QImage everyPremultipliedEdge()
{
    QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int alpha = 0; alpha < 256; ++alpha)
        for (int channel = 0; channel < 256; ++channel) {
            const int c = std::min(channel, alpha);
            const int other = alpha - c;
            image.setPixel(alpha, channel, qRgba(c, other, (c + other) / 2, alpha));
        }
    return image;
}

// What a file says in its chunks, each checked against its checksum, and its pixel stream
// inflated on its own.
struct Chunks {
    QList<QByteArray> types;
    QList<QByteArray> data;
    QByteArray pixelStream;   // the IDAT chunks' data inflated, filter bytes and all
    QString fault;            // empty when the file is well formed

    QByteArray first(const char* type) const
    {
        const qsizetype at = types.indexOf(type);
        return at < 0 ? QByteArray() : data[at];
    }
};

Chunks readChunks(const QByteArray& file)
{
    Chunks chunks;
    if (!file.startsWith("\x89PNG\r\n\x1a\n")) {
        chunks.fault = QStringLiteral("no PNG signature");
        return chunks;
    }
    QByteArray deflated;
    for (qsizetype at = 8; at < file.size();) {
        if (file.size() - at < 12) {
            chunks.fault = QStringLiteral("a chunk cut short at %1").arg(at);
            return chunks;
        }
        const quint32 length = qFromBigEndian<quint32>(file.constData() + at);
        if (file.size() - at - 12 < qsizetype(length)) {
            chunks.fault = QStringLiteral("a chunk at %1 claims more than the file holds").arg(at);
            return chunks;
        }
        const QByteArray typeAndData = file.mid(at + 4, 4 + qsizetype(length));
        const auto checksum = qFromBigEndian<quint32>(file.constData() + at + 8 + length);
        if (quint32(crc32(0, reinterpret_cast<const Bytef*>(typeAndData.constData()), uInt(typeAndData.size()))) != checksum)
            chunks.fault = QStringLiteral("the checksum of %1 is wrong").arg(QString::fromLatin1(typeAndData.left(4)));
        chunks.types << typeAndData.left(4);
        chunks.data << typeAndData.mid(4);
        if (chunks.types.last() == "IDAT")
            deflated += chunks.data.last();
        at += 12 + qsizetype(length);
    }
    // uncompress checks the stream's own checksum too.
    uLongf size = 1 << 20;
    for (int status = Z_BUF_ERROR; status == Z_BUF_ERROR; size *= 2) {
        chunks.pixelStream.resize(qsizetype(size));
        status = uncompress(reinterpret_cast<Bytef*>(chunks.pixelStream.data()), &size,
                            reinterpret_cast<const Bytef*>(deflated.constData()), uLong(deflated.size()));
        if (status == Z_OK)
            chunks.pixelStream.truncate(qsizetype(size));
        else if (status != Z_BUF_ERROR)
            chunks.fault = QStringLiteral("the pixel stream does not inflate (%1)").arg(status);
    }
    return chunks;
}

QImage readWithQt(const QByteArray& file)
{
    return QImage::fromData(file, "png");
}

// Through libpng's simplified reader, as 8-bit straight RGBA.
QImage readWithLibpng(const QByteArray& file, QString* fault)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, file.constData(), std::size_t(file.size()))) {
        *fault = QString::fromLatin1(png.message);
        return {};
    }
    png.format = PNG_FORMAT_RGBA;
    QImage image(int(png.width), int(png.height), QImage::Format_RGBA8888);
    if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr)) {
        *fault = QString::fromLatin1(png.message);
        png_image_free(&png);
        return {};
    }
    return image;
}

// The first pixel where two images differ once both are premultiplied (so that colour under
// full transparency counts as none), or an empty text.
QString firstDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("the size is %1×%2, not %3×%4")
            .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != e.pixel(x, y))
                return QStringLiteral("at (%1, %2) it is #%3, not #%4")
                    .arg(x).arg(y).arg(a.pixel(x, y), 8, 16, QLatin1Char('0')).arg(e.pixel(x, y), 8, 16, QLatin1Char('0'));
    return {};
}

QByteArray encoded(const QImage& image, const PngEncodingOptions& options = {})
{
    QString error;
    const QByteArray png = encodePngImage(image, options, &error);
    if (png.isEmpty())
        qWarning("The encoder failed: %s", qPrintable(error));
    return png;
}

}

class TestPngEncoding : public QObject
{
    Q_OBJECT

private slots:
    void decodesToTheSamePixels_data();
    void decodesToTheSamePixels();
    void sameFileOnAnyNumberOfThreads();
    void saysItsDensityAndColourSpace_data();
    void saysItsDensityAndColourSpace();
    void carriesItsTexts_data();
    void carriesItsTexts();
    void refusesWhatAPngCannotHold_data();
    void refusesWhatAPngCannotHold();
};

void TestPngEncoding::decodesToTheSamePixels_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("stripeRows");   // 0: the encoder's own choice
    QTest::addColumn<int>("threads");
    QTest::addColumn<QImage>("expected");   // when not the image itself

    QTest::addRow("1×1 opaque") << filled(1, 1, QColor(200, 10, 30)) << 0 << 0 << QImage();
    QTest::addRow("1×1 translucent") << filled(1, 1, QColor(200, 10, 30, 77)) << 0 << 0 << QImage();
    QTest::addRow("1×1 fully transparent") << filled(1, 1, Qt::transparent) << 0 << 0 << QImage();
    QTest::addRow("wholly transparent, many stripes") << filled(40, 30, Qt::transparent) << 4 << 3 << QImage();
    QTest::addRow("every premultiplied edge colour, in stripes") << everyPremultipliedEdge() << 16 << 2 << QImage();
    QTest::addRow("random translucent pixels, odd width") << randomPixels(7, 9, QImage::Format_ARGB32_Premultiplied)
                                                          << 0 << 0 << QImage();
    QTest::addRow("a drawing 33 wide, a stripe a row, three threads") << drawing(33, 40) << 1 << 3 << QImage();
    QTest::addRow("a drawing, more stripes than threads") << drawing(301, 203) << 7 << 4 << QImage();
    QTest::addRow("a drawing, one stripe and more threads") << drawing(64, 64) << 64 << 8 << QImage();
    QTest::addRow("straight alpha") << randomPixels(13, 11, QImage::Format_ARGB32) << 3 << 2 << QImage();
    QTest::addRow("no alpha, odd width") << randomPixels(15, 6, QImage::Format_RGB32) << 2 << 2 << QImage();
    const QImage grey = randomPixels(9, 9, QImage::Format_Grayscale8);
    QTest::addRow("grey") << grey << 0 << 0 << QImage();
    const QImage deep = randomPixels(9, 9, QImage::Format_RGBA64_Premultiplied);
    QTest::addRow("16 bits a channel, as 8") << deep << 0 << 0 << deep.convertToFormat(QImage::Format_ARGB32);
    QImage wide = randomPixels(9, 9, QImage::Format_RGB32);
    wide.setColorSpace(QColorSpace::DisplayP3);
    QTest::addRow("a wider colour space, as sRGB") << wide << 0 << 0 << wide.convertedToColorSpace(QColorSpace::SRgb);
}

void TestPngEncoding::decodesToTheSamePixels()
{
    QFETCH(QImage, image);
    QFETCH(int, stripeRows);
    QFETCH(int, threads);
    QFETCH(QImage, expected);
    if (expected.isNull())
        expected = image;
    PngEncodingOptions options;
    options.stripeRows = stripeRows;
    options.threads = threads;
    const QByteArray png = encoded(image, options);
    QVERIFY(!png.isEmpty());

    const Chunks chunks = readChunks(png);
    QVERIFY2(chunks.fault.isEmpty(), qPrintable(chunks.fault));
    const int channels = image.hasAlphaChannel() ? 4 : 3;
    QCOMPARE(chunks.pixelStream.size(), qsizetype(image.height()) * (1 + image.width() * channels));

    const QImage byQt = readWithQt(png);
    QCOMPARE(byQt.hasAlphaChannel(), image.hasAlphaChannel());
    QString difference = firstDifference(byQt, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("Read by Qt: ") + difference));
    QString fault;
    const QImage byLibpng = readWithLibpng(png, &fault);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    difference = firstDifference(byLibpng, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("Read by libpng: ") + difference));
}

// Stripes are made in whatever order the threads take them; the file is the same.
void TestPngEncoding::sameFileOnAnyNumberOfThreads()
{
    const QImage image = drawing(257, 300);
    PngEncodingOptions options;
    options.stripeRows = 5;
    options.threads = 1;
    const QByteArray alone = encoded(image, options);
    QVERIFY(!alone.isEmpty());
    for (const int threads : {2, 3, 16}) {
        options.threads = threads;
        QVERIFY2(encoded(image, options) == alone, qPrintable(QStringLiteral("on %1 threads").arg(threads)));
    }
}

void TestPngEncoding::saysItsDensityAndColourSpace_data()
{
    QTest::addColumn<double>("dotsPerInch");   // NaN: the default
    QTest::addColumn<quint32>("pixelsPerMetre");

    QTest::addRow("default, print") << std::numeric_limits<double>::quiet_NaN() << quint32(11811);
    QTest::addRow("screen") << 96.0 << quint32(3780);
    QTest::addRow("fine print") << 1200.0 << quint32(47244);
    QTest::addRow("a fraction") << 72.5 << quint32(2854);
}

void TestPngEncoding::saysItsDensityAndColourSpace()
{
    QFETCH(double, dotsPerInch);
    QFETCH(quint32, pixelsPerMetre);
    PngEncodingOptions options;
    if (!std::isnan(dotsPerInch))
        options.dotsPerInch = dotsPerInch;
    QImage image = drawing(20, 20);
    image.setText(kDesignTextKey, QStringLiteral("{}"));
    const QByteArray png = encoded(image, options);
    const Chunks chunks = readChunks(png);
    QVERIFY2(chunks.fault.isEmpty(), qPrintable(chunks.fault));

    // The header first and the end last; what describes the pixels before them.
    QCOMPARE(chunks.types.first(), "IHDR");
    QCOMPARE(chunks.types.last(), "IEND");
    const qsizetype pixels = chunks.types.indexOf("IDAT");
    QVERIFY(pixels > 0);
    for (const char* type : {"sRGB", "pHYs", "iTXt"}) {
        QCOMPARE(chunks.types.count(type), 1);
        QVERIFY2(chunks.types.indexOf(type) < pixels, type);
    }
    QCOMPARE(chunks.first("sRGB"), QByteArray(1, '\0'));   // perceptual
    const QByteArray density = chunks.first("pHYs");
    QCOMPARE(density.size(), 9);
    QCOMPARE(qFromBigEndian<quint32>(density.constData()), pixelsPerMetre);
    QCOMPARE(qFromBigEndian<quint32>(density.constData() + 4), pixelsPerMetre);
    QCOMPARE(density.at(8), '\1');   // in metres

    const QImage read = readWithQt(png);
    QCOMPARE(read.dotsPerMeterX(), int(pixelsPerMetre));
    QCOMPARE(read.dotsPerMeterY(), int(pixelsPerMetre));
    QCOMPARE(read.colorSpace(), QColorSpace(QColorSpace::SRgb));
}

void TestPngEncoding::carriesItsTexts_data()
{
    QTest::addColumn<QString>("design");
    QTest::addColumn<QString>("comment");   // a second text beside it; none when empty

    QTest::addRow("a short design") << QStringLiteral("{\"format\": \"rotagraph\"}") << QString();
    QString longDesign = QStringLiteral("{\"curves\": [");
    for (int curve = 0; curve < 2000; ++curve)
        longDesign += QStringLiteral("{\"name\": \"Curve %1\", \"anchorRadius\": 160}, ").arg(curve);
    longDesign += QStringLiteral("{}]}");
    QTest::addRow("a long design, packed") << longDesign << QString();
    QTest::addRow("curve names beyond Latin-1")
        << QStringLiteral("{\"name\": \"Rosette \u273F \u03A9mega \u82B1\"}") << QString();
    QTest::addRow("a second text") << QStringLiteral("{}") << QStringLiteral("Drawn with Rotagraph, ©");
}

void TestPngEncoding::carriesItsTexts()
{
    QFETCH(QString, design);
    QFETCH(QString, comment);
    QImage image = drawing(30, 30);
    image.setText(kDesignTextKey, design);
    if (!comment.isEmpty())
        image.setText(QStringLiteral("Comment"), comment);
    const QByteArray png = encoded(image);
    QVERIFY(!png.isEmpty());

    const QImage read = readWithQt(png);
    QCOMPARE(read.text(kDesignTextKey), design);
    if (!comment.isEmpty())
        QCOMPARE(read.text(QStringLiteral("Comment")), comment);
    // As the application opens an exported image: its chunks alone, never its pixels.
    QBuffer device;
    device.setData(png);
    device.open(QIODevice::ReadOnly);
    const ExportedText exported = designTextOfPng(device);
    QVERIFY2(exported.error.isEmpty(), qPrintable(exported.error + QLatin1Char(' ') + exported.details));
    QCOMPARE(exported.text, design.toUtf8());
}

void TestPngEncoding::refusesWhatAPngCannotHold_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<double>("dotsPerInch");
    QTest::addColumn<QString>("error");

    const QImage plain = filled(3, 3, Qt::blue);
    const auto named = [&](const QString& key) {
        QImage image = plain;
        image.setText(key, QStringLiteral("text"));
        return image;
    };
    const QString badName = QStringLiteral("cannot name a text in a PNG");
    QTest::addRow("no image") << QImage() << kDefaultPngDotsPerInch << QStringLiteral("There is no image to encode.");
    QTest::addRow("a text's name too long") << named(QString(80, u'k')) << kDefaultPngDotsPerInch << badName;
    QTest::addRow("a space before a name") << named(QStringLiteral(" Title")) << kDefaultPngDotsPerInch << badName;
    QTest::addRow("two spaces in a name") << named(QStringLiteral("A  Title")) << kDefaultPngDotsPerInch << badName;
    QTest::addRow("a name beyond Latin-1") << named(QStringLiteral("\u540D")) << kDefaultPngDotsPerInch << badName;
    QTest::addRow("a line break in a name") << named(QStringLiteral("A\nB")) << kDefaultPngDotsPerInch << badName;
    const QString badDensity = QStringLiteral("is no pixel density a PNG can hold");
    QTest::addRow("no density") << plain << 0.0 << badDensity;
    QTest::addRow("a negative density") << plain << -300.0 << badDensity;
    QTest::addRow("a density that is no number") << plain << std::numeric_limits<double>::quiet_NaN() << badDensity;
    QTest::addRow("a density beyond 32 bits") << plain << 1e9 << badDensity;
}

void TestPngEncoding::refusesWhatAPngCannotHold()
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

QTEST_MAIN(TestPngEncoding)
#include "tst_pngencoding.moc"
