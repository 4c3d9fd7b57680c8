// Vector export, end to end: the SVG is read back as XML and rendered by Qt's SVG renderer, the
// PDF by poppler (scripts/setup installs both), and each drawing is compared pixel by pixel with
// the PNG export of the same design at the same scale. The dialogs are the real ones.

#include "app/AppDelegate.h"
#include "art/CurveTrace.h"
#include "art/Rotagraph.h"
#include "output/ExportDialog.h"
#include "output/PngExport.h"
#include "output/Printing.h"
#include "output/VectorExport.h"
#include "output/VectorExportOptions.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cmath>

namespace {

// The drawings are compared at the PNG export's scale: its image of kEdge pixels is the
// vector drawing's square of kSizeMm, so kPixelsPerMm, and poppler rasterises at kDpi.
constexpr int kEdge = 1000;
constexpr double kSizeMm = 200;
constexpr double kMarginMm = 10;
constexpr double kPixelsPerMm = kEdge / kSizeMm;
constexpr int kDpi = 127;   // kPixelsPerMm × 25.4
constexpr int kPageEdge = kEdge + 2 * int(kMarginMm * kPixelsPerMm);
constexpr double kPointsPerMm = 72 / 25.4;
constexpr double kMinInkAgreement = 0.97;
constexpr double kMinColourAgreement = 0.99;
// Coordinates are written to the micrometre: a point may move half of one each way.
constexpr double kRounding = 0.0015;

const QColor kSecondPen(0, 102, 204);
const QColor kThirdPen(0, 153, 51);
const QString kDesignText = QStringLiteral("{\"note\": \"<a & b> \\\"c\\\"\", \"name\": \"Spirale \u00E9t\u00E9 \U0001F300\"}");

struct Design {
    float anchorRadius = 160;
    float runnerRadius = 72;
    float penHoleRadius = 53;
    float rotations = 9;
    float penWidth = 3;   // pixels of the PNG export
    int32_t colors = 1;
    bool closeCurve = false;
    bool fillShape = false;
    bool greaseIt = false;
    QColor secondPen = kSecondPen;
};

void setDesign(Rotagraph& view, const Design& design)
{
    view.setAnchorRadius(design.anchorRadius);
    view.setRunnerRadius(design.runnerRadius);
    view.setPenHoleRadius(design.penHoleRadius);
    view.setRotationsToMake(design.rotations);
    view.setPenDrawSize(design.penWidth);
    view.setPenColor(Qt::red);
    view.setPen2Color(design.secondPen);
    view.setPen3Color(kThirdPen);
    view.setNumberOfColors(design.colors);
    view.setCloseCurve(design.closeCurve);
    view.setFillShape(design.fillShape);
    view.setFillColor(Qt::yellow);
}

Design threeColoursFilled()
{
    Design design;
    design.runnerRadius = -72;
    design.colors = 3;
    design.closeCurve = true;
    design.fillShape = true;
    return design;
}

// Dense enough that neighbouring points lie closer than the tolerances tried.
Design dense()
{
    return Design{500, 3, 2, 2, 1};
}

VectorExportSettings settingsFor(const Design& design, const QString& target, double simplifyMm = 0)
{
    VectorExportSettings settings;
    settings.target = target;
    settings.sizeMm = kSizeMm;
    settings.marginMm = kMarginMm;
    settings.penWidthMm = design.penWidth / kPixelsPerMm;
    settings.simplifyToleranceMm = simplifyMm;
    settings.greaseIt = design.greaseIt;
    settings.title = QStringLiteral("Rotagram test");
    settings.designText = kDesignText;
    return settings;
}

using Attributes = QMap<QString, QString>;   // by qualified name

Attributes attributesOf(const QXmlStreamReader& xml)
{
    Attributes attributes;
    for (const QXmlStreamAttribute& attribute : xml.attributes())
        attributes.insert(attribute.qualifiedName().toString(), attribute.value().toString());
    return attributes;
}

struct SvgLayer {
    QString label;
    Attributes path;   // of its one path
    QList<QPointF> points;
    bool closed = false;
};

struct SvgDocument {
    Attributes root;
    QString title;
    QString metadata;
    QList<SvgLayer> layers;
};

void readPathData(const QString& data, SvgLayer& layer)
{
    static const QRegularExpression separators(QStringLiteral("[MLZ\\s]+"));
    const QStringList numbers = data.split(separators, Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < numbers.size(); i += 2)
        layer.points << QPointF(numbers[i].toDouble(), numbers[i + 1].toDouble());
    layer.closed = data.endsWith(u'Z');
}

void readSvg(const QString& fileName, SvgDocument& document)
{
    QXmlStreamReader xml(contentsOf(fileName));
    while (xml.readNextStartElement()) {
        if (xml.name() == u"svg") {
            document.root = attributesOf(xml);
            continue;   // into its children
        }
        if (xml.name() == u"title")
            document.title = xml.readElementText();
        else if (xml.name() == u"metadata")
            document.metadata = xml.readElementText();
        else if (xml.name() == u"g") {
            SvgLayer layer;
            const Attributes group = attributesOf(xml);
            layer.label = group.value(QStringLiteral("inkscape:label"));
            QCOMPARE(group.value(QStringLiteral("inkscape:groupmode")), QStringLiteral("layer"));
            while (xml.readNextStartElement()) {
                layer.path = attributesOf(xml);
                readPathData(layer.path.value(QStringLiteral("d")), layer);
                xml.skipCurrentElement();
            }
            document.layers << layer;
        } else {
            xml.skipCurrentElement();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

SvgDocument readSvg(const QString& fileName)
{
    SvgDocument document;
    readSvg(fileName, document);
    return document;
}

QList<std::size_t> tracedPointCounts(const Design& design)
{
    CurveParameters parameters;
    parameters.anchorRadius = design.anchorRadius;
    parameters.runnerRadius = design.runnerRadius;
    parameters.penHoleRadius = design.penHoleRadius;
    parameters.rotationsToMake = design.rotations;
    parameters.greaseIt = design.greaseIt;
    parameters.numberOfColors = design.colors;
    parameters.closeCurve = design.closeCurve;
    const TracedCurve curve = traceCurve(parameters);
    QList<std::size_t> counts;
    if (design.fillShape)
        counts << curve.fillPath.size();
    counts << curve.penPath.size();
    if (design.colors >= 2)
        counts << curve.pen2Path.size();
    if (design.colors >= 3)
        counts << curve.pen3Path.size();
    return counts;
}

// The PNG export of the design on white paper: what the vector drawing must show.
QImage expectedDrawing(const Design& design)
{
    Rotagraph art;
    setDesign(art, design);
    QImage image(kEdge, kEdge, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawImage(0, 0, renderExportImage(art, kEdge, true, design.greaseIt));
    return image;
}

QImage renderedSvg(const QString& fileName)
{
    QSvgRenderer renderer(fileName);
    QImage page(kPageEdge, kPageEdge, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, kPageEdge, kPageEdge));
    return page;
}

// A device that counts the lines drawn on it and rasterises nothing, as a PDF or a printer.
class LineCounter : public QPaintDevice
{
public:
    int polylines() const { return m_engine.polylines; }
    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        constexpr int kSide = 1000;
        constexpr int kPointsPerInch = 72;
        switch (metric) {
        case PdmWidth: case PdmHeight: return kSide;
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return kPointsPerInch;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        int polylines = 0;
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode mode) override { polylines += mode == PolylineMode ? 1 : 0; }
        Type type() const override { return User; }
    };
    mutable Engine m_engine;
};

struct Session {
    AppDelegate app;
    QTemporaryDir folder;

    Session()
    {
        app.applicationDidFinishLaunching();
        app.mainWindow()->show();
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    QFileDialog* openDialog(VectorFormat format)
    {
        return openVectorExportDialog(app.mainWindow(), app.artView(), app.wheelGrease(), format, kDesignText);
    }
};

QDoubleSpinBox* field(QFileDialog* dialog, const char* name)
{
    return dialog->findChild<QDoubleSpinBox*>(QLatin1String(name));
}

void confirm(QFileDialog* dialog, const QString& file)
{
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
    dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}

Q_DECLARE_METATYPE(Design)
Q_DECLARE_METATYPE(VectorFormat)

class TestVectorExport : public QObject
{
    Q_OBJECT

private slots:
    void init() { forgetVectorOptions(); }

    void svgDocument_data()
    {
        QTest::addColumn<Design>("design");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("secondOpacity");
        Design translucent;
        translucent.colors = 2;
        translucent.secondPen.setAlpha(128);
        Design uncoloured = translucent;
        uncoloured.secondPen = QColor();
        QTest::addRow("one pen") << Design() << QStringList{"1 pen #ff0000"} << QString();
        QTest::addRow("three pens, filled, closed")
            << threeColoursFilled() << QStringList{"0 fill", "1 pen #ff0000", "2 pen #0066cc", "3 pen #009933"}
            << QString();
        QTest::addRow("translucent second pen")
            << translucent << QStringList{"1 pen #ff0000", "2 pen #0066cc"} << "0.502";
        QTest::addRow("second pen without a colour") << uncoloured << QStringList{"1 pen #ff0000"} << QString();
    }

    void svgDocument()
    {
        QFETCH(Design, design);
        QFETCH(QStringList, labels);
        QFETCH(QString, secondOpacity);
        Rotagraph art;
        setDesign(art, design);
        const QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("art.svg"));
        QString error;
        QVERIFY2(exportVector(art, VectorFormat::Svg, settingsFor(design, file), &error), qPrintable(error));

        const SvgDocument svg = readSvg(file);
        QCOMPARE(svg.root.value(QStringLiteral("width")), QStringLiteral("220mm"));
        QCOMPARE(svg.root.value(QStringLiteral("height")), QStringLiteral("220mm"));
        QCOMPARE(svg.root.value(QStringLiteral("viewBox")), QStringLiteral("0 0 220 220"));
        QCOMPARE(svg.title, QStringLiteral("Rotagram test"));
        QCOMPARE(svg.metadata, kDesignText);
        QStringList shown;
        for (const SvgLayer& layer : svg.layers)
            shown << layer.label;
        QCOMPARE(shown, labels);
        for (const SvgLayer& layer : svg.layers) {
            if (layer.label == u"0 fill") {
                QCOMPARE(layer.path.value(QStringLiteral("fill")), QStringLiteral("#ffff00"));
                QCOMPARE(layer.path.value(QStringLiteral("fill-rule")), QStringLiteral("nonzero"));
                QCOMPARE(layer.path.value(QStringLiteral("stroke")), QStringLiteral("none"));
                QVERIFY(layer.closed);
                continue;
            }
            QCOMPARE(layer.path.value(QStringLiteral("fill")), QStringLiteral("none"));
            QCOMPARE(layer.path.value(QStringLiteral("stroke")), layer.label.section(u' ', 2));
            QCOMPARE(layer.path.value(QStringLiteral("stroke-width")), QStringLiteral("0.600"));
            QCOMPARE(layer.path.value(QStringLiteral("stroke-linecap")), QStringLiteral("butt"));
            QCOMPARE(layer.path.value(QStringLiteral("stroke-linejoin")), QStringLiteral("miter"));
            QCOMPARE(layer.path.value(QStringLiteral("stroke-miterlimit")), QStringLiteral("10"));
            QCOMPARE(layer.path.value(QStringLiteral("stroke-opacity")), layer.label.startsWith(u'2') ? secondOpacity : QString());
            QVERIFY(!layer.closed);
        }
        // Closed: the last pen returns to where the first began.
        if (design.closeCurve)
            QCOMPARE(svg.layers.last().points.last(), svg.layers[1].points.first());
    }

    // Every traced point is written, or, simplified, a point is left out only where it lies
    // within the tolerance of the last point kept, and each stretch keeps its ends.
    void svgPointsFollowTheTrace_data()
    {
        QTest::addColumn<Design>("design");
        QTest::addColumn<double>("simplifyMm");
        QTest::addRow("default design, every point") << Design() << 0.0;
        QTest::addRow("three pens, filled, every point") << threeColoursFilled() << 0.0;
        QTest::addRow("dense design, every point") << dense() << 0.0;
        QTest::addRow("dense design, 0.2 mm") << dense() << 0.2;
        QTest::addRow("three pens, filled, 5 mm") << threeColoursFilled() << 5.0;
    }

    void svgPointsFollowTheTrace()
    {
        QFETCH(Design, design);
        QFETCH(double, simplifyMm);
        Rotagraph art;
        setDesign(art, design);
        const QTemporaryDir folder;
        const QString whole = folder.filePath(QStringLiteral("whole.svg"));
        const QString simplified = folder.filePath(QStringLiteral("simplified.svg"));
        QString error;
        QVERIFY(exportVector(art, VectorFormat::Svg, settingsFor(design, whole), &error));
        QVERIFY(exportVector(art, VectorFormat::Svg, settingsFor(design, simplified, simplifyMm), &error));
        const QList<SvgLayer> all = readSvg(whole).layers;
        const QList<SvgLayer> kept = readSvg(simplified).layers;

        const QList<std::size_t> traced = tracedPointCounts(design);
        QCOMPARE(all.size(), traced.size());
        QCOMPARE(kept.size(), traced.size());
        for (qsizetype i = 0; i < traced.size(); ++i) {
            QCOMPARE(std::size_t(all[i].points.size()), traced[i]);
            const QList<QPointF>& points = all[i].points;
            const QList<QPointF>& subset = kept[i].points;
            QVERIFY(simplifyMm == 0 ? subset == points : subset.size() < points.size());
            QCOMPARE(subset.first(), points.first());
            QCOMPARE(subset.last(), points.last());
            qsizetype next = 0;
            QPointF lastKept;
            for (const QPointF& point : points) {
                if (next < subset.size() && point == subset[next]) {
                    lastKept = subset[next++];
                    continue;
                }
                QVERIFY2(QLineF(point, lastKept).length() < simplifyMm + kRounding,
                         qPrintable(QStringLiteral("(%1, %2) left out").arg(point.x()).arg(point.y())));
            }
            QCOMPARE(next, subset.size());
        }
    }

    // Rendered back to pixels, each format shows what the PNG export shows at the same scale.
    void drawingMatchesThePngExport_data()
    {
        QTest::addColumn<VectorFormat>("format");
        QTest::addColumn<Design>("design");
        Design greased;
        greased.greaseIt = true;
        Design twoWideOpen{120, 45, 60, 2.5f, 6, 2};   // not symmetric about either axis
        for (const VectorFormat format : {VectorFormat::Svg, VectorFormat::Pdf}) {
            const char* name = format == VectorFormat::Svg ? "SVG" : "PDF";
            QTest::addRow("%s, default design", name) << format << Design();
            QTest::addRow("%s, three pens, filled, closed, inside", name) << format << threeColoursFilled();
            QTest::addRow("%s, grease", name) << format << greased;
            QTest::addRow("%s, two wide pens, open curve", name) << format << twoWideOpen;
        }
    }

    void drawingMatchesThePngExport()
    {
        QFETCH(VectorFormat, format);
        QFETCH(Design, design);
        Rotagraph art;
        setDesign(art, design);
        const QTemporaryDir folder;
        const QString file = folder.filePath(format == VectorFormat::Svg ? QStringLiteral("art.svg") : QStringLiteral("art.pdf"));
        QString error;
        QVERIFY2(exportVector(art, format, settingsFor(design, file), &error), qPrintable(error));

        QImage page;
        if (format == VectorFormat::Svg) {
            page = renderedSvg(file);
        } else {
            // Qt's PDF writer makes pages of whole points.
            const double pagePoints = std::round((kSizeMm + 2 * kMarginMm) * kPointsPerMm);
            QString info;
            readPdfPage(file, QSizeF(pagePoints, pagePoints), kDpi, page, &info);
            if (QTest::currentTestFailed())
                return;
            QVERIFY2(info.contains(QStringLiteral("Title:           Rotagram test")), qPrintable(info));
        }
        QVERIFY2(std::abs(page.width() - kPageEdge) <= 1 && page.height() == page.width(),
                 qPrintable(QStringLiteral("%1 × %2 pixels").arg(page.width()).arg(page.height())));
        const int margin = (page.width() - kEdge) / 2;
        const QImage drawing = page.copy(margin, margin, kEdge, kEdge);
        const InkAgreement match = inkAgreement(drawing, expectedDrawing(design), 0);
        QVERIFY2(match.actualNearExpected >= kMinInkAgreement && match.expectedNearActual >= kMinInkAgreement,
                 qPrintable(QStringLiteral("ink agreement %1 / %2").arg(match.actualNearExpected).arg(match.expectedNearActual)));
        QVERIFY2(match.colour >= kMinColourAgreement, qPrintable(QStringLiteral("colour agreement %1").arg(match.colour)));
        // The margin stays blank paper.
        QImage blank(page.width(), margin, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QCOMPARE(page.copy(0, 0, page.width(), margin), blank);
    }

    // A wide opaque pen is stroked on screen in short runs that overlap by a segment; on a
    // device that does not rasterise, which a plotter may take its lines from, each pen is one line.
    void vectorDevicesGetEachPenAsOneLine()
    {
        Rotagraph art;
        setDesign(art, threeColoursFilled());
        const std::unique_ptr<Rotagraph> view = makeExportView(art, true, false);
        view->resize(kEdge, kEdge);
        LineCounter device;
        QPainter painter(&device);
        paintAsVectors(*view, painter);
        painter.end();
        QCOMPARE(device.polylines(), 3);
    }

    void invalidSettingsAreRefused_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<double>("value");
        QTest::addRow("size 0") << "sizeMm" << 0.0;
        QTest::addRow("size not a number") << "sizeMm" << qQNaN();
        QTest::addRow("negative margin") << "marginMm" << -1.0;
        QTest::addRow("page too large") << "marginMm" << 3000.0;
        QTest::addRow("pen width 0") << "penWidthMm" << 0.0;
        QTest::addRow("infinite tolerance") << "simplifyToleranceMm" << qInf();
    }

    void invalidSettingsAreRefused()
    {
        QFETCH(QString, setting);
        QFETCH(double, value);
        Rotagraph art;
        setDesign(art, Design());
        const QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("art.svg"));
        VectorExportSettings settings = settingsFor(Design(), file);
        double* const fields[] = {&settings.sizeMm, &settings.marginMm, &settings.penWidthMm, &settings.simplifyToleranceMm};
        const QStringList names{"sizeMm", "marginMm", "penWidthMm", "simplifyToleranceMm"};
        *fields[names.indexOf(setting)] = value;
        for (const VectorFormat format : {VectorFormat::Svg, VectorFormat::Pdf}) {
            QString error;
            QVERIFY(!exportVector(art, format, settings, &error));
            QVERIFY(!error.isEmpty());
            QVERIFY(!QFileInfo::exists(file));
        }
    }

    // The dialog opens with the defaults and the design's pen width on paper; what the user
    // confirms is written as exportVector writes it, with the grease of the checkbox; the next
    // export opens with the same choices, the pen width following a changed design.
    void exportThroughTheDialog_data()
    {
        QTest::addColumn<VectorFormat>("format");
        QTest::addRow("SVG") << VectorFormat::Svg;
        QTest::addRow("PDF") << VectorFormat::Pdf;
    }

    void exportThroughTheDialog()
    {
        QFETCH(VectorFormat, format);
        const QString extension = format == VectorFormat::Svg ? QStringLiteral("svg") : QStringLiteral("pdf");
        Session s;
        Rotagraph& art = *s.app.artView();
        art.setPenDrawSize(2);
        art.setGreaseIt(false);
        s.app.wheelGrease()->setChecked(true);

        QFileDialog* dialog = s.openDialog(format);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
                 QStringLiteral("Rotagram 160a\u2022o72r\u202253p\u00D79.") + extension);
        QCOMPARE(field(dialog, "drawingSize")->value(), 200.0);
        QCOMPARE(field(dialog, "pageMargin")->value(), 10.0);
        QCOMPARE(field(dialog, "penWidth")->value(), 0.706);   // 2 points
        QCOMPARE(field(dialog, "simplifyTolerance")->value(), 0.05);
        // The PDF is the view's own drawing, every point of it.
        QCOMPARE(field(dialog, "simplifyTolerance")->isVisibleTo(dialog), format == VectorFormat::Svg);
        field(dialog, "drawingSize")->setValue(150);
        field(dialog, "pageMargin")->setValue(5);
        field(dialog, "penWidth")->setValue(0.3);
        confirm(dialog, s.path(QStringLiteral("art")));

        const QString written = s.path(QStringLiteral("art.") + extension);
        VectorExportSettings expected;
        expected.target = s.path(QStringLiteral("expected.") + extension);
        expected.sizeMm = 150;
        expected.marginMm = 5;
        expected.penWidthMm = 0.3;
        expected.greaseIt = true;
        expected.title = QStringLiteral("Rotagram 160a\u2022o72r\u202253p\u00D79.") + extension;
        expected.designText = kDesignText;
        QString error;
        QVERIFY(exportVector(art, format, expected, &error));
        if (format == VectorFormat::Svg) {
            QCOMPARE(contentsOf(written), contentsOf(expected.target));
        } else {
            // A PDF holds the time it was made: the pages are compared instead.
            const double pagePoints = std::round(160 * kPointsPerMm);
            QImage page, expectedPage;
            QString info;
            readPdfPage(written, QSizeF(pagePoints, pagePoints), kDpi, page, &info);
            readPdfPage(expected.target, QSizeF(pagePoints, pagePoints), kDpi, expectedPage);
            QVERIFY(!QTest::currentTestFailed());
            QVERIFY2(info.contains(expected.title), qPrintable(info));
            QCOMPARE(page, expectedPage);
        }

        art.setPenDrawSize(4);
        dialog = s.openDialog(format);
        QCOMPARE(field(dialog, "drawingSize")->value(), 150.0);
        QCOMPARE(field(dialog, "pageMargin")->value(), 5.0);
        QCOMPARE(field(dialog, "penWidth")->value(), 1.411);   // the design's 4 points now
        dialog->reject();
    }

    // A write that fails part way, in the first chunk or a later one, leaves the file that was
    // there as it was, and says why.
    void failedWriteKeepsTheExistingFile_data()
    {
        QTest::addColumn<VectorFormat>("format");
        QTest::addColumn<int>("limit");   // bytes the process may write to a file
        QTest::addRow("SVG, first chunk") << VectorFormat::Svg << 100;
        QTest::addRow("SVG, later chunk") << VectorFormat::Svg << 3'000'000;
        QTest::addRow("PDF") << VectorFormat::Pdf << 100;
    }

    void failedWriteKeepsTheExistingFile()
    {
        QFETCH(VectorFormat, format);
        QFETCH(int, limit);
        Rotagraph art;
        setDesign(art, Design{500, 3, 2, 60, 1});   // over 5 MB of SVG
        const QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("art"));
        const QByteArray earlier("an earlier export");
        QVERIFY(writeContents(file, earlier));
        QString error;
        {
            const WriteLimit writeLimit{static_cast<rlim_t>(limit)};
            QVERIFY(!exportVector(art, format, settingsFor(Design(), file), &error));
        }
        QVERIFY2(error.contains(QStringLiteral("File too large")), qPrintable(error));
        QCOMPARE(contentsOf(file), earlier);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("art")});
    }

    void unwritableLocationIsReported()
    {
        Session s;
        const MessageBoxAnswerer answerer({QMessageBox::Ok});
        const QString target = s.path(QStringLiteral("missing/art.svg"));
        confirm(s.openDialog(VectorFormat::Svg), target);
        QCOMPARE(answerer.names, QStringList{QStringLiteral("exportFailure")});
        QVERIFY2(answerer.texts[0].contains(target), qPrintable(answerer.texts[0]));
        QVERIFY2(answerer.texts[0].contains(QStringLiteral("No such file or directory")), qPrintable(answerer.texts[0]));
    }
};

QTEST_MAIN(TestVectorExport)
#include "tst_vectorexport.moc"
