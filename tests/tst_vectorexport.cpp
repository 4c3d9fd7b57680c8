// Vector export, end to end: the SVG is read back as XML and rendered by Qt's SVG renderer, the
// PDF by poppler, and each drawing is compared pixel by pixel with the PNG export of the same
// design at the same scale. The dialogs are the real ones.

#include "app/AppDelegate.h"
#include "art/CurveColouring.h"
#include "art/CurveTrace.h"
#include "art/DesignPainter.h"
#include "art/PenColourSteps.h"
#include "view/Rotagraph.h"
#include "output/ExportDialog.h"
#include "output/PlotCostEstimate.h"
#include "output/PlotDrawing.h"
#include "output/PngExport.h"
#include "output/Printing.h"
#include "output/VectorExport.h"
#include "output/VectorExportOptions.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cmath>
#include <optional>
#include <set>

namespace {

// The PNG export's image of kEdge pixels is the vector drawing's square of kSizeMm: poppler
// rasterises at kDpi to match.
constexpr int kEdge = 1000;
constexpr double kSizeMm = 200;
constexpr double kMarginMm = 10;
constexpr double kPixelsPerMm = kEdge / kSizeMm;
constexpr int kDpi = 127;   // kPixelsPerMm × 25.4
constexpr int kPageEdge = kEdge + 2 * int(kMarginMm * kPixelsPerMm);
constexpr double kMinInkAgreement = 0.97;
constexpr double kMinColourAgreement = 0.99;
constexpr double kRounding = 0.0015;   // mm: coordinates are written to the micrometre
const QString kDesignText = QStringLiteral("{\"note\": \"<a & b> \\\"c\\\"\", \"name\": \"\u00E9t\u00E9 \U0001F300\"}");

const DrawnDesign kThreePensFilled{160, -72, 53, 9, 3, 3, true, true};
const DrawnDesign kDense{500, 3, 2, 2, 1};   // points closer than the tolerances tried

// The design as the window hands it to an export dialog.
ShownDesign shownIn(const AppDelegate& app, const QString& text)
{
    return {app.artView()->composition(), app.artView()->selectedCurve(), isOn(app.wheelGrease()), text};
}

// A page of kSizeMm and its margins, where the drawing has the scale of the PNG export of kEdge
// pixels: that fits the bounding circle and half the pen into 2 / 2.05 of the edge.
VectorExportSettings settingsFor(const DrawnDesign& design, const QString& target, double simplifyMm = 0)
{
    VectorExportSettings settings;
    settings.target = target;
    PlotPage& page = settings.plot.page;
    page.paper = PaperSize::Custom;
    page.customSizeMm = QSizeF(kSizeMm + 2 * kMarginMm, kSizeMm + 2 * kMarginMm);
    page.marginMm = kMarginMm;
    page.drawingSizeMm = (2 * kEdge / 2.05 - design.penWidth) / kPixelsPerMm;
    settings.plot.penWidthMm = design.penWidth / kPixelsPerMm;
    settings.plot.simplifyToleranceMm = simplifyMm;
    settings.greaseIt = design.greaseIt;
    settings.title = QStringLiteral("Rotagram test");
    settings.designText = kDesignText;
    return settings;
}

// A gradient's colour steps each a path of its own, as vector editors take them.
VectorExportSettings everyStep(VectorExportSettings settings)
{
    settings.plot.everyColourStep = true;
    return settings;
}

void exportDesign(const DrawnDesign& design, VectorFormat format, const VectorExportSettings& settings)
{
    Rotagraph art;
    setDesign(art, design);
    QString error;
    QVERIFY2(exportVector(art.composition(), format, settings, &error), qPrintable(error));
}

ComposedCurve composedCurve(const DrawnDesign& design, const QString& name, double turn = 0, bool visible = true)
{
    Rotagraph art;
    setDesign(art, design);
    return ComposedCurve{art.parameters(), name, visible, turn, {}, 1};
}

using Attributes = QMap<QString, QString>;   // by qualified name

struct SvgLayer {
    QString label;
    Attributes path;                   // of its first path
    QList<QPointF> points;             // of all its paths, one after the other, joined
    QList<QList<QPointF>> elements;    // the points of each path element
    QList<QColor> strokes = {};        // of each path element, its opacity as alpha
    bool hidden = false;
    QStringList titles = {};           // of each path element: its curve's name, or empty
};

struct SvgDocument {
    Attributes root;
    QString title, metadata;
    QList<SvgLayer> layers;
};

Attributes attributesOf(const QXmlStreamReader& xml)
{
    Attributes attributes;
    for (const QXmlStreamAttribute& attribute : xml.attributes())
        attributes.insert(attribute.qualifiedName().toString(), attribute.value().toString());
    return attributes;
}

void readSvg(const QString& fileName, SvgDocument& svg)
{
    static const QRegularExpression separators(QStringLiteral("[MLZ\\s]+"));
    QXmlStreamReader xml(contentsOf(fileName));
    while (xml.readNextStartElement()) {
        if (xml.name() == u"svg") {
            svg.root = attributesOf(xml);
        } else if (xml.name() == u"title") {
            svg.title = xml.readElementText();
        } else if (xml.name() == u"metadata") {
            svg.metadata = xml.readElementText();
        } else if (xml.name() == u"g") {
            const Attributes group = attributesOf(xml);
            QCOMPARE(group.value(QStringLiteral("inkscape:groupmode")), QStringLiteral("layer"));
            SvgLayer layer{group.value(QStringLiteral("inkscape:label")), {}, {}, {}};
            layer.hidden = group.value(QStringLiteral("style")) == u"display:none";
            while (xml.readNextStartElement()) {
                const Attributes path = attributesOf(xml);
                if (layer.elements.isEmpty())
                    layer.path = path;
                const QStringList numbers = path.value(QStringLiteral("d")).split(separators, Qt::SkipEmptyParts);
                QList<QPointF> points;
                for (qsizetype i = 0; i + 1 < numbers.size(); i += 2)
                    points << QPointF(numbers[i].toDouble(), numbers[i + 1].toDouble());
                // A path element that takes up where the one before ended goes on with its line.
                const bool goesOn = !points.isEmpty() && !layer.points.isEmpty() && points.first() == layer.points.last();
                layer.points << (goesOn ? points.mid(1) : points);
                layer.elements << points;
                QColor stroke(path.value(QStringLiteral("stroke")));
                if (path.contains(QStringLiteral("stroke-opacity")))
                    stroke.setAlphaF(path.value(QStringLiteral("stroke-opacity")).toFloat());
                layer.strokes << stroke;
                QString title;
                while (xml.readNextStartElement())
                    if (xml.name() == u"title")
                        title = xml.readElementText();
                    else
                        xml.skipCurrentElement();
                layer.titles << title;
            }
            svg.layers << layer;
        } else {
            xml.skipCurrentElement();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

// The names of a PDF's layers, in the order its optional content groups are written.
QStringList pdfLayerNames(const QString& fileName)
{
    static const QRegularExpression group(QStringLiteral("/Type /OCG /Name <([0-9a-fA-F]+)>"));
    QStringList names;
    for (const QRegularExpressionMatch& match : group.globalMatch(QString::fromLatin1(contentsOf(fileName)))) {
        const QByteArray utf16 = QByteArray::fromHex(match.captured(1).toLatin1()).mid(2);   // after the byte order mark
        QString name;
        for (qsizetype i = 0; i + 1 < utf16.size(); i += 2)
            name += QChar(char16_t(uchar(utf16[i]) << 8 | uchar(utf16[i + 1])));
        names << name;
    }
    return names;
}

// How far from the page's centre a PDF's lines reach, in millimetres: its points put through the
// page's transform, as a reader draws them.
double pdfReachMm(const QString& fileName, const QSizeF& pageMm)
{
    static const QRegularExpression transform(QStringLiteral("q (\\S+) 0 0 (\\S+) 0 (\\S+) cm"));
    static const QRegularExpression point(QStringLiteral("(-?[\\d.]+) (-?[\\d.]+) [ml]\\b"));
    const QString content = QString::fromLatin1(contentsOf(fileName));
    const QRegularExpressionMatch cm = transform.match(content);
    const double scale = cm.captured(1).toDouble(), flip = cm.captured(2).toDouble(), top = cm.captured(3).toDouble();
    const QPointF centre = QPointF(pageMm.width(), pageMm.height()) / 2 / kMillimetresPerPoint;
    double reach = 0;
    for (const QRegularExpressionMatch& match : point.globalMatch(content, cm.capturedEnd())) {
        const QPointF onPage(scale * match.captured(1).toDouble(), flip * match.captured(2).toDouble() + top);
        reach = std::max(reach, QLineF(centre, onPage).length() * kMillimetresPerPoint);
    }
    return reach;
}

// Each layer a PDF's drawing is marked with is among its page's layers, by the same name.
void verifyPdfLayersResolve(const QString& fileName)
{
    static const QRegularExpression marked(QStringLiteral("/OC (/L\\d+) BDC"));
    static const QRegularExpression properties(QStringLiteral("/Properties <<([^>]*)>>"));
    const QString content = QString::fromLatin1(contentsOf(fileName));
    const QString named = properties.match(content).captured(1);
    int layers = 0;
    for (const QRegularExpressionMatch& match : marked.globalMatch(content)) {
        ++layers;
        QVERIFY2(named.contains(match.captured(1) + u' '), qPrintable(match.captured(1) + QStringLiteral(" not in") + named));
    }
    QVERIFY(layers > 0);
}

QStringList labelsOf(const SvgDocument& svg)
{
    QStringList labels;
    for (const SvgLayer& layer : svg.layers)
        labels << layer.label;
    return labels;
}

// The traced points of each layer the design shows, in painting order.
QList<qsizetype> tracedPointCounts(const DrawnDesign& design)
{
    Rotagraph art;
    setDesign(art, design);
    const TracedCurve curve = traceCurve(curveParameters(art.parameters()));
    QList<qsizetype> counts;
    if (design.fillShape)
        counts << qsizetype(curve.fillPath().size());
    const PolylineView pens[] = {curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    const QColor colours[] = {design.firstPen, design.secondPen, QColor(0, 153, 51)};
    for (int pen = 0; pen < std::max(design.colors, 1); ++pen) {
        if (pen == 1 && !design.secondPen.isValid())   // a pen without a colour draws nothing
            continue;
        // A pen in the colour of the one before goes on with its line, from the point it joins at.
        if (pen > 0 && colours[pen] == colours[pen - 1])
            counts.last() += qsizetype(pens[pen].size()) - 1;
        else
            counts << qsizetype(pens[pen].size());
    }
    return counts;
}

// The colour steps of the design's pen line, as an export colours them.
std::vector<ColourStep> exportedColourSteps(const DrawnDesign& design)
{
    Rotagraph art;
    setDesign(art, design);
    const ArtParameters exported = exportedDesign(art.parameters(), true, design.greaseIt);
    const CurveParameters traced = curveParameters(exported);
    const TracedCurve curve = traceCurve(traced);
    return penColourSteps(exported, traced, curve.penPath().size());
}

// Colours as an SVG holds them: the opacity to three decimals.
bool sameInSvg(const QColor& written, const QColor& colour)
{
    constexpr double kOpacityRounding = 0.0005;
    return written.rgb() == colour.rgb() && std::abs(written.alphaF() - colour.alphaF()) <= kOpacityRounding;
}

// The path elements of a layer as one line: each goes on from where the one before ended, or,
// with `goingBack`, from no more than half the pen back on the one before's last segment, which it
// draws again. The points of the line; none when the elements come apart.
QList<QPointF> joinedLine(const SvgLayer& layer, bool goingBack, double penWidthMm)
{
    const auto backOnTheLine = [&](const QList<QPointF>& line, const QPointF& p) {
        return distanceToSegment(p, line[line.size() - 2], line.last()) < kRounding
            && QLineF(p, line.last()).length() <= penWidthMm / 2 + kRounding;
    };
    QList<QPointF> line;
    for (const QList<QPointF>& element : layer.elements) {
        if (line.isEmpty()) {
            line = element;
            continue;
        }
        // A last segment of no length gives no way back.
        const bool back = goingBack && line[line.size() - 2] != line.last();
        if (!back && element.first() == line.last()) {
            line << element.mid(1);
        } else if (back && element.size() > 2 && element[1] == line.last() && backOnTheLine(line, element[0])) {
            line << element.mid(2);
        } else {
            QWARN(qPrintable(QStringLiteral("a gap after (%1, %2)").arg(line.last().x()).arg(line.last().y())));
            return {};
        }
    }
    return line;
}

// The PNG export of the design on white paper: what the vector drawing must show.
QImage expectedDrawing(const DrawnDesign& design)
{
    Rotagraph art;
    setDesign(art, design);
    QImage image(kEdge, kEdge, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).drawImage(0, 0, renderExportImage(art.composition(), kEdge, true, design.greaseIt));
    return image;
}

// A vector export's page rasterised on white, about kPageEdge pixels wide.
void readVectorPage(VectorFormat format, const QString& file, QImage& page, QString* info = nullptr)
{
    page = QImage(kPageEdge, kPageEdge, QImage::Format_RGB32);
    page.fill(Qt::white);
    if (format == VectorFormat::Svg) {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        QSvgRenderer(file).render(&painter, page.rect());
        return;
    }
    const double pagePoints = (kSizeMm + 2 * kMarginMm) / kMillimetresPerPoint;
    readPdfPage(file, QSizeF(pagePoints, pagePoints), kDpi, page, info);
    QVERIFY(std::abs(page.width() - kPageEdge) <= 1 && page.height() == page.width());
}

enum class Output { Png, Svg, Pdf, Print };

// What an output draws of a composition, on white: the drawing's square of kEdge pixels. A print
// goes on a square page without margins, kEdge pixels wide.
void drawnBy(Output output, const Composition& composition, float penWidth, QImage& drawing)
{
    constexpr double kPrintPoints = 720;
    constexpr int kPrintDpi = 100;   // kEdge pixels across kPrintPoints
    const QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("art"));
    QString error;
    if (output == Output::Png) {
        drawing = QImage(kEdge, kEdge, QImage::Format_RGB32);
        drawing.fill(Qt::white);
        QPainter(&drawing).drawImage(0, 0, renderExportImage(composition, kEdge, true, false));
    } else if (output == Output::Print) {
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        const QPageSize square(QSizeF(kPrintPoints, kPrintPoints), QPageSize::Point, {}, QPageSize::ExactMatch);
        QVERIFY(printer.setPageLayout(QPageLayout(square, QPageLayout::Portrait, QMarginsF())));
        QVERIFY2(printArt(composition, printer, &error), qPrintable(error));
        readPdfPage(file, QSizeF(kPrintPoints, kPrintPoints), kPrintDpi, drawing);
    } else {
        const VectorFormat format = output == Output::Svg ? VectorFormat::Svg : VectorFormat::Pdf;
        DrawnDesign pen;
        pen.penWidth = penWidth;
        VectorExportSettings settings = settingsFor(pen, file);
        settings.hideUnplotted = false;   // the fill, which a plotter's file hides, drawn where it lies
        QVERIFY2(exportVector(composition, format, settings, &error), qPrintable(error));
        QImage page;
        readVectorPage(format, file, page);
        const int margin = (page.width() - kEdge) / 2;
        drawing = page.copy(margin, margin, kEdge, kEdge);
    }
}

// Colours agree exactly, or, for translucent ones, which each renderer blends with its own
// rounding, within `colourTolerance` levels.
void verifyAgreement(const QImage& actual, const QImage& expected, int colourTolerance = 0)
{
    const InkAgreement match = inkAgreement(actual, expected, colourTolerance);
    QVERIFY2(match.actualNearExpected >= kMinInkAgreement && match.expectedNearActual >= kMinInkAgreement,
             qPrintable(QStringLiteral("ink agreement %1 / %2").arg(match.actualNearExpected).arg(match.expectedNearActual)));
    QVERIFY2(match.colour >= kMinColourAgreement, qPrintable(QStringLiteral("colour agreement %1").arg(match.colour)));
    // The deepest ink is as deep in each: a translucent pen stays translucent.
    constexpr int kDepthLevels = 16;
    int deepest[2] = {};
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            deepest[0] = std::max(deepest[0], darkness(actual.pixel(x, y)));
            deepest[1] = std::max(deepest[1], darkness(expected.pixel(x, y)));
        }
    QVERIFY2(std::abs(deepest[0] - deepest[1]) <= kDepthLevels,
             qPrintable(QStringLiteral("deepest ink %1 against %2").arg(deepest[0]).arg(deepest[1])));
}

// A device that counts the lines drawn on it and rasterises nothing, as a PDF or a printer.
class LineCounter : public QPaintDevice, public QPaintEngine
{
public:
    int polylines = 0;
    QPaintEngine* paintEngine() const override { return const_cast<LineCounter*>(this); }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode mode) override { polylines += mode == PolylineMode ? 1 : 0; }
    Type type() const override { return User; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        constexpr int kDotsPerInch = 72;
        constexpr int kDepth = 32;
        switch (metric) {
        case PdmWidth: case PdmHeight: return kEdge;
        case PdmDepth: return kDepth;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return kDotsPerInch;
        }
    }
};

QDoubleSpinBox* field(QFileDialog* dialog, const char* name)
{
    return dialog->findChild<QDoubleSpinBox*>(QLatin1String(name));
}

QComboBox* choice(QFileDialog* dialog, const char* name)
{
    return dialog->findChild<QComboBox*>(QLatin1String(name));
}

QLabel* label(QFileDialog* dialog, const char* name)
{
    return dialog->findChild<QLabel*>(QLatin1String(name));
}

void confirm(QFileDialog* dialog, const QString& file)
{
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
    dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}

Q_DECLARE_METATYPE(VectorFormat)
Q_DECLARE_METATYPE(Output)
Q_DECLARE_METATYPE(Composition)
Q_DECLARE_METATYPE(PlotPage)
Q_DECLARE_METATYPE(HatchSettings)

class TestVectorExport : public QObject
{
    Q_OBJECT

private slots:
    // The options last confirmed are the next export's, in this run and the next.
    void init() { useFreshSettings(); }

    // The document's units, layers and styles; every traced point written, or, simplified, a
    // point left out only within the tolerance of the line that replaces it, each stretch keeping
    // its ends.
    // A vector export draws what the window draws, within the same point budget, and says when
    // that cuts a curve short: the first curve it cuts, by name; a hidden curve is never cut.
    void saysWhichCurvesTheBudgetCuts_data()
    {
        QTest::addColumn<QList<float>>("revolutions");   // of each curve, 160/72/53; negative: hidden
        QTest::addColumn<QString>("note");
        QTest::addRow("the default curve") << QList<float>{9} << QString();
        QTest::addRow("100,000 revolutions, past a curve's own budget")
            << QList<float>{9, 100'000} << "“Curve 2” and the curves after it are cut short at the point budget, as the "
                                            "window draws them.";
        QTest::addRow("a hidden curve of 100,000 revolutions") << QList<float>{-100'000, 9} << QString();
    }

    void saysWhichCurvesTheBudgetCuts()
    {
        QFETCH(QList<float>, revolutions);
        QFETCH(QString, note);
        Composition composition;
        for (const float count : std::as_const(revolutions)) {
            ComposedCurve curve;
            curve.art.anchorRadius = 160;
            curve.art.runnerRadius = 72;
            curve.art.penHoleRadius = 53;
            curve.art.rotationsToMake = std::fabs(count);
            curve.visible = count > 0;
            curve.name = QStringLiteral("Curve %1").arg(composition.curves.size() + 1);
            composition.curves.push_back(curve);
        }
        QCOMPARE(thinningNote(composition), note);
    }

    void svgDocument_data()
    {
        QTest::addColumn<DrawnDesign>("design");
        QTest::addColumn<double>("simplifyMm");
        QTest::addColumn<QStringList>("labels");
        DrawnDesign translucent = kThreePensFilled;
        translucent.secondPen.setAlpha(128);
        translucent.fillShape = false;
        DrawnDesign uncoloured = translucent;
        uncoloured.secondPen = QColor();
        DrawnDesign firstColourAgain = kThreePensFilled;
        firstColourAgain.secondPen = Qt::red;
        const QStringList threePens{"1 pen 1 #ff0000", "2 pen 2 #0066cc", "3 pen 3 #009933"};
        QTest::addRow("one pen") << DrawnDesign() << 0.0 << QStringList{"1 pen 1 #ff0000"};
        QTest::addRow("three pens, filled, closed") << kThreePensFilled << 0.0 << QStringList{"% fill #ffff00"} + threePens;
        QTest::addRow("translucent second pen") << translucent << 0.0 << threePens;
        QTest::addRow("second pen without a colour") << uncoloured << 0.0 << QStringList{"1 pen 1 #ff0000", "2 pen 2 #009933"};
        QTest::addRow("second pen in the first's colour") << firstColourAgain << 0.0
                                                          << QStringList{"% fill #ffff00", "1 pen 1 #ff0000", "2 pen 2 #009933"};
        QTest::addRow("dense, simplified 0.2 mm") << kDense << 0.2 << QStringList{"1 pen 1 #ff0000"};
        QTest::addRow("three pens, filled, simplified 5 mm") << kThreePensFilled << 5.0 << QStringList{"% fill #ffff00"} + threePens;
    }

    void svgDocument()
    {
        QFETCH(DrawnDesign, design);
        QFETCH(double, simplifyMm);
        QFETCH(QStringList, labels);
        const QTemporaryDir folder;
        const QString whole = folder.filePath(QStringLiteral("whole.svg"));
        const QString simplified = folder.filePath(QStringLiteral("simplified.svg"));
        exportDesign(design, VectorFormat::Svg, settingsFor(design, whole));
        exportDesign(design, VectorFormat::Svg, settingsFor(design, simplified, simplifyMm));
        SvgDocument all, svg;
        readSvg(whole, all);
        readSvg(simplified, svg);
        QCOMPARE(svg.root.value(QStringLiteral("width")), QStringLiteral("220mm"));
        QCOMPARE(svg.root.value(QStringLiteral("height")), QStringLiteral("220mm"));
        QCOMPARE(svg.root.value(QStringLiteral("viewBox")), QStringLiteral("0 0 220 220"));
        QCOMPARE(svg.title, QStringLiteral("Rotagram test"));
        QCOMPARE(svg.metadata, kDesignText);

        QStringList shown;
        for (const SvgLayer& layer : svg.layers) {
            shown << layer.label;
            // "N pen K #rrggbb", or "% fill #rrggbb" for a layer that plotters skip
            const bool fill = layer.label.startsWith(u'%');
            const QString colour = layer.label.section(u' ', fill ? 2 : 3);
            const Attributes expected = fill
                ? Attributes{{"fill", colour}, {"fill-rule", "nonzero"}, {"stroke", "none"}}
                : Attributes{{"fill", "none"}, {"stroke", colour}, {"stroke-width", QString::number(design.penWidth / kPixelsPerMm, 'f', 3)}, {"stroke-linecap", "round"},
                             {"stroke-linejoin", "round"}, {"stroke-miterlimit", ""}};
            for (auto attribute = expected.begin(); attribute != expected.end(); ++attribute)
                QCOMPARE(layer.path.value(attribute.key()), attribute.value());
            const bool translucent = !fill && QColor(colour).rgb() == design.secondPen.rgb() && design.secondPen.alpha() < 255;
            QCOMPARE(layer.path.value(QStringLiteral("stroke-opacity")), translucent ? QStringLiteral("0.502") : QString());
            QCOMPARE(layer.path.value(QStringLiteral("d")).endsWith(u'Z'), fill);
            QCOMPARE(layer.hidden, fill);   // plotting tools draw what is shown
        }
        QCOMPARE(shown, labels);
        if (design.closeCurve)   // the last pen returns to where the first began
            QCOMPARE(svg.layers.last().points.last(), svg.layers[design.fillShape ? 1 : 0].points.first());

        const QList<qsizetype> traced = tracedPointCounts(design);
        QCOMPARE(svg.layers.size(), traced.size());
        for (qsizetype i = 0; i < traced.size(); ++i) {
            const QList<QPointF>& points = all.layers[i].points;
            const QList<QPointF>& kept = svg.layers[i].points;
            // A fill's edge, under the pens, is thinned within half a pen's width even when
            // every point of the lines is kept.
            if (svg.layers[i].label.startsWith(u'%')) {
                QVERIFY(kept.size() <= points.size() && points.size() < traced[i]);
                continue;
            }
            QCOMPARE(points.size(), traced[i]);
            QVERIFY(simplifyMm == 0 ? kept == points : kept.size() < points.size());
            QCOMPARE(kept.first(), points.first());
            QCOMPARE(kept.last(), points.last());
            qsizetype next = 0;
            for (const QPointF& point : points) {
                if (next < kept.size() && point == kept[next])
                    ++next;
                else
                    QVERIFY2(distanceToSegment(point, kept[next - 1], kept[next]) < simplifyMm + kRounding,
                             qPrintable(QStringLiteral("(%1, %2) left out").arg(point.x()).arg(point.y())));
            }
            QCOMPARE(next, kept.size());
        }
    }

    // Rendered back to pixels, each format shows what the PNG export shows at the same scale.
    void drawingMatchesThePngExport_data()
    {
        QTest::addColumn<VectorFormat>("format");
        QTest::addColumn<DrawnDesign>("design");
        DrawnDesign greased;
        greased.greaseIt = true;
        const DrawnDesign twoWideOpen{120, 45, 60, 2.5f, 6, 2};   // not symmetric about either axis
        DrawnDesign translucent;
        translucent.firstPen.setAlpha(160);
        for (const VectorFormat format : {VectorFormat::Svg, VectorFormat::Pdf}) {
            const char* name = format == VectorFormat::Svg ? "SVG" : "PDF";
            QTest::addRow("%s, default design", name) << format << DrawnDesign();
            QTest::addRow("%s, a translucent pen", name) << format << translucent;
            QTest::addRow("%s, three pens, filled, closed, inside", name) << format << kThreePensFilled;
            QTest::addRow("%s, grease", name) << format << greased;
            QTest::addRow("%s, two wide pens, open curve", name) << format << twoWideOpen;
        }
    }

    void drawingMatchesThePngExport()
    {
        QFETCH(VectorFormat, format);
        QFETCH(DrawnDesign, design);
        const QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("art"));
        exportDesign(design, format, settingsFor(design, file));
        QImage page;
        QString info;
        readVectorPage(format, file, page, &info);
        if (format == VectorFormat::Pdf)
            QVERIFY2(info.contains(QStringLiteral("Title:           Rotagram test\n"))
                         && info.contains(QStringLiteral("Creator:         ") + QCoreApplication::applicationName() + u'\n')
                         && info.contains(QStringLiteral("CreationDate:")) && info.contains(QStringLiteral("ModDate:"))
                         && contentsOf(file).contains("/Title (Rotagram test)"),   // plain ASCII, as PDF/A tools keep it
                     qPrintable(info));
        // A viewer of the plotter's SVG sees what the pens draw: no solid fill.
        DrawnDesign plotted = design;
        plotted.fillShape = plotted.fillShape && format == VectorFormat::Pdf;
        const int margin = (page.width() - kEdge) / 2;
        verifyAgreement(page.copy(margin, margin, kEdge, kEdge), expectedDrawing(plotted), design.firstPen.alpha() < 255 ? 2 : 0);
        QImage blank(page.width(), margin, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QCOMPARE(page.copy(0, 0, page.width(), margin), blank);
    }

    // A picture of several curves: the curves in drawing order, each one's fill under its pens,
    // hidden ones left out; one pen for each colour over the whole picture, and the curve's name
    // on each of its layers when more than one curve shows.
    void layersOfSeveralCurves_data()
    {
        QTest::addColumn<Composition>("composition");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QStringList>("curvesOfPens");   // of each layer, its paths' curves
        DrawnDesign greenBlueFilled{160, 72, 53, 9, 3, 2, false, true};
        greenBlueFilled.firstPen = QColor(0, 153, 51);
        const DrawnDesign threePens{100, -30, 20, 3, 3, 3};
        const ComposedCurve first = composedCurve(greenBlueFilled, QStringLiteral("Curve 1"));
        const ComposedCurve hidden = composedCurve(DrawnDesign(), QStringLiteral("Curve 2"), 0, false);
        const ComposedCurve last = composedCurve(threePens, QStringLiteral("Curve 3"), 45);
        QTest::addRow("three curves, the middle one hidden")
            << Composition{{first, hidden, last}}
            << QStringList{"% fill #ffff00 Curve 1", "1 pen 1 #009933", "2 pen 2 #0066cc", "3 pen 3 #ff0000"}
            << QStringList{"", "Curve 1/Curve 3", "Curve 1/Curve 3", "Curve 3"};
        QTest::addRow("one curve of two shown") << Composition{{hidden, last}}
                                                << QStringList{"1 pen 1 #ff0000", "2 pen 2 #0066cc", "3 pen 3 #009933"}
                                                << QStringList{"", "", ""};
        ComposedCurve quoted = hidden;
        quoted.visible = true;
        quoted.name = QStringLiteral("\"Star\" & <moon>\tnew");
        ComposedCurve unnamed = quoted;
        unnamed.name.clear();
        QTest::addRow("a name with markup, a curve without one")
            << Composition{{quoted, unnamed}}
            << QStringList{"1 pen 1 #ff0000"} << QStringList{"\"Star\" & <moon> new/Curve 2"};
        QTest::addRow("no curve shown") << Composition{{hidden}} << QStringList{} << QStringList{};
        ComposedCurve rose = composedCurve(DrawnDesign(), QStringLiteral("Rose"));
        rose.copies = {3, NAN, 1, 120};
        QTest::addRow("copies, each a line of its pen")
            << Composition{{rose}}
            << QStringList{"1 pen 1 #ff0000", "2 pen 2 #00ff00", "3 pen 3 #0000ff"}
            << QStringList{"Rose", "Rose", "Rose"};
        QTest::addRow("a background first, which no pen plots")
            << Composition{{last}, QColor(0x10, 0x20, 0x30)}
            << QStringList{"% background #102030", "1 pen 1 #ff0000", "2 pen 2 #0066cc", "3 pen 3 #009933"}
            << QStringList{"", "", "", ""};
    }

    void layersOfSeveralCurves()
    {
        QFETCH(Composition, composition);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, curvesOfPens);
        const QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("art.svg"));
        QString error;
        QVERIFY2(exportVector(composition, VectorFormat::Svg, settingsFor(DrawnDesign(), file), &error), qPrintable(error));
        SvgDocument svg;
        readSvg(file, svg);
        QCOMPARE(labelsOf(svg), labels);
        QStringList named;
        for (const SvgLayer& layer : svg.layers) {
            QStringList curves(layer.titles.isEmpty() ? QString() : layer.titles.first());
            for (const QString& title : layer.titles)
                if (title != curves.last())
                    curves << title;
            named << curves.join(u'/');
        }
        QCOMPARE(named, curvesOfPens);

        // The cost told before the export is that of the lines written: each pen's length down
        // and its travel from the page's corner through its layers, in their order.
        QList<PlotLength> written;
        QList<QPointF> at;
        for (const SvgLayer& layer : svg.layers) {
            QCOMPARE(layer.hidden, layer.label.startsWith(u"% fill"));   // no pen draws it; the background is the paper
            if (layer.label.startsWith(u'%'))
                continue;
            const int pen = layer.label.section(u' ', 2, 2).toInt();
            if (pen > written.size()) {
                written.resize(pen);
                at.resize(pen);
            }
            for (const QList<QPointF>& element : layer.elements) {
                written[pen - 1].penUpMm += QLineF(at[pen - 1], element.first()).length();
                for (qsizetype i = 1; i < element.size(); ++i)
                    written[pen - 1].penDownMm += QLineF(element[i - 1], element[i]).length();
                at[pen - 1] = element.last();
            }
        }
        const std::vector<PenTally> told = plotCost(exportedComposition(composition, true, false), settingsFor(DrawnDesign(), file).plot);
        QCOMPARE(qsizetype(told.size()), written.size());
        for (qsizetype pen = 0; pen < written.size(); ++pen) {
            QVERIFY(std::abs(told[std::size_t(pen)].length.penDownMm - written[pen].penDownMm) < 0.5);
            QVERIFY(std::abs(told[std::size_t(pen)].length.penUpMm - written[pen].penUpMm) < 0.01);
        }
    }

    // A pen goes round a closed curve once: the length drawn against the curve of 9 revolutions
    // it closes after (anchor 110, runner 90: 20/9 turns of the runner a revolution).
    void eachLineDrawnOnce_data()
    {
        QTest::addColumn<float>("revolutions");
        QTest::addColumn<float>("percent");
        QTest::addColumn<bool>("precise");
        QTest::addColumn<int>("colours");
        QTest::addColumn<double>("drawnAgainstClosed");
        QTest::addRow("18 revolutions") << 18.0f << 100.0f << true << 1 << 1.0;
        QTest::addRow("9.5 revolutions") << 9.5f << 100.0f << true << 1 << 1.0;
        QTest::addRow("27 revolutions, half drawn") << 27.0f << 50.0f << true << 1 << 1.0;
        QTest::addRow("4.5 revolutions, open") << 4.5f << 100.0f << true << 1 << 0.5;
        QTest::addRow("18, three colours by length") << 18.0f << 100.0f << true << 3 << 2.0;
        QTest::addRow("18, the ordinary trace drifting") << 18.0f << 100.0f << false << 1 << 2.0;
    }

    void eachLineDrawnOnce()
    {
        QFETCH(float, revolutions);
        QFETCH(float, percent);
        QFETCH(bool, precise);
        QFETCH(int, colours);
        QFETCH(double, drawnAgainstClosed);
        const auto drawn = [&](float turns, float shown) {
            ComposedCurve curve = composedCurve(DrawnDesign{110, 90, 53, turns, 3, colours}, QStringLiteral("Rose"));
            curve.art.precise = precise;
            curve.art.percentToDraw = shown;
            double length = 0;
            for (const PenTally& pen : plotCost(Composition{{curve}}, settingsFor(DrawnDesign(), {}).plot))
                length += pen.length.penDownMm;
            return length;
        };
        const double ratio = drawn(revolutions, percent) / drawn(9, 100);
        QVERIFY2(std::abs(ratio - drawnAgainstClosed) < 0.02, qPrintable(QString::number(ratio)));
    }

    // The page is the paper chosen, to the hundredth of a millimetre in the SVG and the PDF
    // alike, and the design's bounding circle is as wide as the drawing size, in the middle of
    // it; the PDF's layers are the SVG's.
    void pageAndDrawnSize_data()
    {
        QTest::addColumn<PlotPage>("page");
        QTest::addColumn<QSizeF>("pageMm");
        QTest::addColumn<double>("drawnMm");
        QTest::addRow("A4 upright, the largest drawing") << PlotPage{} << QSizeF(210, 297) << 180.0;
        QTest::addRow("Letter turned, 150 mm") << PlotPage{PaperSize::Letter, PaperOrientation::Landscape, {}, 20, 150}
                                               << QSizeF(279.4, 215.9) << 150.0;
        QTest::addRow("A5, no margin") << PlotPage{PaperSize::A5, PaperOrientation::Portrait, {}, 0, 0} << QSizeF(148, 210) << 148.0;
        QTest::addRow("own size, to the hundredth") << PlotPage{PaperSize::Custom, PaperOrientation::Portrait, {123.45, 67.89}, 3.21, 0}
                                                    << QSizeF(123.45, 67.89) << 61.47;
        QTest::addRow("a metre wide") << PlotPage{PaperSize::Custom, PaperOrientation::Portrait, {1000, 800}, 20, 0}
                                      << QSizeF(1000, 800) << 760.0;
    }

    void pageAndDrawnSize()
    {
        QFETCH(PlotPage, page);
        QFETCH(QSizeF, pageMm);
        QFETCH(double, drawnMm);
        const QTemporaryDir folder;
        VectorExportSettings settings = settingsFor(kThreePensFilled, folder.filePath(QStringLiteral("art.svg")));
        settings.plot.page = page;
        exportDesign(kThreePensFilled, VectorFormat::Svg, settings);
        SvgDocument svg;
        readSvg(settings.target, svg);
        QCOMPARE(svg.root.value(QStringLiteral("width")).chopped(2).toDouble(), pageMm.width());
        QCOMPARE(svg.root.value(QStringLiteral("height")).chopped(2).toDouble(), pageMm.height());
        // The curve's first point lies on its bounding circle.
        const QPointF centre(pageMm.width() / 2, pageMm.height() / 2);
        double reach = 0;
        for (const SvgLayer& layer : svg.layers)
            for (const QPointF& point : layer.points)
                reach = std::max(reach, QLineF(centre, point).length());
        QVERIFY2(std::abs(2 * reach - drawnMm) < 0.01, qPrintable(QString::number(2 * reach)));

        settings.target = folder.filePath(QStringLiteral("art.pdf"));
        exportDesign(kThreePensFilled, VectorFormat::Pdf, settings);
        QImage rendered;
        readPdfPage(settings.target, pageMm / kMillimetresPerPoint, 20, rendered);
        QCOMPARE(pdfLayerNames(settings.target), labelsOf(svg));
        verifyPdfLayersResolve(settings.target);
        const double pdfReach = pdfReachMm(settings.target, pageMm);
        QVERIFY2(std::abs(2 * pdfReach - drawnMm) < 0.01, qPrintable(QString::number(2 * pdfReach)));
    }

    // Hatching covers the fill's region and no more: every hatching line lies inside the outline
    // that the solid fill fills, by the non-zero rule, for a runner inside and for an outline
    // that crosses itself; the lines are drawn with the fill's pen, under the curve's own pens.
    void hatchLinesLieInsideTheFill_data()
    {
        QTest::addColumn<DrawnDesign>("design");
        QTest::addColumn<HatchSettings>("hatch");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QStringList>("leftOutLabels");
        DrawnDesign crossing;   // outside: its loops cross each other and themselves
        crossing.fillShape = true;
        QTest::addRow("inside runner") << kThreePensFilled << HatchSettings{45, 1, false}
                                       << QStringList{"1 pen 1 #ffff00", "2 pen 2 #ff0000", "3 pen 3 #0066cc", "4 pen 4 #009933"}
                                       << QStringList{"1 pen 1 #ff0000", "2 pen 2 #0066cc", "3 pen 3 #009933"};
        QTest::addRow("self-crossing, cross-hatched at 30°") << crossing << HatchSettings{30, 2, true}
                                                             << QStringList{"1 pen 1 #ffff00", "2 pen 2 #ff0000"}
                                                             << QStringList{"1 pen 1 #ff0000"};
    }

    void hatchLinesLieInsideTheFill()
    {
        QFETCH(DrawnDesign, design);
        QFETCH(HatchSettings, hatch);
        QFETCH(QStringList, labels);
        QFETCH(QStringList, leftOutLabels);
        const QTemporaryDir folder;
        VectorExportSettings settings = settingsFor(design, folder.filePath(QStringLiteral("solid.svg")));
        exportDesign(design, VectorFormat::Svg, settings);
        SvgDocument solid, hatched, leftOut;
        readSvg(settings.target, solid);
        const QPolygonF outline(solid.layers.first().points);
        settings.target = folder.filePath(QStringLiteral("hatched.svg"));
        settings.plot.fill = FillStyle::Hatch;
        settings.plot.hatch = hatch;
        exportDesign(design, VectorFormat::Svg, settings);
        readSvg(settings.target, hatched);
        QCOMPARE(labelsOf(hatched), labels);
        settings.target = folder.filePath(QStringLiteral("left out.svg"));
        settings.plot.fill = FillStyle::LeaveOut;
        exportDesign(design, VectorFormat::Svg, settings);
        readSvg(settings.target, leftOut);
        QCOMPARE(labelsOf(leftOut), leftOutLabels);

        const QList<QPointF>& lines = hatched.layers.first().points;   // two points each
        QVERIFY2(lines.size() > 200, qPrintable(QString::number(lines.size())));
        for (qsizetype i = 0; i + 1 < lines.size(); i += 2) {
            const QLineF line(lines[i], lines[i + 1]);
            if (line.length() < 0.05)   // the rounding to micrometres could carry it out
                continue;
            for (const double t : {0.02, 0.5, 0.98})
                QVERIFY2(windingNumber(outline, line.pointAt(t)) != 0,
                         qPrintable(QStringLiteral("(%1, %2) outside").arg(line.pointAt(t).x()).arg(line.pointAt(t).y())));
        }
    }

    // The heavy design: the default simplification keeps few points, every one within 0.05 mm
    // of the line; every point kept, each path element stays short and takes up where the one
    // before ended.
    void heavyDesignStaysReadable()
    {
        const DrawnDesign heavy{500, 3, 2, 60, 1};
        const QTemporaryDir folder;
        VectorExportSettings settings = settingsFor(heavy, folder.filePath(QStringLiteral("simplified.svg")), 0.05);
        exportDesign(heavy, VectorFormat::Svg, settings);
        SvgDocument simplified, whole;
        readSvg(settings.target, simplified);
        QCOMPARE(simplified.layers.size(), 1);
        QVERIFY2(simplified.layers[0].points.size() <= 60'000, qPrintable(QString::number(simplified.layers[0].points.size())));

        settings.target = folder.filePath(QStringLiteral("whole.svg"));
        settings.plot.simplifyToleranceMm = 0;
        exportDesign(heavy, VectorFormat::Svg, settings);
        readSvg(settings.target, whole);
        const QList<QList<QPointF>>& elements = whole.layers[0].elements;
        qsizetype points = elements[0].size();
        for (qsizetype i = 1; i < elements.size(); ++i) {
            QVERIFY(elements[i].size() <= 4096);
            QCOMPARE(elements[i].first(), elements[i - 1].last());
            points += elements[i].size() - 1;
        }
        QCOMPARE(points, tracedPointCounts(heavy).first());
        QCOMPARE(elements.size(), (points - 1 + 4094) / 4095);
    }

    // A precise curve is plotted as smooth as the paper shows it, with the points its size
    // needs, not the screen's: Lotus, 317 points on screen, is 180 mm across A4 within its
    // margins, 0.464 mm a unit, so its chords within 0.01 mm take more than twice as many.
    void aPreciseCurveIsSmoothOnPaper()
    {
        ArtParameters lotus = artDesign(110, 44, 40, 2);
        lotus.precise = true;
        lotus.penColor = Qt::red;
        QCOMPARE(traceCurve(curveParameters(lotus)).pointCount(), std::size_t(317));
        PlotOptions options;
        options.simplifyToleranceMm = 0;
        qsizetype points = 0;
        QVERIFY(plotDrawing(composedOf(lotus), options, {}, [&](PlottedLayer& layer) {
            for (const QPolygonF& path : layer.paths)
                points += path.size();
            return true;
        }));
        QVERIFY2(points > 2 * 317, qPrintable(QString::number(points)));
    }

    // A curve coloured along its length is one layer of short paths, a colour each, in the
    // colours of its steps from the first stop's to the last's, each path taking up the line
    // where the one before left it, every traced point written; thinned, each still meets the
    // next. A translucent ink's paths are short pieces.
    void gradientCurveIsOneLayerOfColourSteps_data()
    {
        QTest::addColumn<DrawnDesign>("design");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QColor>("first");    // no colour: not looked at
        QTest::addColumn<QColor>("middle");
        QTest::addColumn<QColor>("last");
        const QColor red(255, 0, 0), green(0, 153, 51), blue(0, 0, 255);
        DrawnDesign twoStops;
        twoStops.colouring.mode = ColourMode::Gradient;
        twoStops.colouring.stops = {{0, red}, {1, blue}};
        QTest::addRow("two stops") << twoStops << QStringList{"1 gradient"} << red << QColor() << blue;
        DrawnDesign mirrored = twoStops;
        mirrored.colouring.repeat = 2;
        mirrored.colouring.mirror = true;
        QTest::addRow("two runs, mirrored") << mirrored << QStringList{"1 gradient"} << red << blue << red;
        DrawnDesign threeRuns = twoStops;
        threeRuns.colouring.stops = {{0, red}, {0.5, green}, {1, blue}};
        threeRuns.colouring.repeat = 3;
        QTest::addRow("three stops, three runs") << threeRuns << QStringList{"1 gradient"} << red << green << blue;
        DrawnDesign revolutions = kThreePensFilled;   // closed and filled, its three pens left aside
        revolutions.colouring.mode = ColourMode::PerRevolution;
        revolutions.colouring.stops = threeRuns.colouring.stops;
        QTest::addRow("a colour each revolution, filled") << revolutions << QStringList{"% fill #ffff00", "1 gradient"}
                                                          << red << QColor() << QColor();
        revolutions.colouring.blend = true;
        QTest::addRow("revolutions blended") << revolutions << QStringList{"% fill #ffff00", "1 gradient"} << red << QColor()
                                             << QColor();
        DrawnDesign ink = kDense;   // a revolution of many points
        ink.colouring = revolutions.colouring;
        ink.colouring.blend = false;
        ink.colouring.inkOpacity = 50;
        QTest::addRow("a colour each revolution, ink at half strength") << ink << QStringList{"1 gradient"} << inked(red, 50)
                                                                       << QColor() << QColor();
    }

    void gradientCurveIsOneLayerOfColourSteps()
    {
        QFETCH(DrawnDesign, design);
        QFETCH(QStringList, labels);
        QFETCH(QColor, first);
        QFETCH(QColor, middle);
        QFETCH(QColor, last);
        const QTemporaryDir folder;
        const QString whole = folder.filePath(QStringLiteral("whole.svg"));
        const QString thinned = folder.filePath(QStringLiteral("thinned.svg"));
        exportDesign(design, VectorFormat::Svg, everyStep(settingsFor(design, whole)));
        exportDesign(design, VectorFormat::Svg, everyStep(settingsFor(design, thinned, 0.2)));
        SvgDocument all, simplified;
        readSvg(whole, all);
        readSvg(thinned, simplified);
        QCOMPARE(labelsOf(all), labels);
        QCOMPARE(labelsOf(simplified), labels);

        const std::vector<ColourStep> steps = exportedColourSteps(design);
        const bool ink = design.colouring.inkOpacity < kOpaqueInk;
        QVERIFY(steps.size() <= 256 * std::size_t(design.colouring.repeat) || design.colouring.mode != ColourMode::Gradient);
        for (const SvgDocument* svg : {&all, &simplified}) {
            const SvgLayer& layer = svg->layers.last();
            // The colours of the paths in order, each colour once where it goes on: the steps'.
            QList<QColor> written, expected;
            for (const QColor& stroke : layer.strokes)
                if (written.isEmpty() || stroke != written.last())
                    written << stroke;
            for (const ColourStep& step : steps)   // as an SVG holds them, 8 bits a channel
                if (expected.isEmpty() || step.colour.rgba() != expected.last().rgba())
                    expected << step.colour;
            QCOMPARE(written.size(), expected.size());
            for (qsizetype i = 0; i < written.size(); ++i)
                QVERIFY2(sameInSvg(written[i], expected[i]), qPrintable(QStringLiteral("path colour %1: %2 against %3")
                                                                          .arg(i).arg(written[i].name(QColor::HexArgb), expected[i].name(QColor::HexArgb))));
            if (first.isValid())
                QVERIFY(sameInSvg(layer.strokes.first(), first));
            if (last.isValid())
                QVERIFY(sameInSvg(layer.strokes.last(), last));
            if (middle.isValid()) {   // within a step of the middle of the gradient
                constexpr int kNear = 24;
                const QColor shown = layer.strokes[layer.strokes.size() / 2];
                QVERIFY2(std::abs(shown.red() - middle.red()) + std::abs(shown.green() - middle.green())
                             + std::abs(shown.blue() - middle.blue()) <= kNear,
                         qPrintable(shown.name()));
            }
            if (ink) {   // long steps in pieces
                QVERIFY(layer.elements.size() > qsizetype(steps.size()));
                for (const QList<QPointF>& element : layer.elements)
                    QVERIFY(element.size() <= qsizetype(kMostPointsPerInkPiece));
            } else {
                QCOMPARE(layer.elements.size(), qsizetype(steps.size()));
            }
            const QList<QPointF> line = joinedLine(layer, !ink, design.penWidth / kPixelsPerMm);
            QVERIFY(!line.isEmpty());
            if (svg == &all)
                QCOMPARE(line.size(), tracedPointCounts(design)[design.fillShape ? 1 : 0]);
        }
    }

    // A plotter draws a gradient with a few pens: a layer for each, in one colour, its stretches
    // end to end; the whole drawn once, as long as the same curve in one colour, and no dot.
    void gradientPlottedWithPens_data()
    {
        QTest::addColumn<int>("repeat");
        QTest::addColumn<int>("pens");
        QTest::addColumn<QStringList>("labels");
        const QStringList stopColours{"1 pen 1 #ff0000", "2 pen 2 #ffc800", "3 pen 3 #0000ff"};
        QTest::addRow("a pen per stop") << 1 << 0 << stopColours;
        QTest::addRow("repeated 20 times") << 20 << 0 << stopColours;
        QTest::addRow("two pens chosen") << 20 << 2 << QStringList{"1 pen 1 #ff0000", "2 pen 2 #0000ff"};
        QTest::addRow("one pen") << 3 << 1 << QStringList{"1 pen 1 #ff0000"};
    }

    void gradientPlottedWithPens()
    {
        QFETCH(int, repeat);
        QFETCH(int, pens);
        QFETCH(QStringList, labels);
        DrawnDesign gradient;
        gradient.colouring.mode = ColourMode::Gradient;
        gradient.colouring.stops = {{0, QColor(255, 0, 0)}, {0.5, QColor(255, 200, 0)}, {1, QColor(0, 0, 255)}};
        gradient.colouring.repeat = repeat;
        const QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("art.svg"));
        VectorExportSettings settings = settingsFor(gradient, file);
        settings.plot.gradientPens = pens;
        exportDesign(gradient, VectorFormat::Svg, settings);
        SvgDocument svg;
        readSvg(file, svg);
        QCOMPARE(labelsOf(svg), labels);
        for (const SvgLayer& layer : svg.layers)
            for (const QColor& stroke : layer.strokes)   // one colour a pen
                QCOMPARE(stroke.name(), layer.label.section(u' ', 3, 3));
        const auto penDown = [&](const DrawnDesign& design) {
            double length = 0;
            const auto noDot = [](const PlottedLayer& layer) {
                for (const QPolygonF& path : layer.paths)
                    QVERIFY(path.boundingRect().width() + path.boundingRect().height() > 0);
            };
            for (const PenTally& pen : plotCost(exportedComposition(Composition{{composedCurve(design, "A")}}, true, false),
                                                settings.plot, {}, noDot))
                length += pen.length.penDownMm;
            return length;
        };
        const double ratio = penDown(gradient) / penDown(DrawnDesign());
        QVERIFY2(std::abs(ratio - 1) < 0.001, qPrintable(QString::number(ratio)));
    }

    // A picture of a gradient curve and one of pens: the PDF has the SVG's layers, one for each
    // curve, and shows the same colours; the plot's cost tells the gradient as the pens its
    // colours take, apart from the pens.
    void gradientInSvgAndPdfAlike_data()
    {
        QTest::addColumn<int>("inkOpacity");
        QTest::addRow("opaque") << kOpaqueInk;
        QTest::addRow("ink at 60 per cent") << 60;
    }

    void gradientInSvgAndPdfAlike()
    {
        QFETCH(int, inkOpacity);
        DrawnDesign gradient{120, 45, 60, 2.5f, 6};
        gradient.colouring.mode = ColourMode::Gradient;
        gradient.colouring.stops = {{0, QColor(255, 0, 0)}, {0.5, QColor(255, 200, 0)}, {1, QColor(0, 0, 255)}};
        gradient.colouring.inkOpacity = inkOpacity;
        const DrawnDesign pens{100, -30, 20, 3, 6};
        const Composition composition{{composedCurve(gradient, QString()), composedCurve(pens, QStringLiteral("Pens"), 30)}};
        const QTemporaryDir folder;
        const QString svgFile = folder.filePath(QStringLiteral("art.svg")), pdfFile = folder.filePath(QStringLiteral("art.pdf"));
        QString error;
        QVERIFY2(exportVector(composition, VectorFormat::Svg, everyStep(settingsFor(gradient, svgFile)), &error), qPrintable(error));
        QVERIFY2(exportVector(composition, VectorFormat::Pdf, everyStep(settingsFor(gradient, pdfFile)), &error), qPrintable(error));
        SvgDocument svg;
        readSvg(svgFile, svg);
        const QStringList labels{"1 gradient Curve 1", "2 pen 1 #ff0000"};
        QCOMPARE(labelsOf(svg), labels);
        QCOMPARE(pdfLayerNames(pdfFile), labels);
        verifyPdfLayersResolve(pdfFile);
        QImage svgPage, pdfPage;
        readVectorPage(VectorFormat::Svg, svgFile, svgPage);
        readVectorPage(VectorFormat::Pdf, pdfFile, pdfPage);
        // Each renderer rounds a colour of its own way, and blends translucent ones so too.
        verifyAgreement(pdfPage, svgPage, inkOpacity < kOpaqueInk ? 2 : 1);

        std::set<QRgb> colours;
        for (const ColourStep& step : exportedColourSteps(gradient))
            colours.insert(step.colour.rgb());
        const std::vector<PenTally> told = plotCost(exportedComposition(composition, true, false), everyStep(settingsFor(gradient, svgFile)).plot);
        QCOMPARE(told.size(), std::size_t(2));
        QCOMPARE(told[0].gradientColours, int(colours.size()));
        const QStringList lines = costText(told, 10).split(u'\n');
        QVERIFY2(lines[0].startsWith(QStringLiteral("Gradient (%1 colours, a pen each): ").arg(colours.size())), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(QStringLiteral("Pen 1 (#ff0000): ")), qPrintable(lines[1]));
    }

    // A translucent ink deepens where the line crosses itself, as on screen: each pen is written
    // in short pieces, one taking up where the one before ended, under the pens' own labels; a
    // fill is no ink.
    void inkDeepensWhereTheLineCrossesItself_data()
    {
        QTest::addColumn<VectorFormat>("format");
        QTest::addColumn<DrawnDesign>("design");
        QTest::addColumn<QStringList>("labels");
        DrawnDesign onePen;
        onePen.colouring.inkOpacity = 50;
        DrawnDesign threePens = kThreePensFilled;
        threePens.colouring.inkOpacity = 50;
        const QStringList threeLabels{"% fill #ffff00", "1 pen 1 #ff0000", "2 pen 2 #0066cc", "3 pen 3 #009933"};
        QTest::addRow("SVG, one pen") << VectorFormat::Svg << onePen << QStringList{"1 pen 1 #ff0000"};
        QTest::addRow("SVG, three pens, filled") << VectorFormat::Svg << threePens << threeLabels;
        QTest::addRow("PDF, one pen") << VectorFormat::Pdf << onePen << QStringList{"1 pen 1 #ff0000"};
    }

    void inkDeepensWhereTheLineCrossesItself()
    {
        QFETCH(VectorFormat, format);
        QFETCH(DrawnDesign, design);
        QFETCH(QStringList, labels);
        const QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("art"));
        exportDesign(design, format, settingsFor(design, file));
        if (format == VectorFormat::Svg) {
            SvgDocument svg;
            readSvg(file, svg);
            QCOMPARE(labelsOf(svg), labels);
            const QList<qsizetype> traced = tracedPointCounts(design);
            for (qsizetype i = 0; i < svg.layers.size(); ++i) {
                const SvgLayer& layer = svg.layers[i];
                if (layer.label.startsWith(u'%')) {
                    QCOMPARE(layer.elements.size(), 1);
                    QVERIFY(!layer.path.contains(QStringLiteral("fill-opacity")));
                    continue;
                }
                QVERIFY(layer.elements.size() > 1);
                for (qsizetype e = 0; e < layer.elements.size(); ++e) {
                    QVERIFY(layer.elements[e].size() <= qsizetype(kMostPointsPerInkPiece));
                    QVERIFY(sameInSvg(layer.strokes[e], inked(QColor(layer.label.section(u' ', 3, 3)), 50)));
                    if (e > 0)
                        QCOMPARE(layer.elements[e].first(), layer.elements[e - 1].last());
                }
                QCOMPARE(layer.points.size(), traced[i]);
            }
        } else {
            QCOMPARE(pdfLayerNames(file), labels);
        }
        if (design.fillShape)
            return;   // there the ink deepens the fill's colour
        // Red ink at half strength on white is 128 levels dark; twice over, 192.
        QImage page;
        readVectorPage(format, file, page);
        int once = 0, twice = 0, deeper = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QRgb pixel = page.pixel(x, y);
                if (qRed(pixel) < 250 || qGreen(pixel) != qBlue(pixel))
                    continue;   // another pen's or the fill's, or an antialiased edge of it
                const int dark = darkness(pixel);
                once += std::abs(dark - 128) <= 2 ? 1 : 0;
                twice += std::abs(dark - 192) <= 2 ? 1 : 0;
                deeper += dark > 250 ? 1 : 0;
            }
        QVERIFY2(once > 1000 && twice > 50 && deeper == 0,
                 qPrintable(QStringLiteral("%1 once, %2 twice, %3 opaque").arg(once).arg(twice).arg(deeper)));
    }

    // Beside the options, a small picture of the page as the plot draws it: the paper upright or
    // turned, the fill solid, hatched in stripes, or left out.
    void thePreviewShowsThePageAsPlotted_data()
    {
        QTest::addColumn<int>("fill");   // as the fill field lists them: solid, hatch, leave out
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<double>("fewestFilled");   // of the pixels about the page's middle
        QTest::addColumn<double>("mostFilled");
        QTest::addRow("solid, upright") << 0 << false << 0.95 << 1.0;
        QTest::addRow("hatched 10 mm apart, turned") << 1 << true << 0.03 << 0.6;
        QTest::addRow("left out") << 2 << false << 0.0 << 0.0;
    }

    void thePreviewShowsThePageAsPlotted()
    {
        QFETCH(int, fill);
        QFETCH(bool, landscape);
        QFETCH(double, fewestFilled);
        QFETCH(double, mostFilled);
        DrawnDesign filled{100, 30, 10, 3, 1};
        filled.closeCurve = true;
        filled.fillShape = true;
        VectorExportOptions options(exportedComposition(Composition{{composedCurve(filled, "A")}}, true, false));
        PlotOptions plot;
        plot.fill = FillStyle(fill);
        plot.hatch.spacingMm = 10;
        plot.page.orientation = landscape ? PaperOrientation::Landscape : PaperOrientation::Portrait;
        options.showOptions(plot);
        auto* preview = options.findChild<QLabel*>(QStringLiteral("plotPreview"));
        QTRY_VERIFY_WITH_TIMEOUT(!preview->pixmap().isNull(), kPatienceMs);
        const QImage page = preview->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        const QRect paper = paintedBounds(page);
        QCOMPARE(paper.width() > paper.height(), landscape);
        int yellow = 0, all = 0;
        for (int y = -8; y <= 8; ++y)
            for (int x = -8; x <= 8; ++x) {
                const QRgb pixel = page.pixel(paper.center() + QPoint(x, y));
                yellow += qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) < 220;   // yellow, or a thin line of it
                ++all;
            }
        const double share = double(yellow) / all;
        QVERIFY2(share >= fewestFilled && share <= mostFilled, qPrintable(QString::number(share)));
    }

    // The vector export's options note that a gradient takes a pen for each colour when a curve
    // shown has one, and the plot's cost tells it so.
    void gradientNoteInTheExportOptions_data()
    {
        QTest::addColumn<Composition>("composition");
        QTest::addColumn<bool>("noted");
        DrawnDesign gradient;
        gradient.colouring.mode = ColourMode::Gradient;
        DrawnDesign revolutions;
        revolutions.colouring.mode = ColourMode::PerRevolution;
        DrawnDesign ink;
        ink.colouring.inkOpacity = 40;
        QTest::addRow("a gradient") << Composition{{composedCurve(DrawnDesign(), "A"), composedCurve(gradient, "B")}} << true;
        QTest::addRow("a colour each revolution") << Composition{{composedCurve(revolutions, "A")}} << true;
        QTest::addRow("pens only, one translucent") << Composition{{composedCurve(ink, "A")}} << false;
        QTest::addRow("the gradient hidden") << Composition{{composedCurve(DrawnDesign(), "A"), composedCurve(gradient, "B", 0, false)}}
                                             << false;
    }

    void gradientNoteInTheExportOptions()
    {
        QFETCH(Composition, composition);
        QFETCH(bool, noted);
        VectorExportOptions options(exportedComposition(composition, true, false));
        QLabel* note = options.findChild<QLabel*>(QStringLiteral("gradientNote"));
        QVERIFY(note);
        QCOMPARE(note->isVisibleTo(&options), noted);
        options.findChild<QCheckBox*>(QStringLiteral("everyColourStep"))->setChecked(true);
        QLabel* cost = options.findChild<QLabel*>(QStringLiteral("plotCost"));
        QTRY_VERIFY2_WITH_TIMEOUT(cost->text().startsWith(QStringLiteral("Pen 1 (#ff0000)"))
                                      || cost->text().startsWith(QStringLiteral("Gradient (")),
                                  qPrintable(QStringLiteral("the cost told, not: ") + cost->text()), kPatienceMs);
        QCOMPARE(cost->text().contains(QStringLiteral("colours, a pen each")), noted);
    }

    // Every output draws the visible curves alone, each turned about the anchor's centre, and
    // fits them whole: a curve turned a quarter, behind it a larger one hidden, comes out as the
    // same curve alone and unturned would, turned a quarter.
    void outputsDrawTheVisibleCurvesTurned_data()
    {
        QTest::addColumn<Output>("output");
        QTest::addRow("PNG") << Output::Png;
        QTest::addRow("SVG") << Output::Svg;
        QTest::addRow("PDF") << Output::Pdf;
        QTest::addRow("print") << Output::Print;
    }

    void outputsDrawTheVisibleCurvesTurned()
    {
        QFETCH(Output, output);
        const DrawnDesign inside{120, -45, 60, 2.5f, 3, 2};   // open: no turn but a whole one maps it onto itself
        const DrawnDesign larger{400, 200, 100, 3, 3};
        QImage turned, alone;
        drawnBy(output, Composition{{composedCurve(larger, QStringLiteral("Hidden"), 0, false),
                                     composedCurve(inside, QStringLiteral("Turned"), 90)}}, inside.penWidth, turned);
        drawnBy(output, Composition{{composedCurve(inside, QStringLiteral("Alone"))}}, inside.penWidth, alone);
        if (QTest::currentTestFailed())
            return;
        // The page has y down: a counter-clockwise quarter turn is Qt's rotation by -90°.
        verifyAgreement(turned, alone.transformed(QTransform().rotate(-90)));
    }

    // A background lies under the whole picture in every output, the curve drawn over it.
    void backgroundUnderEveryOutput_data() { outputsDrawTheVisibleCurvesTurned_data(); }

    void backgroundUnderEveryOutput()
    {
        QFETCH(Output, output);
        const DrawnDesign design{120, -45, 60, 2.5f, 3, 2};
        QImage drawing;
        drawnBy(output, Composition{{composedCurve(design, QStringLiteral("On navy"))}, QColor(0, 0, 0x80)}, design.penWidth,
                drawing);
        if (QTest::currentTestFailed())
            return;
        // A printer in grey prints the navy in its grey.
        const QColor navy = output == Output::Print ? QColor(20, 20, 20) : QColor(0, 0, 0x80);
        for (const QPoint corner : {QPoint(1, 1), QPoint(drawing.width() - 2, drawing.height() - 2)})
            QCOMPARE(QColor(drawing.pixel(corner)), navy);
        int pen = 0;
        for (int y = 0; y < drawing.height(); ++y)
            for (int x = 0; x < drawing.width(); ++x)
                pen += qGray(drawing.pixel(x, y)) > qGray(navy.rgb()) + 40;
        QVERIFY2(pen > 100, qPrintable(QString::number(pen)));
    }

    // On screen a wide opaque pen is stroked in short runs that overlap by a segment; a device
    // that does not rasterise, which a plotter may take its lines from, gets each pen as one line.
    void vectorDevicesGetEachPenAsOneLine()
    {
        Rotagraph art;
        setDesign(art, kThreePensFilled);
        const ArtParameters design = exportedDesign(art.parameters(), true, false);
        LineCounter device;
        QPainter painter(&device);
        paintDesign(painter, design, fittedTransform(design, kEdge, kEdge));
        painter.end();
        QCOMPARE(device.polylines, 3);
    }

    // Settings that cannot be drawn, or a write that fails part way, leave the file that was
    // there as it was, and say why.
    void failedExportKeepsTheEarlierFile_data()
    {
        QTest::addColumn<VectorFormat>("format");
        QTest::addColumn<double>("sizeMm");
        QTest::addColumn<double>("penWidthMm");
        QTest::addColumn<int>("writeLimit");   // bytes, 0: none
        QTest::addColumn<QString>("reason");
        QTest::addRow("size not a number") << VectorFormat::Pdf << qQNaN() << 0.3 << 0 << "drawing size";
        QTest::addRow("drawing larger than the page") << VectorFormat::Svg << 201.0 << 0.3 << 0 << "larger than the page";
        QTest::addRow("pen width 0") << VectorFormat::Pdf << kSizeMm << 0.0 << 0 << "pen width";
        QTest::addRow("SVG, later chunk") << VectorFormat::Svg << kSizeMm << 0.3 << 3'000'000 << "File too large";
        QTest::addRow("PDF") << VectorFormat::Pdf << kSizeMm << 0.3 << 100 << "File too large";
    }

    void failedExportKeepsTheEarlierFile()
    {
        QFETCH(VectorFormat, format);
        QFETCH(double, sizeMm);
        QFETCH(double, penWidthMm);
        QFETCH(int, writeLimit);
        QFETCH(QString, reason);
        const DrawnDesign heavy{500, 3, 2, 60, 1};   // over 5 MB of SVG
        Rotagraph art;
        setDesign(art, heavy);
        const QTemporaryDir folder;
        VectorExportSettings settings = settingsFor(heavy, folder.filePath(QStringLiteral("art")));
        settings.plot.page.drawingSizeMm = sizeMm;
        settings.plot.penWidthMm = penWidthMm;
        QVERIFY(writeContents(settings.target, "an earlier export"));
        QString error;
        {
            std::optional<WriteLimit> limit;
            if (writeLimit > 0)
                limit.emplace(static_cast<rlim_t>(writeLimit));
            QVERIFY(!exportVector(art.composition(), format, settings, &error));
        }
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(contentsOf(settings.target), QByteArray("an earlier export"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("art")});
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
        const bool svg = format == VectorFormat::Svg;
        const QString name = QStringLiteral("Rotagram 160a\u2022o72r\u202253p\u00D79.") + (svg ? "svg" : "pdf");
        const std::unique_ptr<AppDelegate> started = startApplication();
        QVERIFY(started);
        AppDelegate& app = *started;
        const QTemporaryDir folder;
        Rotagraph& art = *app.artView();
        art.setPenDrawSize(2);
        app.wheelGrease()->setChecked(true);
        const auto open = [&] { return openVectorExportDialog(app.mainWindow(), shownIn(app, kDesignText), format); };

        QFileDialog* dialog = open();
        QCOMPARE(dialog->windowModality(), Qt::WindowModal);
        QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), name);
        // A4 upright, 15 mm margins, the largest drawing, the design's 2 points of pen.
        QCOMPARE(choice(dialog, "paperSize")->currentText(), QStringLiteral("A4"));
        QCOMPARE(choice(dialog, "paperOrientation")->currentIndex(), 0);
        QCOMPARE(field(dialog, "pageWidth")->value(), 210.0);
        QCOMPARE(field(dialog, "pageHeight")->value(), 297.0);
        QCOMPARE(field(dialog, "pageMargin")->value(), 15.0);
        QCOMPARE(field(dialog, "drawingSize")->value(), 0.0);
        QCOMPARE(field(dialog, "penWidth")->value(), 0.706);
        QCOMPARE(field(dialog, "simplifyTolerance")->value(), 0.05);
        QCOMPARE(choice(dialog, "fillStyle")->currentText(), QStringLiteral("Solid"));
        QCOMPARE(field(dialog, "hatchSpacing")->isEnabled(), false);
        // The plot's cost is told a moment later, pen by pen.
        static const QRegularExpression cost(QStringLiteral("^Pen 1 \\(#[0-9a-f]{6}\\): \\d+\\.\\d\\d m drawn, 0\\.\\d\\d m pen-up travel"));
        QTRY_VERIFY2_WITH_TIMEOUT(cost.match(label(dialog, "plotCost")->text()).hasMatch(), qPrintable(label(dialog, "plotCost")->text()), kPatienceMs);
        choice(dialog, "paperOrientation")->setCurrentIndex(1);
        QCOMPARE(field(dialog, "pageWidth")->value(), 297.0);
        field(dialog, "drawingSize")->setValue(150);
        field(dialog, "pageMargin")->setValue(5);
        field(dialog, "penWidth")->setValue(0.3);
        choice(dialog, "fillStyle")->setCurrentIndex(1);
        QVERIFY(field(dialog, "hatchSpacing")->isEnabled());
        field(dialog, "hatchSpacing")->setValue(2);
        // The document's title is the name the user chose, not the one suggested.
        confirm(dialog, folder.filePath(QStringLiteral("my plot")));

        VectorExportSettings expected{folder.filePath(QStringLiteral("expected")), {}, true, QStringLiteral("my plot"), kDesignText};
        expected.plot.page.orientation = PaperOrientation::Landscape;
        expected.plot.page.drawingSizeMm = 150;
        expected.plot.page.marginMm = 5;
        expected.plot.penWidthMm = 0.3;
        expected.plot.fill = FillStyle::Hatch;
        expected.plot.hatch.spacingMm = 2;
        QString error;
        QVERIFY(exportVector(art.composition(), format, expected, &error));
        const QString written = folder.filePath(QStringLiteral("my plot.") + (svg ? "svg" : "pdf"));
        if (svg) {
            QCOMPARE(contentsOf(written), contentsOf(expected.target));
        } else {   // the title differs
            QString info;
            QImage page, expectedPage;
            const QSizeF a4Turned = QSizeF(297, 210) / kMillimetresPerPoint;
            readPdfPage(written, a4Turned, kDpi, page, &info);
            readPdfPage(expected.target, a4Turned, kDpi, expectedPage);
            QVERIFY2(info.contains(QStringLiteral("Title:           my plot\n")), qPrintable(info));
            QCOMPARE(page, expectedPage);
        }

        art.setPenDrawSize(4);
        dialog = open();
        QCOMPARE(choice(dialog, "paperOrientation")->currentIndex(), 1);
        QCOMPARE(field(dialog, "drawingSize")->value(), 150.0);
        QCOMPARE(field(dialog, "pageMargin")->value(), 5.0);
        QCOMPARE(field(dialog, "penWidth")->value(), 1.411);   // the design's 4 points now
        QCOMPARE(choice(dialog, "fillStyle")->currentIndex(), 1);
        QCOMPARE(field(dialog, "hatchSpacing")->value(), 2.0);
        dialog->reject();
    }

    // A plotter's pen and paper stay from one session to the next: the options confirmed last
    // are the next run's.
    void choicesInTheNextRun()
    {
        const std::unique_ptr<AppDelegate> started = startApplication();
        QVERIFY(started);
        AppDelegate& app = *started;
        app.artView()->setPenDrawSize(2);
        QFileDialog* dialog = openVectorExportDialog(app.mainWindow(), shownIn(app, {}), VectorFormat::Svg);
        if (isLaterRun()) {
            QCOMPARE(choice(dialog, "paperSize")->currentText(), QStringLiteral("Custom"));
            QCOMPARE(field(dialog, "pageWidth")->value(), 300.0);
            QCOMPARE(field(dialog, "pageHeight")->value(), 250.0);
            QCOMPARE(field(dialog, "pageMargin")->value(), 5.0);
            QCOMPARE(field(dialog, "penWidth")->value(), 0.3);
            QCOMPARE(field(dialog, "simplifyTolerance")->value(), 0.1);
            QCOMPARE(choice(dialog, "fillStyle")->currentText(), QStringLiteral("Leave Out"));
            QCOMPARE(field(dialog, "hatchAngle")->value(), 30.0);
            QCOMPARE(field(dialog, "plotterSpeed")->value(), 40.0);
            dialog->reject();
            return;
        }
        choice(dialog, "paperSize")->setCurrentText(QStringLiteral("Custom"));
        field(dialog, "pageWidth")->setValue(300);
        field(dialog, "pageHeight")->setValue(250);
        // A look at a preset keeps the page of one's own size.
        choice(dialog, "paperSize")->setCurrentText(QStringLiteral("A3"));
        QCOMPARE(field(dialog, "pageWidth")->value(), 297.0);
        choice(dialog, "paperSize")->setCurrentText(QStringLiteral("Custom"));
        QCOMPARE(field(dialog, "pageWidth")->value(), 300.0);
        field(dialog, "pageMargin")->setValue(5);
        field(dialog, "penWidth")->setValue(0.3);
        field(dialog, "simplifyTolerance")->setValue(0.1);
        choice(dialog, "fillStyle")->setCurrentText(QStringLiteral("Leave Out"));
        field(dialog, "hatchAngle")->setValue(30);
        field(dialog, "plotterSpeed")->setValue(40);
        const QTemporaryDir folder;
        confirm(dialog, folder.filePath(QStringLiteral("art.svg")));
        QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("art.svg"))));
        QString output;
        QVERIFY2(passesInALaterRun(&output), qPrintable(output));
    }
};

QTEST_MAIN(TestVectorExport)
#include "tst_vectorexport.moc"
