#include "output/SvgExport.h"

#include "art/DesignPainter.h"
#include "output/ChunkedText.h"
#include "output/PathSplitting.h"
#include "output/PlotDrawing.h"
#include "output/VectorExport.h"

#include <QColor>
#include <QIODevice>
#include <QString>

#include <string_view>

namespace {

// A line break after every so many points keeps the file readable by line-based tools.
constexpr std::size_t kPointsPerLine = 10;

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

void openLayer(ChunkedText& out, const QByteArray& id, const QString& label)
{
    out.append("<g id=\"");
    out.appendBytes(id);
    out.append("\" inkscape:groupmode=\"layer\" inkscape:label=\"");
    out.appendBytes(xmlText(label, true));
    out.append("\">\n");
}

void openPenPath(ChunkedText& out, const QColor& colour, double penWidthMm)
{
    out.append("<path fill=\"none\"");
    writeColour(out, "stroke", colour);
    out.append(" stroke-width=\"");
    out.appendNumber(penWidthMm);
    // Past the limit SVG bevels the join, as the view does.
    out.append("\" stroke-linecap=\"butt\" stroke-linejoin=\"miter\" stroke-miterlimit=\"");
    out.appendBytes(lengthText(kMiterLimit));
    out.append("\" d=\"");
}

// Writes `points` as one subpath.
void writeSubpath(ChunkedText& out, const QPointF* points, std::size_t count)
{
    for (std::size_t i = 0; i < count && out.isWriting(); ++i)
        out.appendPoint(i == 0 ? 'M' : i == 1 ? 'L' : i % kPointsPerLine == 0 ? '\n' : ' ', points[i].x(), points[i].y());
}

// A pen's lines, in as many path elements as it takes to hold each to kMaxPointsPerPiece points.
// A line too long for one goes on in the next from the point where it stopped, so that the
// plotter draws it without a break.
void writePenPaths(ChunkedText& out, const PlottedLayer& layer, double penWidthMm)
{
    std::size_t inElement = 0;
    bool open = false;
    for (const QPolygonF& path : layer.paths) {
        for (const PathPiece& piece : pathPieces(std::size_t(path.size()))) {
            if (open && inElement + piece.count > kMaxPointsPerPiece) {
                out.append("\"/>\n");
                open = false;
            }
            if (!open) {
                openPenPath(out, layer.layer.colour, penWidthMm);
                open = true;
                inElement = 0;
            }
            writeSubpath(out, path.constData() + piece.first, piece.count);
            inElement += piece.count;
        }
    }
    if (open)
        out.append("\"/>\n");
}

// Each path in elements of its own, in its own colour: a translucent ink deepens where one
// crosses another, as one element's stroke would not.
void writeStrokesApart(ChunkedText& out, const PlottedLayer& layer, double penWidthMm)
{
    for (qsizetype i = 0; i < layer.paths.size() && out.isWriting(); ++i) {
        const QPolygonF& path = layer.paths[i];
        const QColor colour = layer.colourOf(i);
        for (const PathPiece& piece : pathPieces(std::size_t(path.size()))) {
            openPenPath(out, colour, penWidthMm);
            writeSubpath(out, path.constData() + piece.first, piece.count);
            out.append("\"/>\n");
        }
    }
}

// A fill's outlines in one path element, as the non-zero rule fills them together.
void writeFillPath(ChunkedText& out, const PlottedLayer& layer)
{
    out.append("<path stroke=\"none\"");
    writeColour(out, "fill", layer.layer.colour);
    out.append(" fill-rule=\"nonzero\" d=\"");
    for (const QPolygonF& outline : layer.paths) {
        writeSubpath(out, outline.constData(), std::size_t(outline.size()));
        out.append("Z");
    }
    out.append("\"/>\n");
}

void writeHeader(ChunkedText& out, const VectorExportSettings& settings)
{
    const QSizeF page = pageSizeMm(settings.plot.page);
    const QByteArray width = lengthText(page.width()), height = lengthText(page.height());
    out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" "
               "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\" width=\"");
    // The design's text, its format and version first, before the title of any length: what
    // looks at a file's first bytes finds them.
    out.appendBytes(width + "mm\" height=\"" + height + "mm\" viewBox=\"0 0 " + width + " " + height
                    + "\">\n<metadata id=\"design\">");
    out.appendBytes(xmlText(settings.designText));
    out.append("</metadata>\n<title>");
    out.appendBytes(xmlText(settings.title));
    out.append("</title>\n");
}

}

bool writeSvg(QIODevice& device, const Composition& design, const VectorExportSettings& settings,
              const OutputControl& control)
{
    ChunkedText out(device, control.cancelled);
    writeHeader(out, settings);
    LayerNumbering numbering(namesCurves(design));
    int fills = 0;
    const bool plotted = plotDrawing(design, settings.plot, control, [&](PlottedLayer& layer) {
        const LayerLabel label = numbering.next(layer.layer);
        if (layer.layer.kind == LayerKind::Background) {
            openLayer(out, "background", label.text);
            writeFillPath(out, layer);
        } else if (layer.layer.kind == LayerKind::Fill) {
            openLayer(out, "fill" + QByteArray::number(++fills), label.text);
            writeFillPath(out, layer);
        } else {
            openLayer(out, "layer" + QByteArray::number(label.number), label.text);
            if (layer.strokedApart)
                writeStrokesApart(out, layer, settings.plot.penWidthMm);
            else
                writePenPaths(out, layer, settings.plot.penWidthMm);
        }
        out.append("</g>\n");
        return out.isWriting();
    });
    out.append("</svg>\n");
    return plotted && out.finish();
}
