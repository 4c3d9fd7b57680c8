#include "app/DesignFormat.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>

#include <sys/stat.h>

using DesignChange = std::function<void(Design&)>;
Q_DECLARE_METATYPE(DesignChange)
Q_DECLARE_METATYPE(Design)

// What a failed comparison shows of a design.
char* toString(const Design& design)
{
    return qstrdup(designToJson(design).constData());
}

namespace {

Design changed(const DesignChange& change)
{
    Design design;
    change(design);
    return design;
}

QByteArray designFile(const QByteArray& fields)
{
    return R"({"format": "rotagraph-design", "version": 1)" + (fields.isEmpty() ? "" : ", " + fields) + "}";
}

// A small PNG that carries `text` under the design's key, as an export writes it.
QByteArray pngCarrying(const QByteArray& text)
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    if (!text.isEmpty())
        image.setText(kDesignTextKey, QString::fromUtf8(text));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return buffer.data();
}

// The same PNG with its text chunk moved behind the image data, as some tools rewrite it. A
// chunk is its length, type, data and checksum; the checksum covers only type and data.
QByteArray withTextAfterPixels(const QByteArray& png)
{
    constexpr qsizetype kSignatureSize = 8;
    constexpr qsizetype kChunkFraming = 12;
    QByteArray moved = png.left(kSignatureSize);
    QByteArray text;
    for (qsizetype at = kSignatureSize; at < png.size();) {
        const QByteArray chunk = png.mid(at, kChunkFraming + qFromBigEndian<quint32>(png.constData() + at));
        const QByteArray type = chunk.mid(4, 4);
        if (type == "tEXt" || type == "zTXt" || type == "iTXt")
            text = chunk;
        else
            moved += (type == "IEND" ? text : QByteArray()) + chunk;
        at += chunk.size();
    }
    return moved;
}

}

class TestDesignFormat : public QObject
{
    Q_OBJECT

private slots:
    void eachValueIsKept_data()
    {
        QTest::addColumn<DesignChange>("change");
        QTest::addRow("anchor radius with a fraction") << DesignChange([](Design& d) { d.anchorRadius = "160.25"; });
        QTest::addRow("runner radius with a unit") << DesignChange([](Design& d) { d.runnerRadius = "72.9 mm"; });
        QTest::addRow("pen hole that is no number") << DesignChange([](Design& d) { d.penHoleRadius = "abc"; });
        QTest::addRow("revolutions left empty") << DesignChange([](Design& d) { d.revolutions = ""; });
        QTest::addRow("quotes, backslash, Cyrillic") << DesignChange([](Design& d) { d.anchorRadius = "7\"2\\ мм"; });
        QTest::addRow("runner inside") << DesignChange([](Design& d) { d.runnerSide = RunnerSide::Inside; });
        QTest::addRow("first colour half clear") << DesignChange([](Design& d) { d.penColor = QColor(255, 0, 0, 128); });
        QTest::addRow("second colour") << DesignChange([](Design& d) { d.pen2Color = QColor(1, 2, 3); });
        QTest::addRow("third colour, alpha only") << DesignChange([](Design& d) { d.pen3Color.setAlpha(0); });
        QTest::addRow("fill colour") << DesignChange([](Design& d) { d.fillColor = QColor(10, 20, 30, 40); });
        QTest::addRow("three colours") << DesignChange([](Design& d) { d.colorsInUse = 3; });
        QTest::addRow("pen width") << DesignChange([](Design& d) { d.penWidth = 7.5f; });
        QTest::addRow("close") << DesignChange([](Design& d) { d.closeCurve = true; });
        QTest::addRow("fill") << DesignChange([](Design& d) { d.fillShape = true; });
        QTest::addRow("grease") << DesignChange([](Design& d) { d.greaseIt = true; });
        QTest::addRow("show wheels") << DesignChange([](Design& d) { d.showWheels = true; });
        QTest::addRow("limit revolutions") << DesignChange([](Design& d) { d.limitRevolutions = true; });
        QTest::addRow("pen not confined") << DesignChange([](Design& d) { d.confinePen = false; });
        QTest::addRow("slow-drawing speed") << DesignChange([](Design& d) { d.drawSpeed = 55; });
    }

    // Each value on its own makes another design, and comes back from its file unchanged.
    void eachValueIsKept()
    {
        QFETCH(DesignChange, change);
        const Design design = changed(change);
        QVERIFY(design != Design());
        const DesignReadResult read = readDesign(designToJson(design));
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, design);
    }

    void fileIsPlainJson()
    {
        Design design;
        design.runnerRadius = "72.9 mm";
        design.penColor = QColor(0x10, 0x20, 0x30, 0x80);
        const QJsonObject file = QJsonDocument::fromJson(designToJson(design)).object();
        QCOMPARE(file.value("format").toString(), QStringLiteral("rotagraph-design"));
        QCOMPARE(file.value("version").toInt(), kDesignFormatVersion);
        QCOMPARE(file.value("runnerRadius").toString(), QStringLiteral("72.9 mm"));
        QCOMPARE(file.value("penColor").toString(), QStringLiteral("#80102030"));
    }

    void readsValuesAsControlsHoldThem_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<Design>("expected");
        QTest::addRow("values left out keep the default") << QByteArray(R"("closeCurve": true)")
                                                          << changed([](Design& d) { d.closeCurve = true; });
        QTest::addRow("numbers for typed fields, as shortest text")
            << QByteArray(R"("anchorRadius": 72.50, "runnerRadius": 1e21, "revolutions": -0.1)")
            << changed([](Design& d) { d.anchorRadius = "72.5"; d.runnerRadius = "1e+21"; d.revolutions = "-0.1"; });
        QTest::addRow("above the controls' ranges")
            << QByteArray(R"("penWidth": 1e300, "drawSpeed": 250, "colorsInUse": 7)")
            << changed([](Design& d) { d.penWidth = 20; d.drawSpeed = 100; d.colorsInUse = 3; });
        QTest::addRow("below the controls' ranges")
            << QByteArray(R"("penWidth": -3, "drawSpeed": -1, "colorsInUse": 0)")
            << changed([](Design& d) { d.penWidth = 0; d.drawSpeed = 0; d.colorsInUse = 1; });
        QTest::addRow("between the slider's steps") << QByteArray(R"("penWidth": 1.3, "drawSpeed": 10.6)")
                                                    << changed([](Design& d) { d.penWidth = 1.5f; d.drawSpeed = 11; });
        // Not a raw string: moc takes the '#' in one for a directive and skips the class.
        QTest::addRow("colours by name and without alpha")
            << QByteArray("\"penColor\": \"blue\", \"fillColor\": \"#00ff00\"")
            << changed([](Design& d) { d.penColor = Qt::blue; d.fillColor = Qt::green; });
    }

    void readsValuesAsControlsHoldThem()
    {
        QFETCH(QByteArray, fields);
        QFETCH(Design, expected);
        const DesignReadResult read = readDesign(designFile(fields));
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, expected);
    }

    void refusesBadInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QByteArray whole = designToJson(Design());
        QTest::addRow("empty") << QByteArray(" \n") << "It is not a design file: it is empty.";
        QTest::addRow("not JSON") << QByteArray("PK\3\4") << "It is not a design file: the JSON is malformed at byte 1 (";
        QTest::addRow("cut short") << whole.left(120) << "the JSON ends too early (at byte 120).";
        QTest::addRow("an array") << QByteArray("[1]") << "it holds no JSON object.";
        QTest::addRow("JSON of another kind") << QByteArray(R"({"anchorRadius": "160"})") << "JSON of another kind.";
        QTest::addRow("newer version") << QByteArray(R"({"format": "rotagraph-design", "version": 2})")
                                       << "It was made by a newer version of Rotagraph.";
        QTest::addRow("unknown version") << QByteArray(R"({"format": "rotagraph-design", "version": 0.999999999})")
                                         << "Its format version, 0.999999999, is unknown.";
        QTest::addRow("no design value") << designFile(R"("comment": "empty")") << "It holds none of a design’s values.";
        QTest::addRow("pen width as text") << designFile(R"("penWidth": "1")") << "The pen width is not a number.";
        QTest::addRow("pen width beyond a double") << designFile(R"("fill": true, "penWidth": 1e999)")
                                                   << "The pen width is not a finite number.";
        QTest::addRow("anchor radius NaN") << designFile(R"("anchorRadius":NaN)")
                                           << "The anchor radius is not a finite number.";
        QTest::addRow("typed field as a list") << designFile(R"("revolutions": [9])")
                                               << "The number of revolutions is neither text nor a number.";
        QTest::addRow("typed field beyond a line edit")
            << designFile("\"penHoleRadius\": \"" + QByteArray(kMaximumTypedLength + 1, '5') + '"')
            << "The pen hole is longer than its field can hold.";
        QTest::addRow("switch as a number") << designFile(R"("fill": 1)") << "The setting “Fill” is neither on nor off.";
        QTest::addRow("colour that does not parse") << designFile("\"fillColor\": \"#12345\"")
                                                    << "The fill colour is not a colour.";
        QTest::addRow("colours in use, a fraction") << designFile(R"("colorsInUse": 2.5)")
                                                    << "The number of colours in use is not a whole number.";
        QTest::addRow("runner side unknown") << designFile(R"("runnerSide": "left")")
                                             << "The runner side is neither “inside” nor “outside”.";
        QTest::addRow("larger than a design file") << whole + QByteArray(kMaximumDesignFileSize, ' ')
                                                   << "It is too large for a design file (over 1 MiB).";
    }

    void refusesBadInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const DesignReadResult read = readDesign(bytes);
        QVERIFY(!read.design);
        QVERIFY2(read.error.contains(error), qPrintable(read.error));
    }

    void opensFiles_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("error");   // empty: opens as `designed` below
        const QByteArray json = designToJson(designed());
        const QByteArray padding(kMaximumDesignFileSize - json.size(), ' ');
        QTest::addRow("design file") << json << QString();
        QTest::addRow("design file of the largest size") << json + padding << QString();
        QTest::addRow("design file a byte larger") << json + padding + ' ' << "too large for a design file";
        QTest::addRow("image with a design") << pngCarrying(json) << QString();
        QTest::addRow("image with a design after its pixels") << withTextAfterPixels(pngCarrying(json)) << QString();
        QTest::addRow("image without a design") << pngCarrying({}) << "This image holds no Rotagraph design.";
        QTest::addRow("image with a newer design") << pngCarrying(R"({"format": "rotagraph-design", "version": 9})")
                                                   << "made by a newer version";
        QTest::addRow("damaged image") << pngCarrying(json).left(40) << "This image could not be read";
    }

    // Every file is named like a design: an image is known by what it holds.
    void opensFiles()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString path = dir.filePath("spiral.rotagraph");
        QVERIFY(writeContents(path, contents));
        const DesignReadResult read = loadDesignFile(path);
        QVERIFY2(read.error.contains(error), qPrintable(read.error));
        QCOMPARE(read.design.has_value(), error.isEmpty());
        if (read.design)
            QCOMPARE(*read.design, designed());
    }

    void refusesWhatIsNoDesignFile()
    {
        QTemporaryDir dir;
        QCOMPARE(loadDesignFile(dir.filePath("missing.rotagraph")).error, QStringLiteral("There is no such file."));
        QCOMPARE(loadDesignFile(dir.path()).error, QStringLiteral("It is a folder, not a file."));
        // Opening a pipe would wait for a writer that never comes.
        const QString pipe = dir.filePath("pipe.rotagraph");
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), S_IRUSR | S_IWUSR), 0);
        QCOMPARE(loadDesignFile(pipe).error, QStringLiteral("It is not an ordinary file."));
        // Sparse: as large as it claims without taking the disk.
        const QString image = dir.filePath("huge.png");
        QVERIFY(writeContents(image, pngCarrying(designToJson(Design()))));
        QVERIFY(QFile::resize(image, kMaximumDesignImageSize + 1));
        QCOMPARE(loadDesignFile(image).error, QStringLiteral("This image is too large to open (over 128 MiB)."));
    }

private:
    static Design designed()
    {
        return changed([](Design& d) {
            d.runnerRadius = "72.9 мм";
            d.fillColor = QColor(1, 2, 3, 4);
        });
    }
};

QTEST_GUILESS_MAIN(TestDesignFormat)
#include "tst_designformat.moc"
