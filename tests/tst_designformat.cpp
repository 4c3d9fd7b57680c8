#include "app/DesignCode.h"
#include "app/DesignFormat.h"
#include "output/PngExport.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

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

// A file of the first version: one curve, its values beside the window's.
QByteArray designFile(const QByteArray& fields)
{
    return R"({"format": "rotagraph-design", "version": 1)" + (fields.isEmpty() ? "" : ", " + fields) + "}";
}

QByteArray compositionFile(const QByteArray& curves, const QByteArray& fields = {})
{
    return R"({"format": "rotagraph-design", "version": 2, "curves": [)" + curves + "]"
        + (fields.isEmpty() ? "" : ", " + fields) + "}";
}

// `count` curves that leave every value to its default.
QByteArray emptyCurves(int count)
{
    return QList<QByteArray>(count, "{}").join(", ");
}

// `count` gradient stops, evenly from 0 to 1.
QByteArray stopsAt(int count)
{
    QList<QByteArray> stops;
    for (int i = 0; i < count; ++i)
        stops.append("{\"position\": " + QByteArray::number(double(i) / (count - 1)) + ", \"color\": \"red\"}");
    return stops.join(", ");
}

// Three curves, each value of each unlike the default's, and keys of a newer version at the top
// and in the curves.
Design composed()
{
    Design design;
    design.showWheels = true;
    design.drawSpeed = 55;
    design.otherKeys = {{"frame", "#ff202020"}, {"layers", QJsonArray{1, "two", QJsonObject{{"x", 3.5}}}}};
    CurveDesign first;
    first.name = "Spiral";
    first.turn = 12.5;
    first.anchorRadius = "1 < 2 & 3 > 0";
    first.runnerRadius = "72.9 мм";
    first.fillColor = QColor(1, 2, 3, 4);
    first.otherKeys = {{"phase", 0.25}};
    CurveDesign second;
    second.name = "";
    second.visible = false;
    second.turn = -90;
    second.penHoleRadius = "-3.7e1";
    second.revolutions = "12";
    second.runnerSide = RunnerSide::Inside;
    second.penColor = QColor(255, 0, 0, 128);
    second.pen2Color = QColor(1, 2, 3);
    second.pen3Color = QColor(0, 153, 51, 0);
    second.colorsInUse = 3;
    second.penWidth = 7.5f;
    second.closeCurve = second.fillShape = second.greaseIt = second.limitRevolutions = true;
    second.confinePen = false;
    second.colouring.mode = ColourMode::Gradient;
    second.colouring.stops = {{0, QColor(1, 2, 3, 4)}, {0.3, Qt::white}, {0.3, Qt::black}, {1, Qt::red}};
    second.colouring.repeat = 7;
    second.colouring.mirror = true;
    second.colouring.inkOpacity = 35;
    second.sizes = WheelSizes::Teeth;
    second.nestedWheels = {{"25", RunnerSide::Outside}, {"9.5 mm", RunnerSide::Inside}};
    CurveDesign third;
    third.name = "Spiral";   // names are labels: the same twice is allowed
    third.turn = 1e300;
    third.otherKeys = {{"nested", QJsonObject{{"deep", QJsonArray{true, QJsonValue::Null}}}}};
    design.curves = {first, second, third};
    return design;
}

// A small PNG that carries `text` under the design's key, as an export writes it.
QByteArray pngCarrying(const QByteArray& text)
{
    QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!text.isEmpty())
        image.setText(kDesignTextKey, QString::fromUtf8(text));
    QString error;
    return encodePng(image, &error);
}

// A PNG chunk is its length, its type, its data and a checksum of type and data.
constexpr qsizetype kPngSignatureSize = 8;
constexpr qsizetype kChunkFraming = 12;
constexpr int kMostChunks = 100'000;   // looked through for a design

QByteArray chunk(const QByteArray& type, const QByteArray& data)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(quint32(data.size()), bytes.data());
    bytes += type + data;
    const QByteArray typeAndData = type + data;
    const auto checksum = quint32(crc32(0, reinterpret_cast<const Bytef*>(typeAndData.constData()), uInt(typeAndData.size())));
    QByteArray end(4, '\0');
    qToBigEndian(checksum, end.data());
    return bytes + end;
}

QByteArray packed(const QByteArray& text)
{
    return qCompress(text).mid(4);   // without Qt's length in front: a bare zlib stream
}

const QByteArray kKey = QByteArray(kDesignTextKey.data(), kDesignTextKey.size()) + '\0';

QByteArray tEXt(const QByteArray& text, const QByteArray& key = kKey)
{
    return chunk("tEXt", key + text);
}
QByteArray zTXt(const QByteArray& text)
{
    return chunk("zTXt", kKey + '\0' + packed(text));
}
QByteArray iTXt(const QByteArray& text, bool isPacked)
{
    return chunk("iTXt", kKey + (isPacked ? QByteArray("\1\0", 2) : QByteArray(2, '\0')) + QByteArray("en\0\0", 4)
                             + (isPacked ? packed(text) : text));
}

// A real image without text, with `before` ahead of its pixels and `after` behind them.
QByteArray png(const QList<QByteArray>& before, const QList<QByteArray>& after = {})
{
    const QByteArray plain = pngCarrying({});
    QByteArray image = plain.left(kPngSignatureSize);
    for (qsizetype at = kPngSignatureSize; at < plain.size();) {
        const QByteArray whole = plain.mid(at, kChunkFraming + qFromBigEndian<quint32>(plain.constData() + at));
        const QByteArray type = whole.mid(4, 4);
        if (type == "IDAT" && image.indexOf("IDAT") < 0)
            image += before.join();
        if (type == "IEND")
            image += after.join();
        image += whole;
        at += whole.size();
    }
    return image;
}

// The same chunk with a byte of its data changed after its checksum was taken.
QByteArray damaged(QByteArray whole)
{
    whole[whole.size() - 5] = char(whole[whole.size() - 5] ^ 0x20);
    return whole;
}

// A PNG of nothing but `chunks`: enough for a reader that looks at nothing else.
QByteArray pngOf(const QList<QByteArray>& chunks)
{
    return QByteArray("\x89PNG\r\n\x1a\n", kPngSignatureSize) + chunks.join();
}

// An SVG as the vector export writes its start, with the design in its metadata, and `rest`
// after it.
QByteArray svgCarrying(const QByteArray& text, const QByteArray& rest = "<g id=\"pen\"/>\n</svg>\n")
{
    QByteArray escaped = text;
    escaped.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" "
           "version=\"1.1\" width=\"220mm\" height=\"220mm\" viewBox=\"0 0 220 220\">\n<title>spiral</title>\n"
           "<metadata id=\"design\">"
        + escaped + "</metadata>\n" + rest;
}

}

class TestDesignFormat : public QObject
{
    Q_OBJECT

private slots:
    void eachValueIsKept_data()
    {
        QTest::addColumn<DesignChange>("change");
        QTest::addRow("anchor radius with a fraction") << DesignChange([](Design& d) { d.curves[0].anchorRadius = "160.25"; });
        QTest::addRow("runner radius with a unit") << DesignChange([](Design& d) { d.curves[0].runnerRadius = "72.9 mm"; });
        QTest::addRow("pen hole that is no number") << DesignChange([](Design& d) { d.curves[0].penHoleRadius = "abc"; });
        QTest::addRow("revolutions left empty") << DesignChange([](Design& d) { d.curves[0].revolutions = ""; });
        QTest::addRow("quotes, backslash, Cyrillic") << DesignChange([](Design& d) { d.curves[0].anchorRadius = "7\"2\\ мм"; });
        QTest::addRow("runner inside") << DesignChange([](Design& d) { d.curves[0].runnerSide = RunnerSide::Inside; });
        QTest::addRow("first colour half clear") << DesignChange([](Design& d) { d.curves[0].penColor = QColor(255, 0, 0, 128); });
        QTest::addRow("second colour") << DesignChange([](Design& d) { d.curves[0].pen2Color = QColor(1, 2, 3); });
        QTest::addRow("third colour, alpha only") << DesignChange([](Design& d) { d.curves[0].pen3Color.setAlpha(0); });
        QTest::addRow("fill colour") << DesignChange([](Design& d) { d.curves[0].fillColor = QColor(10, 20, 30, 40); });
        QTest::addRow("three colours") << DesignChange([](Design& d) { d.curves[0].colorsInUse = 3; });
        QTest::addRow("pen width") << DesignChange([](Design& d) { d.curves[0].penWidth = 7.5f; });
        QTest::addRow("close") << DesignChange([](Design& d) { d.curves[0].closeCurve = true; });
        QTest::addRow("fill") << DesignChange([](Design& d) { d.curves[0].fillShape = true; });
        QTest::addRow("grease") << DesignChange([](Design& d) { d.curves[0].greaseIt = true; });
        QTest::addRow("show wheels") << DesignChange([](Design& d) { d.showWheels = true; });
        QTest::addRow("limit revolutions") << DesignChange([](Design& d) { d.curves[0].limitRevolutions = true; });
        QTest::addRow("pen not confined") << DesignChange([](Design& d) { d.curves[0].confinePen = false; });
        QTest::addRow("precise curve") << DesignChange([](Design& d) { d.curves[0].preciseCurve = true; });
        QTest::addRow("slow-drawing speed") << DesignChange([](Design& d) { d.drawSpeed = 55; });
        QTest::addRow("copies, their turn following the count") << DesignChange([](Design& d) { d.curves[0].copies.count = 12; });
        QTest::addRow("copies turned, scaled and shifted in hue")
            << DesignChange([](Design& d) { d.curves[0].copies = {360, -7.5, 0.95, -12.5}; });
        QTest::addRow("a background") << DesignChange([](Design& d) { d.background = QColor(0x20, 0x30, 0x40); });
        QTest::addRow("gradient of eight translucent stops, repeated and mirrored") << DesignChange([](Design& d) {
            CurveColouring& c = d.curves[0].colouring;
            c.mode = ColourMode::Gradient;
            c.stops.clear();
            for (int i = 0; i < 8; ++i)
                c.stops.push_back({i / 7.0, QColor(30 * i, 255 - 30 * i, 7, 255 - 20 * i)});
            c.repeat = 1000;
            c.mirror = true;
        });
        QTest::addRow("sizes by teeth") << DesignChange([](Design& d) { d.curves[0].sizes = WheelSizes::Teeth; });
        QTest::addRow("a wheel on the runner") << DesignChange([](Design& d) { d.curves[0].nestedWheels = {NestedWheelDesign()}; });
        QTest::addRow("two wheels on the runner, typed as text") << DesignChange([](Design& d) {
            d.curves[0].nestedWheels = {{"30", RunnerSide::Outside}, {"abc", RunnerSide::Inside}};
        });
        QTest::addRow("colour per revolution, blended, as ink") << DesignChange([](Design& d) {
            d.curves[0].colouring.mode = ColourMode::PerRevolution;
            d.curves[0].colouring.blend = true;
            d.curves[0].colouring.inkOpacity = 0;
        });
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

    // Every value of every curve, and what a newer version added at the top and in a curve,
    // comes back from its file; and the file read writes the same file again.
    void compositionIsKept()
    {
        const QByteArray file = designToJson(composed());
        const DesignReadResult read = readDesign(file);
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, composed());
        QVERIFY(!read.newerVersion);
        QCOMPARE(designToJson(*read.design), file);
    }

    // The keys that the format documents, where it documents them, and nothing else.
    void fileIsPlainJson()
    {
        Design design;
        design.curves[0].runnerRadius = "72.9 mm";
        design.curves[0].penColor = QColor(0x10, 0x20, 0x30, 0x80);
        design.curves.append(CurveDesign());
        design.curves[1].name = "Ring";
        design.curves[1].turn = 22.5;
        const QJsonObject file = QJsonDocument::fromJson(designToJson(design)).object();
        QCOMPARE(file.keys(), QStringList({"curves", "drawSpeed", "format", "minorVersion", "showWheels", "version"}));
        QCOMPARE(file.value("format").toString(), QStringLiteral("rotagraph-design"));
        QCOMPARE(file.value("version").toInt(-1), kDesignFormatVersion);
        QCOMPARE(file.value("minorVersion").toInt(-1), kDesignFormatMinorVersion);
        const QJsonArray curves = file.value("curves").toArray();
        QCOMPARE(curves.size(), 2);
        QCOMPARE(curves[0].toObject().keys(),
                 QStringList({"anchorRadius", "blendRevolutions", "closeCurve", "colorMode", "colorsInUse", "confinePen",
                              "copies", "copyHueStep", "copyScale", "fill", "fillColor", "gradientMirror", "gradientRepeat", "gradientStops", "grease",
                              "inkOpacity", "limitRevolutions", "name", "nestedWheels", "pen2Color", "pen3Color",
                              "penColor", "penHoleRadius", "penWidth", "precise", "revolutions", "runnerRadius",
                              "runnerSide", "turn", "visible", "wheelSizes"}));
        QCOMPARE(curves[0]["runnerRadius"].toString(), QStringLiteral("72.9 mm"));
        QCOMPARE(curves[0]["penColor"].toString(), QStringLiteral("#80102030"));
        QCOMPARE(curves[0]["name"].toString(), QStringLiteral("Curve 1"));
        QCOMPARE(curves[1]["name"].toString(), QStringLiteral("Ring"));
        QCOMPARE(curves[1]["turn"].toDouble(), 22.5);
    }

    // What a file reads as is what it saves as: the design read from the saved file is the same,
    // and saved again it is the same file, whatever keys the first held.
    void keptKeysComeBackAsRead_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QJsonObject>("kept");   // in the first curve
        const QByteArray mark = "\xef\xbb\xbf";
        QTest::addRow("a key that begins with a byte order mark")
            << compositionFile("{\"" + mark + "hatch\": 3, \"fill\": true}") << QJsonObject{{"hatch", 3}};
        QTest::addRow("the same key with and without a mark")
            << compositionFile("{\"" + mark + "hatch\": 3, \"hatch\": 3}") << QJsonObject{{"hatch", 3}};
        QTest::addRow("a known key behind a mark")
            << compositionFile("{\"" + mark + "turn\": 3, \"fill\": true}") << QJsonObject();
        QTest::addRow("a mark in a key of a kept object")
            << compositionFile("{\"hatch\": {\"" + mark + "angle\": 45, \"gap\": 2}}")
            << QJsonObject{{"hatch", QJsonObject{{"angle", 45}, {"gap", 2}}}};
    }

    void keptKeysComeBackAsRead()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QJsonObject, kept);
        const DesignReadResult read = readDesign(contents);
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(read.design->curves[0].otherKeys, kept);
        QCOMPARE(read.design->curves[0].turn, 0.0);
        const QByteArray saved = designToJson(*read.design);
        const DesignReadResult reread = readDesign(saved);
        QCOMPARE(reread.design, read.design);
        QCOMPARE(designToJson(*reread.design), saved);
    }

    // A key this version does not know never stands in for one it does: the design's own
    // values are written over it.
    void keptKeysNeverReplaceKnownOnes()
    {
        Design design;
        design.otherKeys = {{"format", "other"}, {"version", 9}, {"curves", 1}, {"drawSpeed", "fast"}, {"kept", 1}};
        design.curves[0].otherKeys = {{"name", 5}, {"penWidth", "wide"}, {"turn", "left"}, {"kept", 2}};
        design.curves[0].penWidth = 3;
        const DesignReadResult read = readDesign(designToJson(design));
        QVERIFY2(read.design, qPrintable(read.error));
        Design expected;
        expected.otherKeys = {{"kept", 1}};
        expected.curves[0].otherKeys = {{"kept", 2}};
        expected.curves[0].penWidth = 3;
        QCOMPARE(*read.design, expected);
    }

    // Kept keys may make a file larger than indenting lets open again: it is written without.
    void muchKeptDataStillOpens()
    {
        QJsonArray points;
        for (int i = 0; i < 100'000; ++i)
            points.append(QJsonArray{i % 10, 0});
        Design design;
        design.curves[0].otherKeys = {{"points", points}};
        const QByteArray file = designToJson(design);
        QVERIFY(QJsonDocument(design.curves[0].otherKeys).toJson().size() > kMaximumDesignFileSize);
        const DesignReadResult read = readDesign(file);
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, design);
    }

    void readsValuesAsControlsHoldThem_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Design>("expected");
        QTest::addRow("values left out keep the default") << designFile(R"("closeCurve": true)")
                                                          << changed([](Design& d) { d.curves[0].closeCurve = true; });
        QTest::addRow("numbers for typed fields, as shortest text")
            << designFile(R"("anchorRadius": 72.50, "runnerRadius": 1e21, "revolutions": -0.1)")
            << changed([](Design& d) { d.curves[0].anchorRadius = "72.5"; d.curves[0].runnerRadius = "1e+21"; d.curves[0].revolutions = "-0.1"; });
        QTest::addRow("above the controls' ranges")
            << designFile(R"("penWidth": 1e300, "drawSpeed": 250, "colorsInUse": 7)")
            << changed([](Design& d) { d.curves[0].penWidth = 20; d.drawSpeed = 100; d.curves[0].colorsInUse = 3; });
        QTest::addRow("below the controls' ranges")
            << designFile(R"("penWidth": -3, "drawSpeed": -1, "colorsInUse": 0)")
            << changed([](Design& d) { d.curves[0].penWidth = 0; d.drawSpeed = 0; d.curves[0].colorsInUse = 1; });
        QTest::addRow("between the slider's steps") << designFile(R"("penWidth": 1.3, "drawSpeed": 10.6)")
                                                    << changed([](Design& d) { d.curves[0].penWidth = 1.5f; d.drawSpeed = 11; });
        // Not a raw string: moc takes the '#' in one for a directive and skips the class.
        QTest::addRow("colours by name and without alpha")
            << designFile("\"penColor\": \"blue\", \"fillColor\": \"#00ff00\"")
            << changed([](Design& d) { d.curves[0].penColor = Qt::blue; d.curves[0].fillColor = Qt::green; });
        QTest::addRow("copies beyond the controls' ranges")
            << compositionFile(R"({"copies": 1000, "copyScale": 50, "copyHueStep": -400}, {"copies": 0, "copyScale": 0})")
            << changed([](Design& d) {
                   d.curves.append(CurveDesign());
                   d.curves[1].name = "Curve 2";
                   d.curves[0].copies = {360, NAN, 10, -360};
                   d.curves[1].copies = {1, NAN, 0.1, 0};
               });
        QTest::addRow("a translucent background reads opaque")
            << compositionFile("{}", "\"background\": \"#80102030\"")
            << changed([](Design& d) { d.background = QColor(0x10, 0x20, 0x30); });
        QTest::addRow("a curve's values left out keep the default, its name its place")
            << compositionFile(R"({"name": "Ring"}, {}, {"fill": true})")
            << changed([](Design& d) {
                   d.curves = {CurveDesign(), CurveDesign(), CurveDesign()};
                   d.curves[0].name = "Ring";
                   d.curves[1].name = "Curve 2";
                   d.curves[2].name = "Curve 3";
                   d.curves[2].fillShape = true;
               });
        QTest::addRow("a curve's values as controls hold them, the window's at the top")
            << compositionFile(R"({}, {"penWidth": 1.3, "colorsInUse": 0, "revolutions": 12, "turn": -720.5})",
                               R"("drawSpeed": 250, "showWheels": true)")
            << changed([](Design& d) {
                   d.curves.append(CurveDesign());
                   d.curves[1].name = "Curve 2";
                   d.curves[1].penWidth = 1.5f;
                   d.curves[1].revolutions = "12";
                   d.curves[1].turn = -720.5;
                   d.drawSpeed = 100;
                   d.showWheels = true;
               });
        const QList<char32_t> beyondTheBmp(kMaximumCurveNameLength, U'\U0001F300');
        const QString longestName = QString::fromUcs4(beyondTheBmp.constData(), beyondTheBmp.size());
        QTest::addRow("names empty, the same twice, and the longest, of characters beyond the BMP")
            << compositionFile(R"({"name": ""}, {"name": ")" + longestName.toUtf8() + R"("}, {"name": ""})")
            << changed([&longestName](Design& d) {
                   d.curves = {CurveDesign(), CurveDesign(), CurveDesign()};
                   d.curves[0].name = d.curves[2].name = "";
                   d.curves[1].name = longestName;
               });
        QTest::addRow("stops out of order are sorted, an opacity held to its range")
            << compositionFile(R"({"colorMode": "gradient", "inkOpacity": 140.7, "gradientStops": [{"position": 1, "color": "blue"}, {"position": 0.25, "color": "red"}]})")
            << changed([](Design& d) {
                   d.curves[0].colouring.mode = ColourMode::Gradient;
                   d.curves[0].colouring.stops = {{0.25, Qt::red}, {1, Qt::blue}};
               });
        QTest::addRow("the most curves") << compositionFile(emptyCurves(Design::kMaximumCurves)) << changed([](Design& d) {
            d.curves.clear();
            for (int n = 1; n <= Design::kMaximumCurves; ++n) {
                d.curves.append(CurveDesign());
                d.curves.last().name = curveName(n);
            }
        });
    }

    void readsValuesAsControlsHoldThem()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Design, expected);
        const DesignReadResult read = readDesign(bytes);
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, expected);
    }

    // What the first version wrote, saved, exported or copied, opens as one curve that draws as
    // it did: named "Curve 1", shown, not turned.
    void readsFirstVersion_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<Design>("expected");
        const QByteArray written = R"({
    "anchorRadius": "100.5",
    "closeCurve": true,
    "colorsInUse": 3,
    "confinePen": false,
    "drawSpeed": 55,
    "fill": true,
    "fillColor": "#80ffff00",
    "format": "rotagraph-design",
    "grease": true,
    "limitRevolutions": true,
    "pen2Color": "#ff0066cc",
    "pen3Color": "#00009933",
    "penColor": "#ffff0000",
    "penHoleRadius": "-3.7e1",
    "penWidth": 7.5,
    "revolutions": "12",
    "runnerRadius": "72.9 мм",
    "runnerSide": "inside",
    "showWheels": true,
    "version": 1
}
)";
        const Design everything = changed([](Design& d) {
            CurveDesign& c = d.curves[0];
            c.anchorRadius = "100.5";
            c.closeCurve = c.fillShape = c.greaseIt = c.limitRevolutions = true;
            c.confinePen = false;
            c.colorsInUse = 3;
            c.fillColor = QColor(255, 255, 0, 128);
            c.pen3Color.setAlpha(0);
            c.penHoleRadius = "-3.7e1";
            c.penWidth = 7.5f;
            c.revolutions = "12";
            c.runnerRadius = "72.9 мм";
            c.runnerSide = RunnerSide::Inside;
            d.drawSpeed = 55;
            d.showWheels = true;
        });
        QTest::addRow("a design file") << written << everything;
        QTest::addRow("an exported image") << pngCarrying(written) << everything;
        QTest::addRow("an exported drawing") << svgCarrying(written) << everything;
        // Keys the first version did not know, its later curves' keys among them, are kept
        // where they stood.
        QTest::addRow("keys it did not know") << designFile(R"("fill": true, "comment": "mine", "turn": 30, "name": "x")")
                                              << changed([](Design& d) {
                                                     d.curves[0].fillShape = true;
                                                     d.otherKeys = {{"comment", "mine"}, {"turn", 30}, {"name", "x"}};
                                                 });
    }

    void readsFirstVersion()
    {
        QFETCH(QByteArray, contents);
        QFETCH(Design, expected);
        QBuffer buffer(&contents);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const DesignReadResult read = readDesignFrom(buffer);
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, expected);
        QCOMPARE(read.design->curves.size(), 1);
        QCOMPARE(read.design->curves[0].name, QStringLiteral("Curve 1"));
        QVERIFY(read.design->curves[0].visible);
        QCOMPARE(read.design->curves[0].turn, 0.0);
        QVERIFY(!read.newerVersion);
    }

    // A file of a newer minor version opens, says so, and keeps what this version does not know
    // for the next save; one of this version's own says nothing.
    void opensNewerMinorVersion_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<Design>("expected");
        QTest::addColumn<QString>("note");   // empty: none, and not newer
        const Design filled = changed([](Design& d) { d.curves[0].fillShape = true; });
        QTest::addRow("this version's, its minor version left out") << compositionFile(R"({"fill": true})") << filled << "";
        QTest::addRow("this version's own minor version")
            << compositionFile(R"({"fill": true})", R"("minorVersion": 2)") << filled << "";
        QTest::addRow("an older minor version, without colour along the curve")
            << compositionFile(R"({"fill": true})", R"("minorVersion": 0)") << filled << "";
        const QByteArray newer = compositionFile(R"({"fill": true, "hatch": {"angle": 45}}, {"name": "B"})",
                                                 R"("minorVersion": 4, "paper": "A3")");
        const Design kept = changed([](Design& d) {
            d.curves[0].fillShape = true;
            d.curves[0].otherKeys = {{"hatch", QJsonObject{{"angle", 45}}}};
            d.curves.append(CurveDesign());
            d.curves[1].name = "B";
            d.otherKeys = {{"paper", "A3"}};
        });
        const QString note = "It was made by a newer version of Rotagraph (format 2.4): what this one cannot show is "
                             "kept as it was.";
        QTest::addRow("a newer minor version") << newer << kept << note;
        QTest::addRow("a minor version of the first") << designFile(R"("fill": true, "minorVersion": 12)") << filled
                                                      << "It was made by a newer version of Rotagraph (format 1.12): what "
                                                         "this one cannot show is kept as it was.";
    }

    void opensNewerMinorVersion()
    {
        QFETCH(QByteArray, contents);
        QFETCH(Design, expected);
        QFETCH(QString, note);
        QBuffer buffer(&contents);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const DesignReadResult read = readDesignFrom(buffer);
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, expected);
        QCOMPARE(read.note, note);
        QCOMPARE(read.newerVersion, !note.isEmpty());
        // Saved by this version, it is this version's, with all that it kept.
        const DesignReadResult saved = readDesign(designToJson(*read.design));
        QCOMPARE(saved.design, read.design);
        QVERIFY(!saved.newerVersion);
    }

    void designCodesComeBackAsTheDesign_data()
    {
        QTest::addColumn<Design>("design");
        QTest::addColumn<int>("longest");   // characters; 0: no limit
        QTest::addRow("the default design") << Design() << 20;
        QTest::addRow("a toy kit's design") << changed([](Design& d) {
            CurveDesign& c = d.curves[0];
            c.anchorRadius = "96";
            c.runnerRadius = "30";
            c.runnerSide = RunnerSide::Inside;
            c.penHoleRadius = "21";
            c.revolutions = "5";
            c.penColor = QColor(27, 79, 156);
            c.penWidth = 2;
            c.closeCurve = true;
        }) << 50;
        QTest::addRow("a rainbow gradient") << changed([](Design& d) {
            d.curves[0].colouring.mode = ColourMode::Gradient;
            d.curves[0].colouring.stops = {{0, QColor(228, 3, 3)}, {0.2, QColor(0, 128, 38)}, {1, QColor(117, 7, 135)}};
            d.curves[0].colouring.repeat = 3;
        }) << 60;
        QTest::addRow("three curves with every value and kept keys") << composed() << 0;
    }

    // A design code reads as the design it was made of, and a one-curve design's is short
    // enough to paste into a chat.
    void designCodesComeBackAsTheDesign()
    {
        QFETCH(Design, design);
        QFETCH(int, longest);
        const QString code = designCode(designToJson(design), designToJson(Design()));
        QVERIFY(code.startsWith("rotagraph:"));
        if (longest > 0)
            QVERIFY2(code.size() <= longest, qPrintable(code));
        const DesignReadResult read = readDesign("  " + code.toUtf8() + "\n");
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, design);
    }

    // A code of CBOR bytes, as they are or deflated without a header, as codes are packed.
    static QByteArray plainCode(const QByteArray& cbor)
    {
        return "rotagraph:" + ("p" + cbor).toBase64(QByteArray::Base64UrlEncoding);
    }

    static QByteArray packedCode(const QByteArray& cbor)
    {
        z_stream stream{};
        deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
        QByteArray packed(int(deflateBound(&stream, uLong(cbor.size()))), '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(cbor.constData()));
        stream.avail_in = uInt(cbor.size());
        stream.next_out = reinterpret_cast<Bytef*>(packed.data());
        stream.avail_out = uInt(packed.size());
        deflate(&stream, Z_FINISH);
        packed.truncate(qsizetype(stream.total_out));
        deflateEnd(&stream);
        return "rotagraph:" + ("z" + packed).toBase64(QByteArray::Base64UrlEncoding);
    }

    void refusesDamagedDesignCodes_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("error");
        const QString damaged = "The design code is damaged or cut short.";
        const QByteArray whole = designCode(designToJson(composed()), designToJson(Design())).toUtf8();
        QTest::addRow("nothing after the prefix") << QByteArray("rotagraph:") << damaged;
        QTest::addRow("not Base64") << QByteArray("rotagraph:#!*") << damaged;
        QTest::addRow("cut short") << whole.first(whole.size() / 2) << damaged;
        QTest::addRow("of an unknown kind") << "rotagraph:" + QByteArray("x123").toBase64(QByteArray::Base64UrlEncoding) << damaged;
        QTest::addRow("a key number unknown")
            << "rotagraph:" + ("p" + QCborValue(QCborMap{{999, 1}}).toCbor()).toBase64(QByteArray::Base64UrlEncoding) << damaged;
        QTest::addRow("a design value out of range, told as a file's")
            << "rotagraph:" + ("p" + QCborValue(QCborMap{{5, QCborArray{QCborMap{{28, 5000}}}}}).toCbor())
                                     .toBase64(QByteArray::Base64UrlEncoding)
            << "Curve 1: the gradient’s repeat count is not a whole number from 1 to 1000.";
        // CBOR by hand: a1 a map of one pair, 05 the key of the curves, a0 an empty map (a
        // curve of defaults), 9a a list whose length follows in four bytes, 9f … ff a list
        // that ends where it says so.
        const QByteArray curves = "\xa1\x05";
        QTest::addRow("a million curves, packed into a kilobyte")
            << packedCode(curves + "\x9a\x00\x0f\x42\x40" + QByteArray(1'000'000, '\xa0'))
            << "The design code holds more than 64 curves.";
        QTest::addRow("65 curves in an open-ended list")
            << plainCode(curves + "\x9f" + QByteArray(65, '\xa0') + "\xff") << "The design code holds more than 64 curves.";
        QTest::addRow("a list claiming four billion curves")
            << plainCode(curves + "\x9a\xff\xff\xff\xff\xa0") << "The design code holds more than 64 curves.";
        QTest::addRow("a byte after its end") << plainCode(curves + "\x81\xa0" + '\0') << damaged;
        // 20: the key -1, which names nothing; 98 41: a list of 65.
        QTest::addRow("65 of something under a key no design has")
            << plainCode("\xa1\x20\x98\x41" + QByteArray(65, '\xa0')) << damaged;
        QTest::addRow("packed bytes after the packed end") << packedCode(curves + "\x81\xa0") + "AA" << damaged;
        QTest::addRow("a name of 70,000 bytes")
            << plainCode(curves + "\x81\xa1\x06\x7a\x00\x01\x11\x70" + QByteArray(70'000, 'x'))
            << "The design code holds a text longer than any design has.";
        // Sixteen levels in all: the design's map, and fifteen lists in it, each holding the next;
        // under key number 999, which no design has.
        QTest::addRow("lists in lists, sixteen levels deep, under a key unknown")
            << plainCode("\xa1\x19\x03\xe7" + QByteArray(15, '\x81') + '\0') << damaged;
        QTest::addRow("lists in lists, seventeen levels deep")
            << plainCode("\xa1\x61x" + QByteArray(16, '\x81') + '\0')
            << "The design code holds lists nested deeper than any design has.";
        QTest::addRow("two megabytes packed") << packedCode("\xa1\x61x\x5a\x00\x20\x00\x00" + QByteArray(2 << 20, 'x'))
                                               << "The design code unpacks to more than 1 MiB.";
    }

    void refusesDamagedDesignCodes()
    {
        QFETCH(QByteArray, code);
        QFETCH(QString, error);
        const DesignReadResult read = readDesign(code);
        QVERIFY(!read.design);
        QCOMPARE(read.error, error);
    }

    void refusesBadInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("details");   // a part of the details; empty: none
        const QByteArray whole = designToJson(Design());
        QTest::addRow("empty") << QByteArray(" \n") << "It is not a design file: it is empty." << "";
        QTest::addRow("not JSON") << QByteArray("PK\3\4") << "It is not a design file: it is not JSON."
                                  << "stopped at byte 1: illegal value";
        QTest::addRow("not JSON after blanks") << QByteArray(" \r\n\t160, 72") << "It is not a design file: it is not JSON."
                                               << "byte 5";
        QTest::addRow("damaged JSON") << designFile(R"("fill": true,, "grease": true)")
                                      << "It is not a design file: its JSON is damaged." << "byte";
        const qsizetype cut = whole.indexOf("\"drawSpeed\"");
        QTest::addRow("cut short") << whole.left(cut) << "It is not a design file: its JSON ends too early."
                                   << QString("byte %1").arg(cut);
        QTest::addRow("an array") << QByteArray("[1]") << "It is not a design file: it holds no JSON object." << "";
        QTest::addRow("JSON of another kind") << QByteArray(R"({"anchorRadius": "160"})")
                                              << "It is not a design file: it is JSON of another kind." << "";
        QTest::addRow("newer major version") << QByteArray(R"({"format": "rotagraph-design", "version": 3, "curves": [{}]})")
                                             << "It was made by a newer version of Rotagraph (format 3) that this one "
                                                "cannot read." << "";
        QTest::addRow("newer major version, whatever its minor")
            << QByteArray(R"({"format": "rotagraph-design", "version": 3, "minorVersion": 0.5})")
            << "It was made by a newer version of Rotagraph (format 3) that this one cannot read." << "";
        QTest::addRow("minor version as text") << compositionFile("{}", R"("minorVersion": "1")")
                                               << "The minor format version is not a number." << "";
        QTest::addRow("minor version with a fraction") << compositionFile("{}", R"("minorVersion": 1.5)")
                                                       << "Its minor format version, 1.5, is not a whole number." << "";
        QTest::addRow("minor version below 0") << compositionFile("{}", R"("minorVersion": -1)")
                                               << "Its minor format version, -1, is unknown." << "";
        QTest::addRow("minor version beyond a double") << compositionFile("{}", R"("minorVersion": 1e999)")
                                                       << "The minor format version is not a finite number." << "byte";
        QTest::addRow("version with a fraction") << QByteArray(R"({"format": "rotagraph-design", "version": 1.5})")
                                                 << "Its format version, 1.5, is not a whole number." << "";
        QTest::addRow("version just below") << QByteArray(R"({"format": "rotagraph-design", "version": 0.999999999})")
                                            << "Its format version, 0.999999999, is not a whole number." << "";
        QTest::addRow("unknown version") << QByteArray(R"({"format": "rotagraph-design", "version": 0})")
                                         << "Its format version, 0, is unknown." << "";
        QTest::addRow("version as text") << QByteArray(R"({"format": "rotagraph-design", "version": "1"})")
                                         << "The format version is not a number." << "";
        QTest::addRow("no design value") << designFile(R"("comment": "empty")") << "It holds none of a design’s values."
                                         << "";
        QTest::addRow("pen width as text") << designFile(R"("penWidth": "1")") << "The pen width is not a number." << "";
        QTest::addRow("pen width beyond a double") << designFile(R"("fill": true, "penWidth": 1e999)")
                                                   << "The pen width is not a finite number." << "byte";
        QTest::addRow("anchor radius NaN") << designFile(R"("anchorRadius":NaN)")
                                           << "The anchor radius is not a finite number." << "byte";
        QTest::addRow("typed field as a list") << designFile(R"("revolutions": [9])")
                                               << "The number of revolutions is neither text nor a number." << "";
        QTest::addRow("typed field beyond a line edit")
            << designFile("\"penHoleRadius\": \"" + QByteArray(kMaximumTypedLength + 1, '5') + '"')
            << "The pen hole is longer than its field can hold." << "";
        QTest::addRow("switch as a number") << designFile(R"("fill": 1)") << "The setting “Fill” is neither on nor off."
                                            << "";
        QTest::addRow("colour that does not parse") << designFile("\"fillColor\": \"#12345\"")
                                                    << "The fill colour is not a colour." << "";
        QTest::addRow("copies, a fraction") << compositionFile(R"({"copies": 2.5})")
                                            << "Curve 1: the number of copies is not a whole number." << "";
        QTest::addRow("a copy's scale as text") << compositionFile(R"({}, {"copyScale": "2"})")
                                                << "Curve 2: the scale of each copy is not a number." << "";
        QTest::addRow("a background that does not parse") << compositionFile("{}", "\"background\": \"#12345\"")
                                                          << "The background is not a colour." << "";
        QTest::addRow("colours in use, a fraction") << designFile(R"("colorsInUse": 2.5)")
                                                    << "The number of colours in use is not a whole number." << "";
        QTest::addRow("runner side unknown") << designFile(R"("runnerSide": "left")")
                                             << "The runner side is neither “inside” nor “outside”." << "";
        QTest::addRow("larger than a design file") << whole + QByteArray(kMaximumDesignFileSize, ' ')
                                                   << "It is too large for a design file (over 1 MiB)." << "";

        QTest::addRow("first version with a list of curves") << designFile(R"("fill": true, "curves": [{}])")
            << "It mixes versions of the format: a file of version 1 holds no list of curves." << "";
        QTest::addRow("no curves") << QByteArray(R"({"format": "rotagraph-design", "version": 2, "drawSpeed": 5})")
                                   << "It holds no curves." << "";
        QTest::addRow("an empty list of curves") << compositionFile("") << "It holds no curves." << "";
        QTest::addRow("curves that are no list") << QByteArray(R"({"format": "rotagraph-design", "version": 2, "curves": {}})")
                                                 << "Its curves are not a list." << "";
        QTest::addRow("one curve too many") << compositionFile(emptyCurves(Design::kMaximumCurves + 1))
                                            << "It holds 65 curves; a design holds at most 64." << "";
        QTest::addRow("a curve that is no object") << compositionFile(R"({}, {}, "Curve 3")")
                                                   << "Curve 3 is not a JSON object." << "";
        QTest::addRow("a window value in a composition") << compositionFile("{}", R"("drawSpeed": "fast")")
                                                         << "The slow-drawing speed is not a number." << "";
        QTest::addRow("typed field as a list, in a curve") << compositionFile(R"({}, {}, {"anchorRadius": [160]})")
                                                           << "Curve 3: the anchor radius is neither text nor a number." << "";
        QTest::addRow("typed field beyond a line edit, in a curve")
            << compositionFile("{\"revolutions\": \"" + QByteArray(kMaximumTypedLength + 1, '9') + "\"}")
            << "Curve 1: the number of revolutions is longer than its field can hold." << "";
        QTest::addRow("colour, in a curve") << compositionFile(R"({}, {"pen2Color": 255})")
                                            << "Curve 2: the second colour is not a colour." << "";
        QTest::addRow("switch, in a curve") << compositionFile(R"({}, {"grease": "yes"})")
                                            << "Curve 2: the setting “Grease the wheels” is neither on nor off." << "";
        QTest::addRow("visible as a number") << compositionFile(R"({"visible": 0})")
                                             << "Curve 1: the setting “Visible” is neither on nor off." << "";
        QTest::addRow("colours in use, in a curve") << compositionFile(R"({}, {"colorsInUse": "2"})")
                                                    << "Curve 2: the number of colours in use is not a whole number." << "";
        QTest::addRow("runner side, in a curve") << compositionFile(R"({}, {"runnerSide": "Inside"})")
                                                 << "Curve 2: the runner side is neither “inside” nor “outside”." << "";
        QTest::addRow("pen width, in a curve") << compositionFile(R"({}, {"penWidth": true})")
                                               << "Curve 2: the pen width is not a number." << "";
        QTest::addRow("turn as text") << compositionFile(R"({}, {"turn": "90"})") << "Curve 2: the turn is not a number."
                                      << "";
        QTest::addRow("turn beyond a double") << compositionFile(R"({}, {"name": "a, b"}, {"fill": true, "turn": 1e400})")
                                              << "Curve 3: the turn is not a finite number." << "byte";
        QTest::addRow("turn an infinity, its key spelt with escapes")
            << compositionFile(R"({"\u0074urn": -Infinity})") << "Curve 1: the turn is not a finite number." << "byte";
        QTest::addRow("anchor radius beyond a double, in a curve after others with lists")
            << compositionFile(R"({"k": [[1, 2], {"a": 3}]}, {"anchorRadius": 1e999})")
            << "Curve 2: the anchor radius is not a finite number." << "byte";
        QTest::addRow("a number beyond a double in a kept key") << compositionFile(R"({"turns": [1e999]})")
                                                                << "It is not a design file: its JSON is damaged." << "byte";
        QTest::addRow("a curve's key beyond a double at the top of a composition")
            << compositionFile("{}", R"("layers": {"turn": 1e999})")
            << "It is not a design file: its JSON is damaged." << "byte";
        QTest::addRow("name as a number") << compositionFile(R"({}, {"name": 2})") << "Curve 2: the name is not text." << "";
        QTest::addRow("name one character too long")
            << compositionFile("{\"name\": \"" + QByteArray(kMaximumCurveNameLength + 1, 'n') + "\"}")
            << "Curve 1: the name is longer than 200 characters." << "";
        QTest::addRow("a colour mode unknown") << compositionFile(R"({}, {"colorMode": "rainbow"})")
            << "Curve 2: the colour mode is none of “stretches”, “gradient” and “perRevolution”." << "";
        QTest::addRow("one stop") << compositionFile(R"({"gradientStops": [{"position": 0, "color": "red"}]})")
                                  << "Curve 1: the gradient has 1 stops; it holds 2 to 8." << "";
        QTest::addRow("nine stops") << compositionFile("{\"gradientStops\": [" + stopsAt(9) + "]}")
                                    << "Curve 1: the gradient has 9 stops; it holds 2 to 8." << "";
        QTest::addRow("stops that are no list") << compositionFile(R"({"gradientStops": {}})")
                                                << "Curve 1: the gradient’s stops are not a list." << "";
        QTest::addRow("a stop beyond the end")
            << compositionFile(R"({}, {"gradientStops": [{"position": 0, "color": "red"}, {"position": 1.5, "color": "red"}]})")
            << "Curve 2: stop 2 of the gradient is not at a position from 0 to 1." << "";
        QTest::addRow("a stop with no position") << compositionFile(R"({"gradientStops": [{"color": "red"}, {"position": 1, "color": "red"}]})")
                                                 << "Curve 1: stop 1 of the gradient is not at a position from 0 to 1." << "";
        QTest::addRow("a stop's position beyond a double")
            << compositionFile(R"({}, {"gradientStops": [{"position": 0, "color": "red"}, {"position": 1e999, "color": "red"}]})")
            << "Curve 2: stop 2 of the gradient is not at a position from 0 to 1." << "byte";
        QTest::addRow("a stop that is no object") << compositionFile(R"({"gradientStops": [0, 1]})")
                                                  << "Curve 1: stop 1 of the gradient is not at a position from 0 to 1." << "";
        QTest::addRow("a stop without a colour") << compositionFile(R"({"gradientStops": [{"position": 0}, {"position": 1, "color": "red"}]})")
                                                 << "Curve 1: stop 1 of the gradient has no colour." << "";
        QTest::addRow("repeat a fraction") << compositionFile(R"({"gradientRepeat": 2.5})")
                                           << "Curve 1: the gradient’s repeat count is not a whole number from 1 to 1000." << "";
        QTest::addRow("repeat beyond its range") << compositionFile(R"({}, {}, {"gradientRepeat": 1001})")
                                                 << "Curve 3: the gradient’s repeat count is not a whole number from 1 to 1000." << "";
        QTest::addRow("repeat none") << compositionFile(R"({"gradientRepeat": 0})")
                                     << "Curve 1: the gradient’s repeat count is not a whole number from 1 to 1000." << "";
        QTest::addRow("sizes of another kind") << compositionFile(R"({"wheelSizes": "inches"})")
                                               << "Curve 1: the wheel sizes are neither “radii” nor “teeth”." << "";
        QTest::addRow("five wheels") << compositionFile(R"({"nestedWheels": [{"radius": "1", "side": "inside"}, {"radius": "1", "side": "inside"}, {"radius": "1", "side": "inside"}]})")
                                     << "Curve 1: it has 5 wheels; a curve has at most 4." << "";
        QTest::addRow("wheels that are no list") << compositionFile(R"({}, {"nestedWheels": {"radius": "1"}})")
                                                 << "Curve 2: the nested wheels are not a list." << "";
        QTest::addRow("a wheel without a radius") << compositionFile(R"({"nestedWheels": [{"side": "inside"}]})")
                                                  << "Curve 1: wheel 3 has no radius." << "";
        QTest::addRow("a wheel on no side") << compositionFile(R"({"nestedWheels": [{"radius": 20, "side": "under"}]})")
                                            << "Curve 1: wheel 3 rolls neither “inside” nor “outside”." << "";
        QTest::addRow("mirror as text") << compositionFile(R"({"gradientMirror": "on"})")
                                        << "Curve 1: the setting “Mirror” is neither on nor off." << "";
        QTest::addRow("ink opacity as text") << compositionFile(R"({"inkOpacity": "50%"})")
                                             << "Curve 1: the ink opacity is not a number." << "";
        QTest::addRow("the first fault of several") << compositionFile(R"({}, {"fill": 1}, {"grease": 1})", R"("drawSpeed": 1)")
                                                    << "Curve 2: the setting “Fill” is neither on nor off." << "";
    }

    // The message names the fault in a user's words; where the JSON breaks goes to the details.
    void refusesBadInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QFETCH(QString, details);
        const DesignReadResult read = readDesign(bytes);
        QVERIFY(!read.design);
        QCOMPARE(read.error, error);
        QVERIFY2(details.isEmpty() ? read.details.isEmpty() : read.details.contains(details), qPrintable(read.details));
    }

    void opensFiles_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("error");   // empty: opens as `designed` below
        const QByteArray json = designToJson(composed());
        const QByteArray padding(kMaximumDesignFileSize - json.size(), ' ');
        const QByteArray largest = json + padding;
        QTest::addRow("design file") << json << QString();
        QTest::addRow("design file of the largest size") << largest << QString();
        QTest::addRow("design file a byte larger") << largest + ' ' << "It is too large for a design file (over 1 MiB).";

        QTest::addRow("exported image") << pngCarrying(json) << QString();
        QTest::addRow("design after the pixels") << png({}, {iTXt(json, true)}) << QString();
        QTest::addRow("plain text, UTF-8 as tools write it") << png({tEXt(json)}) << QString();
        QTest::addRow("zTXt") << png({zTXt(json)}) << QString();
        QTest::addRow("iTXt unpacked") << png({iTXt(json, false)}) << QString();
        QTest::addRow("design text of the largest size") << png({zTXt(largest)}) << QString();
        QTest::addRow("after other texts, a thousand and one")
            << png({QList<QByteArray>(1001, tEXt("x", "Comment\0"_qba)).join() + tEXt(json)}) << QString();
        QTest::addRow("after a damaged text of another key")
            << png({damaged(tEXt("x", "Comment\0"_qba)), iTXt(json, true)}) << QString();
        QTest::addRow("cut short after its design") << pngCarrying(json).chopped(30) << QString();

        QTest::addRow("image without a design") << pngCarrying({}) << "This image holds no Rotagraph design.";
        QTest::addRow("cut short before a design") << pngCarrying(json).left(40) << "This image is cut short.";
        QTest::addRow("a chunk longer than the file")
            << png({chunk("tEXt", kKey + json).left(kChunkFraming + 100)}) << "This image is cut short.";
        QTest::addRow("a chunk of 2 GiB") << png({}).left(33) + QByteArray::fromHex("80000000") + "IDAT" + QByteArray(145, 'x')
                                          << "This image is damaged: a chunk in it claims a length that no PNG may have.";
        const QByteArray other = chunk("teSt", {});
        QTest::addRow("design as the last chunk looked at")
            << pngOf(QList<QByteArray>(kMostChunks - 1, other) << tEXt(json)) << QString();
        QTest::addRow("design after too many chunks") << pngOf(QList<QByteArray>(kMostChunks, other) << tEXt(json))
                                                      << "This image has too many chunks (over 100,000) to look through for a design.";
        QTest::addRow("design as the last bytes of the file") << png({}).chopped(kChunkFraming) + tEXt(json) << QString();
        QTest::addRow("after a text of another key too long to be a design")
            << png({tEXt(largest + largest, "Comment\0"_qba), zTXt(json)}) << QString();
        QTest::addRow("a chunk of the longest length") << png({}).left(33) + QByteArray::fromHex("7fffffff") + "IDAT"
                                                       << "This image is cut short.";
        QTest::addRow("damaged design") << png({damaged(iTXt(json, true))}) << "Its design text is damaged (checksum mismatch).";
        QTest::addRow("damaged text of another key, no design") << png({damaged(tEXt("x", "Comment\0"_qba))})
            << "A text chunk in it is damaged (checksum mismatch), and no other holds a design.";
        QTest::addRow("packed beyond the limit") << png({zTXt(largest + ' ')})
                                                 << "Its design text is larger than 1 MiB when unpacked.";
        QTest::addRow("beyond the limit") << png({tEXt(largest + ' ')}) << "Its design text is larger than 1 MiB.";
        QTest::addRow("too long to be a design chunk") << png({tEXt(largest + largest + ' ')})
                                                       << "Its design text is larger than 1 MiB.";
        QTest::addRow("packed design too long to be one") << png({chunk("zTXt", kKey + '\0' + largest + largest)})
                                                          << "Its design text is larger than 1 MiB when unpacked.";
        QTest::addRow("packed text that does not unpack") << png({chunk("zTXt", kKey + '\0' + packed(json).left(40))})
                                                          << "Its design text is damaged (it cannot be unpacked).";
        QTest::addRow("packed by an unknown method") << png({chunk("zTXt", kKey + '\1' + packed(json))})
                                                     << "Its design text is damaged (its chunk is malformed).";
        QTest::addRow("international text packed by an unknown method")
            << png({chunk("iTXt", kKey + "\1\1"_qba + "en\0\0"_qba + packed(json))})
            << "Its design text is damaged (its chunk is malformed).";
        QTest::addRow("empty design text") << png({tEXt("")}) << "Its design text is empty.";
        QTest::addRow("image with a newer design") << pngCarrying(R"({"format": "rotagraph-design", "version": 9})")
                                                   << "It was made by a newer version of Rotagraph (format 9) that this "
                                                      "one cannot read.";
        QTest::addRow("image with text that is no design") << png({tEXt("160, 72, 53")})
                                                           << "Its design text is damaged: it is not JSON.";

        QTest::addRow("exported drawing") << svgCarrying(json) << QString();
        QTest::addRow("drawing cut short after its design") << svgCarrying(json, "<g><path d=\"M 1") << QString();
        QTest::addRow("drawing with its design moved to the end")
            << "<svg xmlns=\"http://www.w3.org/2000/svg\"><g><path d=\"M 0 0\"/></g><metadata id=\"other\"/>"
               "<metadata id=\"design\"><![CDATA[" + json + "]]></metadata></svg>" << QString();
        QTest::addRow("drawing with its design wrapped by a tool")
            << svgCarrying(json).replace("<metadata id=\"design\">", "<metadata id=\"design\"><text>")
                   .replace("</metadata>", "</text></metadata>") << QString();
        QTest::addRow("drawing with an empty design") << svgCarrying(" \n") << "Its design text is empty.";
        QTest::addRow("XML with no element") << QByteArray("  <!-- nothing -->")
                                             << "This drawing is damaged: its XML is malformed.";
        QTest::addRow("drawing without a design") << svgCarrying({}).replace("id=\"design\"", "id=\"other\"")
                                                  << "This drawing holds no Rotagraph design.";
        QTest::addRow("drawing damaged before its design") << "<svg><g></svg>" + svgCarrying(json)
                                                           << "This drawing is damaged: its XML is malformed.";
        QTest::addRow("XML of another kind") << QByteArray("\xef\xbb\xbf<?xml version=\"1.0\"?><html/>")
                                             << "It is XML, but neither a design file nor an SVG drawing.";
        QTest::addRow("drawing with too much design text") << svgCarrying(largest + ' ')
                                                           << "Its design text is larger than 1 MiB.";
        const QString drawing = QString::fromUtf8(svgCarrying(json)).replace("UTF-8", "UTF-16");
        QTest::addRow("drawing in UTF-16 with its mark")
            << QByteArray(QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom).encode(drawing))
            << QString();
        QTest::addRow("drawing in UTF-16 without a mark")
            << QByteArray(QStringEncoder(QStringConverter::Utf16BE).encode(drawing)) << QString();
        QTest::addRow("drawing after a mark and blank lines") << "\xef\xbb\xbf\n \n" + svgCarrying(json) << QString();
        QByteArray attributes;
        for (int i = 0; i < 100'000; ++i)
            attributes += " a" + QByteArray::number(i) + "=\"\"";
        QTest::addRow("drawing with 100,000 attributes") << svgCarrying(json).replace("<svg ", "<svg" + attributes + ' ')
                                                         << "This drawing has an element with more attributes (over 1000) "
                                                            "than any drawing has.";
        QTest::addRow("a quote in a comment, then 100,000 attributes")
            << svgCarrying(json).replace("<svg ", "<!-- don't -->\n<!DOCTYPE svg [<!-- ' -->]>\n<svg" + attributes + ' ')
            << "This drawing has an element with more attributes (over 1000) than any drawing has.";
        QTest::addRow("2000 equals signs in a comment, CDATA and a value")
            << svgCarrying(json).replace("<title>", "<!-- " + QByteArray(2000, '=') + " --><![CDATA[" + QByteArray(2000, '=')
                                                        + "]]><g id=\"" + QByteArray(2000, '=') + "\"/><title>")
            << QString();
        QTest::addRow("drawing nested 300 deep") << svgCarrying(json).replace("<title>", QByteArray(300 * 3, 'g').replace("ggg", "<g>") + "<title>")
                                                 << "This drawing nests its elements deeper (over 256) than any drawing does.";
        QTest::addRow("drawing with an entity declared elsewhere")
            << svgCarrying(designToJson(changed([](Design& d) { d.curves[0].name = "&rose;"; })))
                   .replace("&amp;rose;", "&rose;")
                   .replace("<svg ", "<!DOCTYPE svg SYSTEM \"rose.dtd\">\n<svg ")
            << "Its design text holds “&rose;”, which the drawing does not say the meaning of.";
    }

    // Every file is named like a design: each kind is known by what it holds.
    void opensFiles()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString path = dir.filePath("spiral.rotagraph");
        QVERIFY(writeContents(path, contents));
        const DesignReadResult read = loadDesignFile(path);
        QCOMPARE(read.error, error);
        QCOMPARE(read.design.has_value(), error.isEmpty());
        if (read.design) {
            QCOMPARE(*read.design, composed());
            // Only a design file is one to save over.
            QCOMPARE(read.fromExport, !contents.startsWith('{'));
        }
    }

    // The particulars of a damaged export, for a report, say where the fault is and what it is.
    void detailsSayWhere_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("details");
        const QByteArray json = designToJson(composed());
        QTest::addRow("impossible length") << png({}).left(33) + QByteArray::fromHex("80000000") + "ID\1T"
                                           << "The “49 44 01 54” chunk at byte 33 claims 2147483648 bytes; a PNG chunk "
                                              "holds at most 2147483647.";
        QTest::addRow("longer than the file") << png({}).left(33) + QByteArray::fromHex("00000100") + "IDAT"
                                              << "The “IDAT” chunk at byte 33 claims 256 bytes; 0 are left in the file.";
        QTest::addRow("ends before its end") << png({}).left(33) << "It ends at byte 33, before its end chunk.";
        QTest::addRow("checksum") << pngOf({damaged(tEXt("{}"))}) << "The “tEXt” chunk at byte 8 is stored with checksum";
        QTest::addRow("cannot be unpacked") << pngOf({chunk("zTXt", kKey + '\0' + packed(json).left(40))})
                                            << "The “zTXt” chunk at byte 8: the packed text ends too early.";
        QTest::addRow("damaged packing") << pngOf({chunk("zTXt", kKey + '\0' + "\x78\x9c\xff\xff"_qba)})
                                         << "The “zTXt” chunk at byte 8: invalid block type.";
        QTest::addRow("malformed XML") << QByteArray("<svg>\n<g></svg>") << "at line 2, column";
    }

    void detailsSayWhere()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, details);
        QBuffer buffer(&contents);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const DesignReadResult read = readDesignFrom(buffer);
        QVERIFY2(read.details.contains(details), qPrintable(read.details));
    }

    // A design in a Latin-1 text chunk, as PNG defines them, is read as Latin-1.
    void readsLatin1Text()
    {
        const Design design = changed([](Design& d) { d.curves[0].runnerRadius = "72.9 µm"; });
        QTemporaryDir dir;
        QVERIFY(writeContents(dir.filePath("latin.png"), png({tEXt(QString::fromUtf8(designToJson(design)).toLatin1())})));
        const DesignReadResult read = loadDesignFile(dir.filePath("latin.png"));
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, design);
    }

    // Chunks that hold no text are passed over unread, however large: an image larger than any
    // export, with its design behind a chunk of 200 MB, opens (sparse: it takes no disk).
    void skipsLargeChunks()
    {
        constexpr quint32 kLargeChunk = 200 << 20;
        QTemporaryDir dir;
        const QString path = dir.filePath("large.png");
        const QByteArray start = png({}).left(33);
        QByteArray header(4, '\0');
        qToBigEndian(kLargeChunk, header.data());
        QVERIFY(writeContents(path, start + header + "IDAT"));
        QVERIFY(QFile::resize(path, start.size() + kChunkFraming + kLargeChunk));
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        const QByteArray rest = iTXt(designToJson(composed()), true) + chunk("IEND", {});
        QCOMPARE(file.write(rest), rest.size());
        file.close();
        const DesignReadResult read = loadDesignFile(path);
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, composed());
    }

    void refusesWhatIsNoDesignFile_data()
    {
        QTest::addColumn<QString>("name");   // in a folder of the test's
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("asOrdinaryUser");
        QTest::addRow("missing") << "missing.rotagraph" << "There is no such file." << false;
        QTest::addRow("folder") << "folder" << "It is a folder, not a file." << false;
        // Opening a pipe would wait for a writer that never comes.
        QTest::addRow("pipe") << "pipe.rotagraph" << "It is not an ordinary file." << false;
        QTest::addRow("link loop") << "loop.rotagraph" << "It is a link that leads round in a loop." << false;
        QTest::addRow("link to nothing") << "dangling.rotagraph" << "It is a link to a file that is not there." << false;
        QTest::addRow("path through a file") << "plain.rotagraph/inner.rotagraph"
                                             << "Part of its path is a file, not a folder." << false;
        QTest::addRow("name too long") << QString(300, 'a') << "It could not be read (File name too long)." << false;
        QTest::addRow("folder that cannot be entered") << "locked/design.rotagraph"
                                                       << "The folder holding it cannot be entered (permission denied)." << true;
        QTest::addRow("file that may not be read") << "unreadable.rotagraph" << "It may not be read (permission denied)."
                                                   << true;
    }

    void refusesWhatIsNoDesignFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, error);
        QFETCH(bool, asOrdinaryUser);
        QTemporaryDir temporary;
        const QDir dir(temporary.path());
        const QByteArray json = designToJson(Design());
        const auto local = [&dir](const char* file) { return QFile::encodeName(dir.filePath(file)); };
        QVERIFY(dir.mkdir("folder"));
        QCOMPARE(mkfifo(local("pipe.rotagraph").constData(), S_IRUSR | S_IWUSR), 0);
        QCOMPARE(symlink("loop2.rotagraph", local("loop.rotagraph").constData()), 0);
        QCOMPARE(symlink("loop.rotagraph", local("loop2.rotagraph").constData()), 0);
        QCOMPARE(symlink("missing.rotagraph", local("dangling.rotagraph").constData()), 0);
        QVERIFY(writeContents(dir.filePath("plain.rotagraph"), json));
        QVERIFY(dir.mkdir("locked") && writeContents(dir.filePath("locked/design.rotagraph"), json));
        QVERIFY(writeContents(dir.filePath("unreadable.rotagraph"), json));
        QCOMPARE(chmod(local("locked").constData(), S_IRUSR | S_IWUSR), 0);
        QCOMPARE(chmod(local("unreadable.rotagraph").constData(), S_IWUSR), 0);
        QCOMPARE(chmod(local("").constData(), S_IRWXU | S_IRWXG | S_IRWXO), 0);   // open to the ordinary user
        DesignReadResult read;
        if (asOrdinaryUser) {
            const OrdinaryFileAccess ordinary;
            if (!ordinary.holds())
                QSKIP("Root's permissions cannot be set aside here, so nothing is denied to it.");
            read = loadDesignFile(dir.filePath(name));
        } else {
            read = loadDesignFile(dir.filePath(name));
        }
        QCOMPARE(chmod(local("locked").constData(), S_IRWXU), 0);   // so that the folder can be removed
        QCOMPARE(read.error, error);
    }

    // Any device reads as a file does: the fuzz target and the clipboard's images go this way.
    void readsFromAnyDevice_data()
    {
        QTest::addColumn<QByteArray>("contents");
        const QByteArray json = designToJson(composed());
        QTest::addRow("design") << json;
        QTest::addRow("image") << pngCarrying(json);
        QTest::addRow("drawing") << svgCarrying(json);
    }

    void readsFromAnyDevice()
    {
        QFETCH(QByteArray, contents);
        QBuffer buffer(&contents);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const DesignReadResult read = readDesignFrom(buffer);
        QVERIFY2(read.design, qPrintable(read.error));
        QCOMPARE(*read.design, composed());
    }

};

QTEST_GUILESS_MAIN(TestDesignFormat)
#include "tst_designformat.moc"
