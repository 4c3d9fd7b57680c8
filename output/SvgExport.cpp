#include "output/SvgExport.h"

#include "art/CurveTrace.h"
#include "output/SafeWrite.h"
#include "output/VectorExport.h"

#include <QColor>
#include <QIODevice>
#include <QString>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

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
    ChunkedText(QIODevice& device, const DrawingControl& control)
        : m_device(device)
        , m_control(control)
    {
        m_buffer.reserve(kChunkBytes + kChunkSlack);
    }

    // Says how far the writing has come, in points of `total`; false once it is cancelled.
    bool wrotePoints(std::size_t points, std::size_t total)
    {
        m_points += points;
        if (m_control.percentDone && total > 0)
            m_control.percentDone->store(static_cast<int>(double(std::min(m_points, total)) * kWholePercent / double(total)),
                                         std::memory_order_relaxed);
        m_ok = m_ok && !cancelled();
        return m_ok;
    }

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
    bool cancelled() const { return m_control.cancelled && m_control.cancelled->load(std::memory_order_relaxed); }
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
    const DrawingControl& m_control;
    std::string m_buffer;
    std::size_t m_points = 0;
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

// Text as XML character data. A character that XML 1.0 cannot hold at all (a control character,
// half of a surrogate pair) becomes U+FFFD, which keeps the file readable; a carriage return is
// written as a reference, which a reader would otherwise turn into a line feed.
QByteArray xmlText(const QString& text)
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
        } else if (c.isSurrogate() || c == QChar(0xFFFE) || c == QChar(0xFFFF)
                   || (c.unicode() < 0x20 && c != u'\t' && c != u'\n')) {
            escaped += QChar::ReplacementCharacter;
        } else {
            escaped += c;
        }
    }
    return escaped.toUtf8();
}

// Where a curve point lies on the page, in millimetres from its top left corner: fitted into
// the drawing's square as every drawing fits the design, then moved in by the margin. Curve
// space has y up, the page y down.
struct PageMapping {
    double scale;
    double centre;

    // False for a point that is not finite, which the drawing leaves out as the view does.
    bool map(const CurvePoint& point, double& x, double& y) const
    {
        x = centre + scale * point.x;
        y = centre - scale * point.y;
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

// What the whole document writes: every run's points, for the progress.
struct PointCount {
    std::size_t total = 0;
};

// Writes a run's path data. A point closer than `tolerance` to the last point written is left
// out, except the run's last point: a stretch always begins and ends where the curve's does.
void writePathData(ChunkedText& out, const PointRun& run, const PageMapping& page, double tolerance,
                   const PointCount& count)
{
    const double toleranceSquared = tolerance * tolerance;
    double keptX = 0, keptY = 0, leftOutX = 0, leftOutY = 0;
    bool lastLeftOut = false;
    std::size_t written = 0;
    for (std::size_t i = 0; i < run.size(); ++i) {
        if ((i + 1) % kPointsPerProgress == 0 && !out.wrotePoints(kPointsPerProgress, count.total))
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
    out.wrotePoints(run.size() % kPointsPerProgress, count.total);
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

void openLayer(ChunkedText& out, int number, const QByteArray& label)
{
    out.append("<g id=\"layer");
    out.appendBytes(QByteArray::number(number));
    out.append("\" inkscape:groupmode=\"layer\" inkscape:label=\"");
    out.appendBytes(QByteArray::number(number));
    out.append(" ");
    out.appendBytes(label);
    out.append("\">\n");
}

void writeFillLayer(ChunkedText& out, const PointRun& outline, const QColor& colour, const PageMapping& page,
                    double tolerance, const PointCount& count)
{
    if (!colour.isValid() || firstFinite(outline, page) == outline.size())
        return;
    openLayer(out, 0, QByteArrayLiteral("fill"));
    out.append("<path stroke=\"none\"");
    writeColour(out, "fill", colour);
    out.append(" fill-rule=\"nonzero\" d=\"");
    writePathData(out, outline, page, tolerance, count);
    out.append("Z\"/>\n</g>\n");
}

void writePenLayer(ChunkedText& out, int number, const PointRun& stretch, const QColor& colour,
                   const PageMapping& page, const VectorExportSettings& settings, const PointCount& count)
{
    if (!colour.isValid() || firstFinite(stretch, page) == stretch.size())
        return;
    openLayer(out, number, "pen " + colour.name(QColor::HexRgb).toLatin1());
    out.append("<path fill=\"none\"");
    writeColour(out, "stroke", colour);
    out.append(" stroke-width=\"");
    out.appendNumber(settings.penWidthMm);
    // Past the limit SVG bevels the join, as the view does.
    out.append("\" stroke-linecap=\"butt\" stroke-linejoin=\"miter\" stroke-miterlimit=\"");
    out.appendBytes(lengthText(kMiterLimit));
    out.append("\" d=\"");
    writePathData(out, stretch, page, settings.simplifyToleranceMm, count);
    out.append("\"/>\n</g>\n");
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

bool writeSvg(QIODevice& device, const ArtParameters& design, const VectorExportSettings& settings,
              const DrawingControl& control)
{
    TracedCurve curve;
    if (!traceCurve(curveParameters(design), curve, control.cancelled))
        return false;
    ChunkedText out(device, control);
    writeHeader(out, settings);

    const auto size = static_cast<float>(settings.sizeMm);
    const PageMapping page{fitFactor(size, size, boundingRadius(design), static_cast<float>(settings.penWidthMm), true),
                           settings.marginMm + settings.sizeMm / 2};
    const PointRun stretches[] = {curve.penPath(), curve.pen2Path(), curve.pen3Path()};
    const QColor colours[] = {design.penColor, design.pen2Color, design.pen3Color};
    const int pens = std::max(design.numberOfColors, 1);
    PointCount count;
    count.total = design.fillShape ? curve.fillPath().size() : 0;
    for (int pen = 0; pen < 3 && pen < pens; ++pen)
        count.total += stretches[pen].size();
    // Painted in the view's order: the fill, then each pen over the ones before.
    if (design.fillShape)
        writeFillLayer(out, curve.fillPath(), design.fillColor, page, settings.simplifyToleranceMm, count);
    for (int pen = 0; pen < 3 && pen < pens; ++pen)
        writePenLayer(out, pen + 1, stretches[pen], colours[pen], page, settings, count);

    out.append("</svg>\n");
    return out.finish();
}
