#include "output/SvgExport.h"

#include "art/CurveTrace.h"
#include "art/DesignPainter.h"
#include "output/SafeWrite.h"
#include "output/VectorExport.h"

#include <QColor>
#include <QCoreApplication>
#include <QIODevice>
#include <QList>
#include <QString>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace {

// The document goes to the file a megabyte at a time: few writes, and never whole in memory.
constexpr std::size_t kChunkBytes = std::size_t(1) << 20;
// Room for one point or one number beyond a chunk, so that a point is never split.
constexpr std::size_t kChunkSlack = 256;
// A line break after every so many points keeps the file readable by line-based tools.
constexpr std::size_t kPointsPerLine = 10;
// How often the writing says how far it has come, and looks whether it is to stop.
constexpr std::size_t kPointsPerProgress = 4096;
constexpr int kWholePercent = 100;
// Coordinates, widths and opacities are written with three decimals: micrometres on paper.
constexpr double kThousandths = 1000;
constexpr int kDecimals = 3;
// Beyond 2^53 thousandths a double no longer holds every whole number.
constexpr double kLargestExactThousandths = 9007199254740992.0;

// Writes `value` with three decimals. As a whole number of thousandths, formatted as an integer:
// several times faster than formatting a double to a precision, and exact.
char* formatThreeDecimals(char* out, char* end, double value)
{
    const double thousandths = std::round(value * kThousandths);
    if (!(std::fabs(thousandths) < kLargestExactThousandths))
        return std::to_chars(out, end, value, std::chars_format::fixed, kDecimals).ptr;
    auto whole = static_cast<int64_t>(thousandths);
    if (whole < 0) {
        *out++ = '-';
        whole = -whole;
    }
    const auto units = static_cast<int64_t>(kThousandths);
    out = std::to_chars(out, end, whole / units).ptr;
    *out++ = '.';
    const auto fraction = static_cast<int>(whole % units);
    out[0] = static_cast<char>('0' + fraction / 100);
    out[1] = static_cast<char>('0' + fraction / 10 % 10);
    out[2] = static_cast<char>('0' + fraction % 10);
    return out + kDecimals;
}

// Text gathered in a buffer and handed to the device a chunk at a time. After a failed write,
// or once the drawing is cancelled, the rest is dropped and `finish` says so.
class ChunkedText
{
public:
    ChunkedText(QIODevice& device, const std::atomic<bool>* cancelled)
        : m_device(device)
        , m_cancelled(cancelled)
    {
        m_buffer.reserve(kChunkBytes + kChunkSlack);
    }

    // From now on the writing says into `percentDone` (may be null) how far it has come in the
    // `total` points of the part under way.
    void countPoints(std::atomic<int>* percentDone, std::size_t total)
    {
        m_percentDone = percentDone;
        m_total = total;
        m_points = 0;
    }

    // Says how far the writing has come; false once it is cancelled.
    bool wrotePoints(std::size_t points)
    {
        m_points += points;
        if (m_percentDone && m_total > 0)
            m_percentDone->store(static_cast<int>(double(std::min(m_points, m_total)) * kWholePercent / double(m_total)),
                                 std::memory_order_relaxed);
        m_ok = m_ok && !cancelled();
        return m_ok;
    }
    bool isWriting() const { return m_ok && !cancelled(); }

    void append(std::string_view text)
    {
        m_buffer.append(text);
        flushWhenFull();
    }
    void appendBytes(const QByteArray& text) { append(std::string_view(text.constData(), std::size_t(text.size()))); }

    // A number with three decimals, or a pair of them as an SVG point.
    void appendNumber(double value)
    {
        char digits[kChunkSlack];
        append(std::string_view(digits, std::size_t(formatThreeDecimals(digits, digits + sizeof digits, value) - digits)));
    }
    void appendPoint(char separator, double x, double y)
    {
        char digits[kChunkSlack];
        char* end = digits + sizeof digits;
        char* out = digits;
        *out++ = separator;
        out = formatThreeDecimals(out, end, x);
        *out++ = ' ';
        out = formatThreeDecimals(out, end, y);
        append(std::string_view(digits, std::size_t(out - digits)));
    }

    bool finish()
    {
        flush();
        return m_ok && !cancelled();
    }

private:
    bool cancelled() const { return m_cancelled && m_cancelled->load(std::memory_order_relaxed); }
    void flushWhenFull()
    {
        if (m_buffer.size() >= kChunkBytes)
            flush();
    }
    void flush()
    {
        m_ok = m_ok && !cancelled() && writeAll(m_device, m_buffer.data(), qint64(m_buffer.size()));
        m_buffer.clear();
    }

    QIODevice& m_device;
    const std::atomic<bool>* m_cancelled;
    std::atomic<int>* m_percentDone = nullptr;
    std::string m_buffer;
    std::size_t m_points = 0;
    std::size_t m_total = 0;
    bool m_ok = true;
};

// A length in millimetres as the document's header gives it: to the micrometre, and no longer
// than it needs to be ("220", "200.5").
QByteArray lengthText(double millimetres)
{
    char digits[kChunkSlack];
    const double rounded = std::round(millimetres * kThousandths) / kThousandths;
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, rounded);
    return QByteArray(digits, qsizetype(result.ptr - digits));
}

// Text as XML character data, or as an attribute's value between double quotes. A character
// that XML 1.0 cannot hold at all (a control character, half of a surrogate pair) becomes
// U+FFFD, which keeps the file readable; a carriage return is written as a reference, which a
// reader would otherwise turn into a line feed, and so are a tab and a line feed in an
// attribute, which a reader would turn into spaces.
QByteArray xmlText(const QString& text, bool inAttribute = false)
{
    QString escaped;
    escaped.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            escaped += c;
            escaped += text[++i];
        } else if (c == u'&') {
            escaped += QLatin1String("&amp;");
        } else if (c == u'<') {
            escaped += QLatin1String("&lt;");
        } else if (c == u'>') {
            escaped += QLatin1String("&gt;");
        } else if (c == u'\r') {
            escaped += QLatin1String("&#13;");
        } else if (inAttribute && c == u'"') {
            escaped += QLatin1String("&quot;");
        } else if (inAttribute && c == u'\n') {
            escaped += QLatin1String("&#10;");
        } else if (inAttribute && c == u'\t') {
            escaped += QLatin1String("&#9;");
        } else if (c.isSurrogate() || c == QChar(0xFFFE) || c == QChar(0xFFFF)
                   || (c.unicode() < 0x20 && c != u'\t' && c != u'\n')) {
            escaped += QChar::ReplacementCharacter;
        } else {
            escaped += c;
        }
    }
    return escaped.toUtf8();
}

// Where a curve point lies on the page, in millimetres from its top left corner: turned as its
// curve is, fitted into the drawing's square as every drawing fits the composition, then moved in
// by the margin. Curve space has y up, the page y down.
struct PageMapping {
    double scale;
    double centre;
    QTransform turning;   // of the curve, in curve space

    // False for a point that is not finite, which the drawing leaves out as the view does.
    bool map(const CurvePoint& point, double& x, double& y) const
    {
        qreal turnedX = point.x, turnedY = point.y;
        turning.map(turnedX, turnedY, &turnedX, &turnedY);
        x = centre + scale * turnedX;
        y = centre - scale * turnedY;
        return std::isfinite(x) && std::isfinite(y);
    }
};

// One stretch of the curve: a pen's path or the fill's outline.
using PointRun = PolylineView;

std::size_t firstFinite(const PointRun& run, const PageMapping& page)
{
    double x = 0, y = 0;
    std::size_t i = 0;
    while (i < run.size() && !page.map(run[i], x, y))
        ++i;
    return i;
}

// Writes a run's path data. A point closer than `tolerance` to the last point written is left
// out, except the run's last point: a stretch always begins and ends where the curve's does.
void writePathData(ChunkedText& out, const PointRun& run, const PageMapping& page, double tolerance)
{
    const double toleranceSquared = tolerance * tolerance;
    double keptX = 0, keptY = 0, leftOutX = 0, leftOutY = 0;
    bool lastLeftOut = false;
    std::size_t written = 0;
    for (std::size_t i = 0; i < run.size(); ++i) {
        if ((i + 1) % kPointsPerProgress == 0 && !out.wrotePoints(kPointsPerProgress))
            return;
        double x = 0, y = 0;
        if (!page.map(run[i], x, y))
            continue;
        if (written > 0) {
            const double dx = x - keptX, dy = y - keptY;
            lastLeftOut = dx * dx + dy * dy < toleranceSquared;
            if (lastLeftOut) {
                leftOutX = x;
                leftOutY = y;
                continue;
            }
        }
        out.appendPoint(written == 0 ? 'M' : written == 1 ? 'L' : written % kPointsPerLine == 0 ? '\n' : ' ', x, y);
        ++written;
        keptX = x;
        keptY = y;
    }
    if (lastLeftOut)
        out.appendPoint(written == 1 ? 'L' : ' ', leftOutX, leftOutY);
    out.wrotePoints(run.size() % kPointsPerProgress);
}

// The colour without its alpha, as SVG's colour attributes take it, and the alpha as an
// opacity attribute when the colour is not opaque.
void writeColour(ChunkedText& out, std::string_view attribute, const QColor& colour)
{
    out.append(" ");
    out.append(attribute);
    out.append("=\"");
    out.appendBytes(colour.name(QColor::HexRgb).toLatin1());
    out.append("\"");
    if (colour.alpha() != 255) {
        out.append(" ");
        out.append(attribute);
        out.append("-opacity=\"");
        out.appendNumber(colour.alphaF());
        out.append("\"");
    }
}

// What the layers are called, in the form plotter tools read. A pen layer is "N pen K #rrggbb":
// N its place in plotting order over the whole picture, K the pen, one for each distinct colour
// in the order of first use, so that one colour on several curves is one pen to change. A fill
// layer is "% fill #rrggbb": tools that plot skip a layer whose label begins with "%". A picture
// of several curves adds the curve's name to each, as the Curves list shows it.
class LayerNames
{
public:
    explicit LayerNames(const Composition& composition)
        : m_severalCurves(std::count_if(composition.curves.begin(), composition.curves.end(),
                                        [](const ComposedCurve& curve) { return curve.visible; }) > 1)
    {
    }

    // The layers that follow are the curve's at `index` of the composition.
    void beginCurve(std::size_t index, const ComposedCurve& curve)
    {
        if (!m_severalCurves)
            return;
        // A curve without a name still tells its layers from the others'.
        const QString name = curve.name.isEmpty()
            ? QCoreApplication::translate("SvgExport", "Curve %1").arg(index + 1)
            : curve.name;
        m_curveName = ' ' + xmlText(name, true);
    }

    // The next pen layer's id and label.
    std::pair<QByteArray, QByteArray> pen(const QColor& colour)
    {
        const QByteArray rgb = colour.name(QColor::HexRgb).toLatin1();
        qsizetype pen = m_penColours.indexOf(rgb);
        if (pen < 0) {
            pen = m_penColours.size();
            m_penColours.append(rgb);
        }
        const QByteArray number = QByteArray::number(++m_penLayers);
        return {"layer" + number, number + " pen " + QByteArray::number(pen + 1) + ' ' + rgb + m_curveName};
    }

    // The next fill layer's id and label.
    std::pair<QByteArray, QByteArray> fill(const QColor& colour)
    {
        return {"fill" + QByteArray::number(++m_fillLayers),
                "% fill " + colour.name(QColor::HexRgb).toLatin1() + m_curveName};
    }

private:
    bool m_severalCurves;
    int m_penLayers = 0;
    int m_fillLayers = 0;
    QList<QByteArray> m_penColours;   // "#rrggbb" of each pen, in the order of first use
    QByteArray m_curveName;           // with a space before it; empty for a picture of one curve
};

bool hasInk(const PointRun& run, const QColor& colour, const PageMapping& page)
{
    return colour.isValid() && firstFinite(run, page) < run.size();
}

void openLayer(ChunkedText& out, const std::pair<QByteArray, QByteArray>& idAndLabel)
{
    out.append("<g id=\"");
    out.appendBytes(idAndLabel.first);
    out.append("\" inkscape:groupmode=\"layer\" inkscape:label=\"");
    out.appendBytes(idAndLabel.second);
    out.append("\">\n");
}

void writeFillLayer(ChunkedText& out, LayerNames& names, const PointRun& outline, const QColor& colour,
                    const PageMapping& page, double tolerance)
{
    if (!hasInk(outline, colour, page))
        return;
    openLayer(out, names.fill(colour));
    out.append("<path stroke=\"none\"");
    writeColour(out, "fill", colour);
    out.append(" fill-rule=\"nonzero\" d=\"");
    writePathData(out, outline, page, tolerance);
    out.append("Z\"/>\n</g>\n");
}

void writePenLayer(ChunkedText& out, LayerNames& names, const PointRun& stretch, const QColor& colour,
                   const PageMapping& page, const VectorExportSettings& settings)
{
    if (!hasInk(stretch, colour, page))
        return;
    openLayer(out, names.pen(colour));
    out.append("<path fill=\"none\"");
    writeColour(out, "stroke", colour);
    out.append(" stroke-width=\"");
    out.appendNumber(settings.penWidthMm);
    // Past the limit SVG bevels the join, as the view does.
    out.append("\" stroke-linecap=\"butt\" stroke-linejoin=\"miter\" stroke-miterlimit=\"");
    out.appendBytes(lengthText(kMiterLimit));
    out.append("\" d=\"");
    writePathData(out, stretch, page, settings.simplifyToleranceMm);
    out.append("\"/>\n</g>\n");
}

// One curve's layers: its fill, when on, then each pen over the ones before, as the view paints.
bool writeCurve(ChunkedText& out, LayerNames& names, const TracedCurve& curve, const ArtParameters& design,
                const PageMapping& page, const VectorExportSettings& settings, std::atomic<int>* percentDone)
{
    const PointRun stretches[] = {curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    const QColor colours[] = {design.penColor, design.pen2Color, design.pen3Color};
    const int pens = std::max(design.numberOfColors, 1);
    std::size_t total = design.fillShape ? curve.fillPath().size() : 0;
    for (int pen = 0; pen < 3 && pen < pens; ++pen)
        total += stretches[pen].size();
    out.countPoints(percentDone, total);
    if (design.fillShape)
        writeFillLayer(out, names, curve.fillPath(), design.fillColor, page, settings.simplifyToleranceMm);
    for (int pen = 0; pen < 3 && pen < pens; ++pen)
        writePenLayer(out, names, stretches[pen], colours[pen], page, settings);
    return out.isWriting();
}

void writeHeader(ChunkedText& out, const VectorExportSettings& settings)
{
    const QByteArray page = lengthText(settings.sizeMm + 2 * settings.marginMm);
    out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" "
               "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\" width=\"");
    out.appendBytes(page + "mm\" height=\"" + page + "mm\" viewBox=\"0 0 " + page + " " + page + "\">\n<title>");
    out.appendBytes(xmlText(settings.title));
    out.append("</title>\n<metadata id=\"design\">");
    out.appendBytes(xmlText(settings.designText));
    out.append("</metadata>\n");
}

}

bool writeSvg(QIODevice& device, const Composition& design, const VectorExportSettings& settings,
              const OutputControl& control)
{
    ChunkedText out(device, control.cancelled);
    writeHeader(out, settings);
    const auto size = static_cast<float>(settings.sizeMm);
    const double scale = fitFactor(size, size, boundingRadius(design), static_cast<float>(settings.penWidthMm), true);
    const double centre = settings.marginMm + settings.sizeMm / 2;
    LayerNames names(design);
    // One curve traced at a time: a composition of many long curves is never in memory at once.
    TracedCurve curve;
    const bool written = drawCurveByCurve(design, control, [&](std::size_t index, const ComposedCurve& composed,
                                                               const DrawingControl& part) {
        if (!traceCurve(curveParameters(composed.art), curve, part.cancelled))
            return false;
        names.beginCurve(index, composed);
        return writeCurve(out, names, curve, composed.art, PageMapping{scale, centre, composed.turning()}, settings,
                          part.percentDone);
    });
    out.append("</svg>\n");
    return written && out.finish();
}
